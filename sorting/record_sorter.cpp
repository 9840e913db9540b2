#include "sorting/record_sorter.h"

#include "runtime/line_scanner.h"
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
// Below this, threads cost more than they save.
constexpr std::int64_t recordsPerWorker = 64 * 1024;

} // namespace

RecordSorter::RecordSorter(std::string_view text, const std::vector<TextStretch> &lineStretches)
    : input(text), keyed(keyRecords(text, lineStretches))
{
    const auto count = std::int64_t(keyed.records.size());
    stretches = planStretches(keyed, std::max(count / stretchesWanted, smallestStretch));
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
    noteRepeats(stretch);
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

// Equal keys lie side by side, in input order, and never in two stretches,
// which differ in some key byte; so each repeat is the right one of an equal
// pair within a stretch.
void RecordSorter::noteRepeats(const Stretch &stretch)
{
    const KeyedRecord *earliest = nullptr;
    for (std::int64_t i = stretch.first + 1; i < stretch.last; ++i) {
        const KeyedRecord &record = keyed.records[std::size_t(i)];
        if (record.key() == keyed.records[std::size_t(i - 1)].key()
            && (!earliest || record.lineStart() < earliest->lineStart()))
            earliest = &record;
    }
    if (!earliest)
        return;
    const std::lock_guard lock(repeatMutex);
    if (!earliestRepeat || earliest->lineStart() < earliestRepeat->lineStart())
        earliestRepeat = earliest;
}

bool RecordSorter::repeatFound() const
{
    const std::lock_guard lock(repeatMutex);
    return earliestRepeat != nullptr;
}

std::optional<RepeatedKey> RecordSorter::firstRepeat() const
{
    const std::lock_guard lock(repeatMutex);
    if (!earliestRepeat)
        return std::nullopt;
    const std::int64_t lineNumber = countLines(input, 0, earliestRepeat->lineStart()) + 1;
    return RepeatedKey{lineNumber, earliestRepeat->line(input)};
}

} // namespace ostrel
