#include "sorting/sorted_runs.h"

#include "runtime/parallel.h"
#include "sorting/record_key.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <numeric>
#include <queue>
#include <span>

namespace ostrel {

namespace {

// Each record of a run: its line number and length, then its line.
constexpr std::size_t headerSize = 16;
constexpr std::string_view lineEnd = "\r\n";
// Large enough that each read or write moves a lot; runs merged at once
// share what the memory allows, none getting less than the smallest.
constexpr std::int64_t largestBuffer = 4 << 20;
constexpr std::int64_t smallestBuffer = 64 << 10;
// Enough records that a slice of a run is worth a core of its own.
constexpr std::int64_t recordsPerSlice = 1 << 16;

std::int64_t bufferFor(std::int64_t memory, std::size_t sharers)
{
    return std::clamp(memory / std::int64_t(sharers + 2), smallestBuffer, largestBuffer);
}

// A record on its way through a merge, its key rebuilt from its line.
struct MergedRecord
{
    RecordKey key;
    std::int64_t lineNumber = 0;
    std::string_view line;
    std::size_t run = 0;
};

// Ascending by key; equal keys in input order. Keys longer than held are
// told apart by their whole keys.
bool before(const MergedRecord &a, const MergedRecord &b, const TextReading &reading)
{
    if (const auto order = a.key <=> b.key; order != 0)
        return order < 0;
    if (!a.key.isWhole()) {
        if (const int order = recordKeyText(a.line, reading).compare(recordKeyText(b.line, reading)); order != 0)
            return order < 0;
    }
    return a.lineNumber < b.lineNumber;
}

// Records were keyed in input order, so a line's number is its place among the starts.
std::int64_t lineIndex(const std::vector<std::int64_t> &starts, std::int64_t start)
{
    return std::lower_bound(starts.begin(), starts.end(), start) - starts.begin();
}

} // namespace

// Gathers records into a run file.
class SortedRuns::Writer
{
public:
    Writer(TemporaryFile &file, std::int64_t bufferBytes, std::int64_t offset = 0) : into(file), start(offset)
    {
        buffer.reserve(std::size_t(bufferBytes));
    }

    Result<void> put(std::int64_t lineNumber, std::string_view line)
    {
        const std::int64_t header[2] = {lineNumber, std::int64_t(line.size())};
        if (buffer.size() + headerSize + line.size() > buffer.capacity()) {
            if (Result<void> flushed = flush(); !flushed)
                return flushed;
        }
        buffer.append(reinterpret_cast<const char *>(header), headerSize);
        if (line.size() > buffer.capacity())
            return flushThen(line);
        buffer.append(line);
        return {};
    }

    Result<void> flush()
    {
        Result<void> appended = into.writeAt(start + written, buffer);
        written += std::int64_t(buffer.size());
        buffer.clear();
        return appended;
    }

    std::int64_t bytes() const { return written + std::int64_t(buffer.size()); }

private:
    // A line larger than the buffer goes straight to the file.
    Result<void> flushThen(std::string_view line)
    {
        if (Result<void> flushed = flush(); !flushed)
            return flushed;
        Result<void> direct = into.writeAt(start + written, line);
        written += std::int64_t(line.size());
        return direct;
    }

    TemporaryFile &into;
    const std::int64_t start;
    std::string buffer;
    std::int64_t written = 0;
};

// Reads a run's records back in order.
class SortedRuns::Reader
{
public:
    Reader(const Run &run, std::int64_t bufferBytes) : from(run), buffer(std::size_t(bufferBytes), '\0') {}

    // The next record, its line valid until the next call; empty at the end.
    Result<std::optional<MergedRecord>> next(const TextReading &reading)
    {
        if (Result<bool> got = have(headerSize); !got || !*got)
            return got ? Result<std::optional<MergedRecord>>(std::nullopt) : got.failure();
        std::int64_t header[2];
        std::memcpy(header, buffer.data() + used, headerSize);
        used += headerSize;
        const auto length = std::size_t(header[1]);
        if (Result<bool> got = have(length); !got || !*got)
            return got ? Failure{"A sorted run ends early"} : got.failure();
        const std::string_view line(buffer.data() + used, length);
        used += length;
        return std::optional<MergedRecord>(
            MergedRecord{BuildRecordKey(line, lineForm(line, reading), reading), header[0], line, 0});
    }

private:
    // Whether `bytes` more are in the buffer, reading on where they are not.
    Result<bool> have(std::size_t bytes)
    {
        if (filled - used >= bytes)
            return true;
        std::memmove(buffer.data(), buffer.data() + used, filled - used);
        filled -= used;
        used = 0;
        if (bytes > buffer.size())
            buffer.resize(bytes);
        const auto wanted = std::size_t(std::min<std::int64_t>(std::int64_t(buffer.size() - filled), from.bytes - offset));
        Result<std::size_t> got = from.file->readAt(offset, {buffer.data() + filled, wanted});
        if (!got)
            return got.failure();
        filled += *got;
        offset += std::int64_t(*got);
        return filled >= bytes;
    }

