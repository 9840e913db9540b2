#include "reference/record_by_record.h"
#include "sorting/record_key.h"
#include "support/record_order.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what, std::int64_t at)
{
    std::fprintf(stderr, "line splitting: %s (at byte %lld)\n", what, static_cast<long long>(at));
    std::abort();
}

bool isTerminator(char byte)
{
    return byte == '\r' || byte == '\n';
}

// Walks the spans and the bytes between them: together they must rebuild the
// input exactly, with one terminator after every line but perhaps the last.
void checkSpans(std::string_view data, const std::vector<ostrel::LineSpan> &spans)
{
    const auto size = std::int64_t(data.size());
    std::int64_t position = 0;
    for (const ostrel::LineSpan &span : spans) {
        if (span.start != position || span.length < 0 || span.start + span.length > size)
            fail("span out of place", position);
        for (std::int64_t i = span.start; i < span.start + span.length; ++i) {
            if (isTerminator(data[std::size_t(i)]))
                fail("terminator inside a line", i);
        }
        position = span.start + span.length;
        if (position == size)
            break;
        const bool crLf = data[std::size_t(position)] == '\r' && position + 1 < size && data[std::size_t(position + 1)] == '\n';
        position += crLf ? 2 : 1;
    }
    if (position != size)
        fail("bytes left after the last line", position);
}

void checkKeys(std::string_view data, const std::vector<ostrel::LineSpan> &spans)
{
    for (const ostrel::LineSpan &span : spans) {
        const std::string_view line = data.substr(std::size_t(span.start), std::size_t(span.length));
        if (ostrel::BuildRecordKey(line).view() != reference::BuildRecordKey(std::string(line)))
            fail("key differs from the plain rule", span.start);
    }
}

// Splitting at any point must land on the line start the scan finds. Some
// points only, on long inputs: each split scans to the end of its line.
void checkSplits(std::string_view data, const std::vector<ostrel::LineSpan> &spans)
{
    const std::int64_t step = std::max<std::int64_t>(1, std::int64_t(data.size()) / 256);
    std::size_t next = 0;
    for (std::int64_t position = 0; position <= std::int64_t(data.size()); position += step) {
        while (next < spans.size() && spans[next].start < position)
            ++next;
        const std::int64_t expected = next < spans.size() ? spans[next].start : std::int64_t(data.size());
        if (ostrel::lineStartAtOrAfter(data, position) != expected)
            fail("split away from a line start", position);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const std::string_view data(reinterpret_cast<const char *>(bytes), size);
    const std::vector<ostrel::LineSpan> spans = support::splitLines(data);
    checkSpans(data, spans);
    checkKeys(data, spans);
    checkSplits(data, spans);
    return 0;
}
