#include "sorting/record_key.h"

#include "runtime/columns.h"

namespace ostrel {

RecordKey BuildRecordKey(std::string_view line, LineForm form, const TextReading &reading)
{
    RecordKey key;
    keyPieces(LineColumns(line, form, reading), [&key](std::string_view piece) { key.append(piece); });
    return key;
}

RecordKey BuildRecordKey(std::string_view line)
{
    return BuildRecordKey(line, LineForm::Ascii, TextReading{});
}

std::string recordKeyText(std::string_view line, const TextReading &reading)
{
    std::string key;
    keyPieces(LineColumns(line, lineForm(line, reading), reading), [&key](std::string_view piece) { key += piece; });
    return key;
}

std::string_view recordName(std::string_view line, const TextReading &reading)
{
    return trimSpaces(LineColumns(line, lineForm(line, reading), reading)(18, 30));
}

} // namespace ostrel
