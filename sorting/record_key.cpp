#include "sorting/record_key.h"

#include "runtime/columns.h"

namespace ostrel {

RecordKey BuildRecordKey(std::string_view line)
{
    RecordKey key;
    key.append(columnText(line, 170, 4));
    if (columnText(line, 7, 3) == "375") {
        // Special routes are keyed by their route number, not columns 5-19.
        key.append("0000375");
        key.append(columnText(line, 56, 2));
        key.append("        ");
    } else {
        key.append(columnText(line, 5, 15));
    }
    key.append(columnText(line, 1, 2));
    key.append(columnText(line, 3, 2));
    return key;
}

std::string_view recordName(std::string_view line)
{
    return trimSpaces(columnText(line, 18, 30));
}

} // namespace ostrel
