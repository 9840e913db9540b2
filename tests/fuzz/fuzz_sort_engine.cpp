#include "reference/record_by_record.h"
#include "sorting/sort_outcome.h"
#include "support/record_order.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

std::string hex(std::string_view bytes)
{
    std::string text;
    char digits[4];
    for (const char byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02x ", static_cast<unsigned char>(byte));
        text += digits;
    }
    return text;
}

[[noreturn]] void fail(const char *what, std::string_view engine, std::string_view expected)
{
    std::fprintf(stderr, "sort engine: %s\n engine:   %s\n expected: %s\n", what, hex(engine).c_str(),
                 hex(expected).c_str());
    std::abort();
}

// The engine's in-memory path, from bytes to the bytes it would write.
reference::SortResult sortWithEngine(std::string_view data)
{
    const support::RecordOrder order = support::orderRecords(data);
    if (order.unreadable)
        return {{}, std::nullopt, {}, order.unreadable};
    if (const auto &repeat = order.firstRepeat)
        return {{}, repeat->lineNumber, ostrel::duplicateKeyOutcome(repeat->lineNumber, repeat->line, order.reading).message,
                std::nullopt};
    return {order.output(), std::nullopt, ostrel::sortedOutcome().message, std::nullopt};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const std::string_view data(reinterpret_cast<const char *>(bytes), size);
    const reference::SortResult expected = reference::sortRecordByRecord(data);
    const reference::SortResult engine = sortWithEngine(data);
    if (engine.unreadable != expected.unreadable)
        fail("different reading", engine.unreadable.value_or(""), expected.unreadable.value_or(""));
    if (engine.failedLine != expected.failedLine)
        fail("different failure line", std::to_string(engine.failedLine.value_or(0)),
             std::to_string(expected.failedLine.value_or(0)));
    if (engine.message != expected.message)
        fail("different message", engine.message, expected.message);
    if (engine.output != expected.output)
        fail("different output", engine.output, expected.output);
    return 0;
}
