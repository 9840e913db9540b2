#include "reference/record_by_record.h"
#include "runtime/line_splitter.h"
#include "sorting/record_key.h"

#include <QByteArray>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what, qint64 at)
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
void checkSpans(QByteArrayView data, const std::vector<ostrel::LineSpan> &spans)
{
    qint64 position = 0;
    for (const ostrel::LineSpan &span : spans) {
        if (span.start != position || span.length < 0 || span.start + span.length > data.size())
            fail("span out of place", position);
        for (qint64 i = span.start; i < span.start + span.length; ++i) {
            if (isTerminator(data[i]))
                fail("terminator inside a line", i);
        }
        position = span.start + span.length;
        if (position == data.size())
            break;
        const bool crLf = data[position] == '\r' && position + 1 < data.size() && data[position + 1] == '\n';
        position += crLf ? 2 : 1;
    }
    if (position != data.size())
        fail("bytes left after the last line", position);
}

void checkKeys(QByteArrayView data, const std::vector<ostrel::LineSpan> &spans)
{
    for (const ostrel::LineSpan &span : spans) {
        const QByteArrayView line = data.sliced(span.start, span.length);
        const QByteArray expected = reference::BuildRecordKey(line.toByteArray());
        if (ostrel::BuildRecordKey(line).view() != expected)
            fail("key differs from the plain rule", span.start);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArrayView data(reinterpret_cast<const char *>(bytes), qsizetype(size));
    const std::vector<ostrel::LineSpan> spans = ostrel::splitLines(data);
    checkSpans(data, spans);
    checkKeys(data, spans);
    return 0;
}
