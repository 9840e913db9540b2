#include "sorting/record_sorter.h"

#include "runtime/parallel.h"
#include "sorting/radix_sort.h"

#include <algorithm>
#include <functional>

namespace ostrel {

namespace {

// Enough stretches that writing starts early and work spreads over the
// cores; not so many that planning them takes passes of its own.
constexpr std::int64_t stretchesWanted = 8;
constexpr std::int64_t smallestStretch = 16 * 1024;

} // namespace

RecordSorter::RecordSorter(std::string_view text, KeyedInput keyedInput)
    : input(text), keyed(std::move(keyedInput)),
      stretches(planStretches(keyed, std::max(recordCount() / stretchesWanted, smallestStretch)))
{
}

std::int64_t RecordSorter::outputBytes() const
{
    const std::int64_t lineBytes = stretches.empty() ? 0 : stretches.back().lineBytesBefore + stretches.back().lineBytes;
    return lineBytes + 2 * recordCount();
}

std::optional<Stretch> RecordSorter::sortNextStretch()
{
    const std::size_t index = nextStretch.fetch_add(1, std::memory_order_relaxed);
    if (index >= stretches.size())
        return std::nullopt;
    const Stretch &stretch = stretches[index];
    radixSort(keyed.records.begin() + stretch.first, keyed.records.begin() + stretch.last, stretch.sharedKeyBytes);
    if (keyed.partialKeys > 0)
        orderPartialKeys(stretch);
    return stretch;
}

void RecordSorter::sortRemainingStretches()
{
    const unsigned workers = workerCount(recordCount(), recordsPerWorker);
    runInParallel(std::vector<std::function<void()>>(workers, [this] {
        while (sortNextStretch()) {
        }
    }));
}

// Keys longer than held that share the bytes held lie side by side, by
// length; only their whole keys, rebuilt from the lines, tell their order.
void RecordSorter::orderPartialKeys(const Stretch &stretch)
{
    KeyedRecord *const last = keyed.records.begin() + stretch.last;
    for (KeyedRecord *first = keyed.records.begin() + stretch.first; first != last;) {
        KeyedRecord *end = first + 1;
        if (!first->key().isWhole()) {
            while (end != last && !end->key().isWhole() && end->key().sharesHeldBytes(first->key()))
                ++end;
        }
        if (end - first > 1) {
            std::vector<std::pair<std::string, KeyedRecord>> whole;
            for (const KeyedRecord *record = first; record != end; ++record)
                whole.emplace_back(recordKeyText(record->line(input), keyed.reading), *record);
            std::stable_sort(whole.begin(), whole.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
            for (std::size_t i = 0; i < whole.size(); ++i)
                first[i] = whole[i].second;
        }
        first = end;
    }
}

bool RecordSorter::sameKey(const KeyedRecord &left, const KeyedRecord &right) const
{
    return left.key() == right.key()
           && (left.key().isWhole() || recordKeyText(left.line(input), keyed.reading) == recordKeyText(right.line(input), keyed.reading));
}

const RecordArray &RecordSorter::sortedRecords()
{
    sortRemainingStretches();
    return keyed.records;
}

} // namespace ostrel
