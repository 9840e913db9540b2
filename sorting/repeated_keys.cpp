#include "sorting/repeated_keys.h"

#include "runtime/line_scanner.h"

#include <algorithm>

namespace ostrel {

namespace {

struct Repeat
{
    const KeyedRecord *record;
    const KeyedRecord *first;
};

// Line numbers for the given line starts, in one pass over the input rather
// than one count from the top for each.
class LineNumbers
{
public:
    LineNumbers(std::string_view input, std::vector<std::int64_t> starts) : lineStarts(std::move(starts))
    {
        std::sort(lineStarts.begin(), lineStarts.end());
        lineStarts.erase(std::unique(lineStarts.begin(), lineStarts.end()), lineStarts.end());
        std::int64_t number = 1;
        std::int64_t counted = 0;
        for (const std::int64_t start : lineStarts) {
            number += countLines(input, counted, start);
            counted = start;
            numbers.push_back(number);
        }
    }

    std::int64_t of(std::int64_t lineStart) const
    {
        const auto found = std::lower_bound(lineStarts.begin(), lineStarts.end(), lineStart);
        return numbers[std::size_t(found - lineStarts.begin())];
    }

private:
    std::vector<std::int64_t> lineStarts;
    std::vector<std::int64_t> numbers;
};

// Each record whose key an earlier record holds, with the first that holds
// it. Equal keys lie side by side once sorted, in input order.
std::vector<Repeat> repeatsInKeyOrder(const SortedRecords &sorted)
{
    std::vector<Repeat> repeats;
    for (const KeyedRecord *first = sorted.begin(); first != sorted.end();) {
        const KeyedRecord *next = first + 1;
        for (; next != sorted.end() && sorted.file().sameKey(*next, *first); ++next)
            repeats.push_back({next, first});
        first = next;
    }
    return repeats;
}

bool inputOrder(const Repeat &a, const Repeat &b)
{
    return a.record->lineStart() < b.record->lineStart();
}

std::vector<RepeatedRecord> numbered(std::string_view input, const std::vector<Repeat> &repeats)
{
    std::vector<std::int64_t> starts;
    for (const Repeat &repeat : repeats) {
        starts.push_back(repeat.record->lineStart());
        starts.push_back(repeat.first->lineStart());
    }
    const LineNumbers numbers(input, std::move(starts));
    std::vector<RepeatedRecord> listed;
    for (const Repeat &repeat : repeats)
        listed.push_back({numbers.of(repeat.record->lineStart()), numbers.of(repeat.first->lineStart()),
                          repeat.record->line(input)});
    return listed;
}

} // namespace

std::vector<RepeatedRecord> listRepeatedRecords(const SortedRecords &sorted)
{
    std::vector<Repeat> repeats = repeatsInKeyOrder(sorted);
    std::sort(repeats.begin(), repeats.end(), inputOrder);
    return numbered(sorted.file().text(), repeats);
}

std::optional<RepeatedRecord> firstRepeatedRecord(const SortedRecords &sorted)
{
    const std::vector<Repeat> repeats = repeatsInKeyOrder(sorted);
    if (repeats.empty())
        return std::nullopt;
    return numbered(sorted.file().text(), {*std::min_element(repeats.begin(), repeats.end(), inputOrder)}).front();
}

} // namespace ostrel