    const Run &from;
    std::string buffer;
    std::size_t used = 0;
    std::size_t filled = 0;
    std::int64_t offset = 0;
};

namespace {

// Hands the records of the readers to `take` in key order.
template <class Reader, class Take>
Result<void> mergeInto(std::vector<Reader> &readers, const TextReading &reading, Take &&take)
{
    const auto later = [&](const MergedRecord &a, const MergedRecord &b) { return before(b, a, reading); };
    std::priority_queue<MergedRecord, std::vector<MergedRecord>, decltype(later)> heads(later);
    const auto advance = [&](std::size_t run) -> Result<void> {
        Result<std::optional<MergedRecord>> next = readers[run].next(reading);
        if (!next)
            return next.failure();
        if (*next) {
            (*next)->run = run;
            heads.push(**next);
        }
        return {};
    };
    for (std::size_t run = 0; run < readers.size(); ++run) {
        if (Result<void> started = advance(run); !started)
            return started;
    }
    while (!heads.empty()) {
        const MergedRecord least = heads.top();
        heads.pop();
        if (Result<void> taken = take(least); !taken)
            return taken;
        if (Result<void> advanced = advance(least.run); !advanced)
            return advanced;
    }
    return {};
}

// Tells, record by record in key order, which repeat an earlier key.
class RepeatWatch
{
public:
    RepeatWatch(const TextReading &reading, bool everyRepeat) : read(reading), every(everyRepeat) {}

