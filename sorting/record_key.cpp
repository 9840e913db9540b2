#include "sorting/record_key.h"

#include "runtime/columns.h"

namespace ostrel {

// Columns of bytes yield at most 25 bytes, as many as a key holds.
RecordKey BuildRecordKey(std::string_view line)
{
    RecordKey key;
    keyPieces([line](std::size_t first, std::size_t length) { return columnText(line, first, length); },
              [&key](std::string_view piece) { key.appendWhole(piece); });
    return key;
}

RecordKey BuildRecordKey(std::string_view line, const TextReading &reading)
{
    return BuildRecordKey(line, lineForm(line, reading), reading);
}

RecordKey BuildRecordKey(std::string_view line, LineForm form, const TextReading &reading)
{
    if (form == LineForm::Ascii)
        return BuildRecordKey(line);
    RecordKey key;
    keyPieces(LineColumns(line, form, reading), [&key](std::string_view piece) { key.append(piece); });
    return key;
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
