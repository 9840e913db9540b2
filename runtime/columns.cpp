#include "runtime/columns.h"

namespace ostrel {

QByteArrayView trimSpaces(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    return text.sliced(begin, end - begin);
}

QByteArray numberText(qint64 number)
{
    QByteArray digits = QByteArray::number(number);
    return number < 0 ? digits : ' ' + digits;
}

} // namespace ostrel
