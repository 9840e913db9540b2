#include "runtime/text_survey.h"

#include "runtime/parallel.h"

#include <algorithm>
#include <functional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ostrel {

namespace {

// Below this, threads cost more than they save.
constexpr std::int64_t bytesPerWorker = 4 * 1024 * 1024;

// A line starts after every LF, and after every CR that is not the first half
// of CR LF; so whether one starts at a byte depends on the byte before it,
// which the scan carries along.
class StretchScan
{
public:
    StretchScan(std::string_view text, std::int64_t begin)
    {
        // The first line starts at the very beginning, as if after an LF.
        const char before = begin == 0 ? '\n' : text[std::size_t(begin - 1)];
        afterLf = before == '\n';
        afterCr = before == '\r';
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
        // Each block is compared with the same bytes one earlier, so a line
        // start is found from two loads, and counted in byte-wide counters.
        const __m128i lf = _mm_set1_epi8('\n');
        const __m128i cr = _mm_set1_epi8('\r');
        const __m128i marks = _mm_set1_epi8(endOfFileMark);
        __m128i counters = _mm_setzero_si128();
        __m128i seen = _mm_setzero_si128();
        int blocksCounted = 0;
        const auto addCounters = [&] {
            const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
            lineStarts += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
            counters = _mm_setzero_si128();
            blocksCounted = 0;
        };
        for (; to - from >= 16; from += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from));
            const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from - 1));
            // The block with a mark is left to the byte-by-byte scan.
            if (_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, marks)))
                break;
            const __m128i startsAfterCr = _mm_andnot_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(before, cr));
            counters = _mm_sub_epi8(counters, _mm_or_si128(_mm_cmpeq_epi8(before, lf), startsAfterCr));
            seen = _mm_or_si128(seen, bytes);
            if (++blocksCounted == 255)
                addCounters();
        }
        addCounters();
        allAscii = allAscii && _mm_movemask_epi8(seen) == 0;
        afterLf = from[-1] == '\n';
        afterCr = from[-1] == '\r';
#endif
        return scanBytes(from, to);
    }

    std::int64_t lineStarts = 0;
    bool allAscii = true;

private:
    const char *scanBytes(const char *from, const char *to)
    {
        for (; from != to && *from != endOfFileMark; ++from) {
            lineStarts += afterLf || (afterCr && *from != '\n');
            afterLf = *from == '\n';
            afterCr = *from == '\r';
            allAscii = allAscii && static_cast<unsigned char>(*from) < 0x80;
        }
        return from;
    }

    bool afterLf = false;
    bool afterCr = false;
};

} // namespace

TextSurvey surveyText(std::string_view text, unsigned stretchCount)
{
    const auto size = std::int64_t(text.size());
    stretchCount = std::max(stretchCount, 1u);
    TextSurvey survey;
    for (unsigned s = 0; s < stretchCount; ++s)
        survey.stretches.push_back({size * s / stretchCount, size * (s + 1) / stretchCount, 0});
    std::vector<std::int64_t> marks(stretchCount, size);
    std::vector<char> allAscii(stretchCount, true);
    std::vector<std::function<void()>> scans;
    for (unsigned s = 0; s < stretchCount; ++s) {
        scans.push_back([&, s] {
            TextStretch &stretch = survey.stretches[s];
            StretchScan scan(text, stretch.begin);
            const char *end = text.data() + stretch.end;
            const char *mark = scan.scan(text.data() + stretch.begin, end);
            stretch.lineStarts = scan.lineStarts;
            allAscii[s] = scan.allAscii;
            if (mark != end)
                marks[s] = mark - text.data();
        });
    }
    runInParallel(scans);
    survey.firstEndOfFileMark = *std::min_element(marks.begin(), marks.end());
    survey.allAscii = std::all_of(allAscii.begin(), allAscii.end(), [](char ascii) { return ascii; });
    return survey;
}

TextSurvey surveyText(std::string_view text)
{
    return surveyText(text, workerCount(std::int64_t(text.size()), bytesPerWorker));
}

} // namespace ostrel
