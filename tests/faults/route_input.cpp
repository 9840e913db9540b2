#include "route_input.h"

#include <cstring>

namespace faults {

QByteArray distinctRouteFile(qsizetype records, qsizetype recordLength, QByteArrayView routeCode)
{
    const qsizetype lineLength = recordLength + 2;
    QByteArray file(records * lineLength, '.');
    char *line = file.data();
    for (qsizetype i = 0; i < records; ++i, line += lineLength) {
        // Multiplying by an odd number is a bijection on 32 bits: distinct and
        // shuffled. Ten digits at most, so columns 7-9 never read "375".
        const QByteArray number = QByteArray::number(quint32(i) * 2654435761u).rightJustified(15, '0');
        std::memcpy(line, routeCode.data(), size_t(routeCode.size()));
        std::memcpy(line + 4, number.constData(), 15);
        std::memcpy(line + recordLength, "\r\n", 2);
    }
    return file;
}

} // namespace faults
