#include "sorting/record_sort.h"

#include "runtime/parallel.h"
#include "sorting/radix_sort.h"
#include "sorting/record_key.h"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

namespace ostrel {

namespace {

// Enough stretches that writing starts early and work spreads over the
// cores; not so many that planning them takes passes of its own.
constexpr std::int64_t stretchesWanted = 8;
constexpr std::int64_t smallestStretch = 16 * 1024;

} // namespace

RecordSort::RecordSort(KeyedFile &file, std::vector<Stretch> plannedStretches)
    : keyed(file), stretches(std::move(plannedStretches))
{
}

std::int64_t RecordSort::outputBytes() const
{
    const std::int64_t lineBytes = stretches.empty() ? 0 : stretches.back().lineBytesBefore + stretches.back().lineBytes;
    return std::int64_t(keyed.byteOrderMark().size()) + lineBytes + 2 * std::int64_t(keyed.records().size());
}

std::optional<Stretch> RecordSort::sortNextStretch()
{
    const std::size_t index = nextStretch.fetch_add(1, std::memory_order_relaxed);
    if (index >= stretches.size())
        return std::nullopt;
    const Stretch &stretch = stretches[index];
    KeyedRecord *const first = keyed.records().begin();
    radixSort(first + stretch.first, first + stretch.last, stretch.sharedKeyBytes);
    if (keyed.hasPartialKeys())
        orderPartialKeys(stretch);
    return stretch;
}

// Keys longer than held that share the bytes held lie side by side, by
// length; only their whole keys, rebuilt from the lines, tell their order.
void RecordSort::orderPartialKeys(const Stretch &stretch)
{
    KeyedRecord *const last = keyed.records().begin() + stretch.last;
    for (KeyedRecord *first = keyed.records().begin() + stretch.first; first != last;) {
        KeyedRecord *end = first + 1;
        if (!first->key().isWhole()) {
            while (end != last && !end->key().isWhole() && end->key().sharesHeldBytes(first->key()))
                ++end;
        }
        if (end - first > 1) {
            std::vector<std::pair<std::string, KeyedRecord>> whole;
            for (const KeyedRecord *record = first; record != end; ++record)
                whole.emplace_back(recordKeyText(keyed.line(*record), keyed.reading()), *record);
            std::stable_sort(whole.begin(), whole.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
            for (std::size_t i = 0; i < whole.size(); ++i)
                first[i] = whole[i].second;
        }
        first = end;
    }
}

RecordSort planSort(KeyedFile &file)
{
    const auto records = std::int64_t(file.records().size());
    return {file, planStretches(file.records(), std::max(records / stretchesWanted, smallestStretch))};
}

SortedRecords sortRemaining(RecordSort &sort)
{
    const unsigned workers = workerCount(std::int64_t(sort.file().records().size()), recordsPerWorker);
    runInParallel(std::vector<std::function<void()>>(workers, [&sort] {
        while (sort.sortNextStretch()) {
        }
    }));
    return {sort.file(), sort.outputBytes()};
}

} // namespace ostrel