    void see(const MergedRecord &record, std::vector<MergedRepeat> &repeats)
    {
        if (seen && record.key == key && (key.isWhole() || recordKeyText(record.line, read) == wholeKey)) {
            MergedRepeat repeat{record.lineNumber, firstLineNumber, std::string(record.line)};
            if (every)
                repeats.push_back(std::move(repeat));
            else if (repeats.empty() || repeat.lineNumber < repeats.front().lineNumber)
                repeats = {std::move(repeat)};
            return;
        }
        seen = true;
        key = record.key;
        firstLineNumber = record.lineNumber;
        if (!key.isWhole())
            wholeKey = recordKeyText(record.line, read);
    }

private:
    const TextReading &read;
    bool every;
    bool seen = false;
    RecordKey key;
    std::string wholeKey;
    std::int64_t firstLineNumber = 0;
};

} // namespace

// Each line is held with a header instead of its line end.
std::int64_t SortedRuns::sizeFor(std::int64_t bytes, double linesPerByte)
{
    return std::int64_t(double(bytes) * (1 + double(headerSize) * linesPerByte));
}

Result<void> SortedRuns::checkSpace(std::int64_t bytes) const
{
    std::error_code error;
    const std::filesystem::space_info space = std::filesystem::space(place, error);
    if (error)
        return Failure{error.message()};
    const auto megabytes = [](std::int64_t size) { return std::to_string((size + (1 << 20) - 1) >> 20) + " MB"; };
    if (std::int64_t(space.available) < bytes)
        return Failure{"Not enough free space for the sorted runs: " + megabytes(bytes) + " needed, "
                       + megabytes(std::int64_t(space.available)) + " free"};
    return {};
}

// Each core gathers a slice of the records and writes it at its own place in
// the run, once every slice's size is known.
Result<void> SortedRuns::add(const SortedRecords &sorted, const std::vector<std::int64_t> &lineStarts,
                             std::int64_t firstLineNumber)
{
    Result<std::unique_ptr<TemporaryFile>> file = TemporaryFile::create(place, held);
    if (!file)
        return file.failure();
    const auto inOrder = std::span(sorted.begin(), sorted.end());
    const unsigned slices = workerCount(std::int64_t(inOrder.size()), recordsPerSlice);
    const auto slice = [&](unsigned s) {
        const std::size_t first = inOrder.size() * s / slices;
        return inOrder.subspan(first, inOrder.size() * (s + 1) / slices - first);
    };
    // Where each slice starts in the run, and where the run ends.
    std::vector<std::int64_t> starts(slices + 1, 0);
    std::vector<std::function<void()>> jobs;
    for (unsigned s = 0; s < slices; ++s) {
        jobs.push_back([&, s] {
            for (const KeyedRecord &record : slice(s))
                starts[s + 1] += std::int64_t(headerSize) + record.lineLength();
        });
    }
    runInParallel(jobs);
    std::partial_sum(starts.begin(), starts.end(), starts.begin());
    // Made here, so that running out of memory is reported, never met in a
    // thread; together no larger than one run's buffer, whatever the cores.
    std::vector<Writer> writers;
    for (unsigned s = 0; s < slices; ++s)
        writers.emplace_back(**file, std::max(largestBuffer / slices, smallestBuffer), starts[s]);
    std::vector<Result<void>> written(slices);
    jobs.clear();
    for (unsigned s = 0; s < slices; ++s) {
        jobs.push_back([&, s] {
            const auto part = slice(s);
            for (std::size_t at = 0; at < part.size() && written[s]; ++at) {
                written[s] = writers[s].put(firstLineNumber + lineIndex(lineStarts, part[at].lineStart()),
                                            sorted.file().line(part[at]));
            }
            if (written[s])
                written[s] = writers[s].flush();
        });
    }
    runInParallel(jobs);
    for (const Result<void> &slicePut : written) {
        if (!slicePut)
            return slicePut;
    }
    lineBytes += starts.back() - std::int64_t(headerSize * inOrder.size());
    records += std::int64_t(inOrder.size());
    runs.push_back({std::move(*file), starts.back()});
    return {};
}

// Consecutive runs merged together keep equal keys in input order.
Result<void> SortedRuns::mergeGroups(const TextReading &reading)
{
    const auto fanIn = std::size_t(std::max<std::int64_t>(2, bound / (4 * smallestBuffer)));
    while (runs.size() > fanIn) {
        std::vector<Run> merged;
        for (std::size_t first = 0; first < runs.size(); first += fanIn) {
            const std::size_t last = std::min(first + fanIn, runs.size());
            Result<std::unique_ptr<TemporaryFile>> file = TemporaryFile::create(place, held);
            if (!file)
                return file.failure();
            std::vector<Reader> readers;
            for (std::size_t r = first; r < last; ++r)
                readers.emplace_back(runs[r], bufferFor(bound, last - first));
            Writer writer(**file, bufferFor(bound, last - first));
            Result<void> done = mergeInto(readers, reading, [&](const MergedRecord &record) {
                return writer.put(record.lineNumber, record.line);
            });
            if (done)
                done = writer.flush();
            if (!done)
                return done;
            readers.clear();
            for (std::size_t r = first; r < last; ++r)
                runs[r].file.reset();
            merged.push_back({std::move(*file), writer.bytes()});
        }
        runs = std::move(merged);
    }
    return {};
}

Result<SortedRuns::Merged> SortedRuns::merge(const TextReading &reading, OutputFile *output,
                                             std::string_view byteOrderMark, bool everyRepeat, Progress *progress)
{
    if (Result<void> grouped = mergeGroups(reading); !grouped)
        return grouped.failure();
    beginStep(progress, Progress::Step::Merging, outputBytes());
    // The runs' buffers and the output's share the memory.
    const std::int64_t share = bufferFor(bound, runs.size());
    std::vector<Reader> readers;
    for (const Run &run : runs)
        readers.emplace_back(run, share);
    Merged merged;
    RepeatWatch repeats(reading, everyRepeat);
    std::string buffer;
    buffer.reserve(std::size_t(share));
    std::int64_t offset = 0;
    std::int64_t merging = 0;
    const auto flush = [&]() -> Result<void> {
        advanceStep(progress, merging);
        merging = 0;
        if (!output)
            return {};
        Result<void> written = output->write(offset, buffer);
        offset += std::int64_t(buffer.size());
        buffer.clear();
        return written;
    };
    if (output) {
        if (Result<void> marked = output->write(0, byteOrderMark); !marked)
            return marked.failure();
        offset = std::int64_t(byteOrderMark.size());
    }
    Result<void> done = mergeInto(readers, reading, [&](const MergedRecord &record) -> Result<void> {
        repeats.see(record, merged.repeats);
        const std::size_t bytes = record.line.size() + lineEnd.size();
        if (merging + std::int64_t(bytes) > std::int64_t(buffer.capacity()) && merging > 0) {
            if (Result<void> flushed = flush(); !flushed)
                return flushed;
        }
        merging += std::int64_t(bytes);
        if (output)
            buffer.append(record.line).append(lineEnd);
        return {};
    });
    if (done && merging > 0)
        done = flush();
    if (!done)
        return done.failure();
    // Merged into the output: deleted at once, not at the end of the run.
    if (output)
        runs.clear();
    std::sort(merged.repeats.begin(), merged.repeats.end(),
              [](const MergedRepeat &a, const MergedRepeat &b) { return a.lineNumber < b.lineNumber; });
    return merged;
}

} // namespace ostrel
