#include "runtime/text_survey.h"

#include "runtime/line_scanner.h"
#include "runtime/parallel.h"

#include <algorithm>
#include <functional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ostrel {

namespace {

// Whether a line starts at a byte depends on the byte before it, which the
// scan carries along.
class PartScan
{
public:
    PartScan(std::string_view text, std::int64_t begin)
        // The first line starts at the very beginning, as if after an LF.
        : before(begin == 0 ? '\n' : text[std::size_t(begin - 1)])
    {
    }

    // The first mark in [from, to), or `to`; the line starts before it counted.
    const char *scan(const char *from, const char *to)
    {
        if (from == to)
            return to;
        // The first byte alone, so that every block has a byte before it.
        if (const char *mark = scanBytes(from, from + 1); mark != from + 1)
            return mark;
        ++from;
#if defined(__SSE2__)
        // endsLine for sixteen bytes at once: each block is compared with the
        // same bytes one earlier, and line starts are counted in byte-wide
        // counters.
        const __m128i lf = _mm_set1_epi8('\n');
        const __m128i cr = _mm_set1_epi8('\r');
        const __m128i marks = _mm_set1_epi8(endOfFileMark);
        __m128i counters = _mm_setzero_si128();
        int blocksCounted = 0;
        const auto addCounters = [&] {
            const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
            lineCount += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
            counters = _mm_setzero_si128();
            blocksCounted = 0;
        };
        for (; to - from >= 16; from += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from));
            const __m128i previous = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from - 1));
            // The block with a mark is left to the byte-by-byte scan.
            if (_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, marks)))
                break;
            const __m128i startsAfterCr = _mm_andnot_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(previous, cr));
            counters = _mm_sub_epi8(counters, _mm_or_si128(_mm_cmpeq_epi8(previous, lf), startsAfterCr));
            if (++blocksCounted == 255)
                addCounters();
        }
        addCounters();
        before = from[-1];
#endif
        return scanBytes(from, to);
    }

    std::int64_t lineCount = 0;

private:
    const char *scanBytes(const char *from, const char *to)
    {
        for (; from != to && *from != endOfFileMark; ++from) {
            lineCount += endsLine(before, *from);
            before = *from;
        }
        return from;
    }

    char before;
};

} // namespace

TextSurvey surveyText(std::string_view text, unsigned partCount)
{
    const auto size = std::int64_t(text.size());
    partCount = std::max(partCount, 1u);
    TextSurvey survey;
    std::int64_t begin = 0;
    for (unsigned s = 1; s <= partCount; ++s) {
        const std::int64_t end = lineStartAtOrAfter(text, size * s / partCount);
        survey.parts.push_back({begin, end, 0});
        begin = end;
    }
    std::vector<std::int64_t> marks(partCount, size);
    std::vector<std::function<void()>> scans;
    for (unsigned s = 0; s < partCount; ++s) {
        scans.push_back([&, s] {
            TextPart &part = survey.parts[s];
            PartScan scan(text, part.begin);
            const char *end = text.data() + part.end;
            const char *mark = scan.scan(text.data() + part.begin, end);
            part.lineCount = scan.lineCount;
            if (mark != end)
                marks[s] = mark - text.data();
        });
    }
    runInParallel(scans);
    survey.firstEndOfFileMark = *std::min_element(marks.begin(), marks.end());
    return survey;
}

TextSurvey surveyText(std::string_view text)
{
    return surveyText(text, workerCount(std::int64_t(text.size()), surveyedBytesPerWorker));
}

} // namespace ostrel
