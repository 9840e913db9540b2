#include "runtime/text_survey.h"

#include "runtime/parallel.h"

#include <algorithm>
#include <bit>
#include <functional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ostrel {

namespace {

constexpr char endOfFileMark = '\x1a';
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
#if defined(__SSE2__)
        const auto matches = [](__m128i bytes, char byte) {
            return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(byte))));
        };
        for (; to - from >= 32; from += 32) {
            const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from));
            const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + 16));
            if (const unsigned marks = matches(low, endOfFileMark) | matches(high, endOfFileMark) << 16)
                return scanBytes(from, from + std::countr_zero(marks));
            const std::uint64_t lf = matches(low, '\n') | std::uint64_t(matches(high, '\n')) << 16;
            const std::uint64_t cr = matches(low, '\r') | std::uint64_t(matches(high, '\r')) << 16;
            const std::uint64_t startsAfterLf = lf << 1 | std::uint64_t(afterLf);
            const std::uint64_t startsAfterCr = (cr << 1 | std::uint64_t(afterCr)) & ~lf;
            lineStarts += std::popcount((startsAfterLf | startsAfterCr) & 0xffffffffu);
            afterLf = lf >> 31;
            afterCr = cr >> 31;
        }
#endif
        return scanBytes(from, to);
    }

    std::int64_t lineStarts = 0;

private:
    const char *scanBytes(const char *from, const char *to)
    {
        for (; from != to && *from != endOfFileMark; ++from) {
            lineStarts += afterLf || (afterCr && *from != '\n');
            afterLf = *from == '\n';
            afterCr = *from == '\r';
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
    std::vector<std::function<void()>> scans;
    for (unsigned s = 0; s < stretchCount; ++s) {
        scans.push_back([&, s] {
            TextStretch &stretch = survey.stretches[s];
            StretchScan scan(text, stretch.begin);
            const char *end = text.data() + stretch.end;
            const char *mark = scan.scan(text.data() + stretch.begin, end);
            stretch.lineStarts = scan.lineStarts;
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
    return surveyText(text, workerCount(std::int64_t(text.size()), bytesPerWorker));
}

} // namespace ostrel
