#include "sorting/sorted_output.h"

#include "runtime/parallel.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace ostrel {

namespace {

constexpr std::string_view lineEnd = "\r\n";
// Large enough that each write moves a lot; small enough to stay in cache.
constexpr std::size_t bufferSize = 1024 * 1024;
// A small output is gathered in smaller buffers: each page of a buffer costs
// a fault when first filled, which a short run would not earn back.
constexpr std::int64_t buffersInSmallOutput = 16;
constexpr std::int64_t smallestBuffer = 64 * 1024;

// Lines are gathered in key order from all over the input, so without asking
// for them ahead the copy would mostly wait for memory.
constexpr std::int64_t prefetchDistance = 16;

inline void prefetch(std::string_view line)
{
#if defined(__GNUC__) || defined(__clang__)
    const std::size_t reach = std::min<std::size_t>(line.size(), 256);
    for (std::size_t offset = 0; offset < reach; offset += 64)
        __builtin_prefetch(line.data() + offset);
#endif
}

// Room to gather lines in, left unfilled: every byte is written before it
// is read.
class LineBuffer
{
public:
    explicit LineBuffer(std::int64_t outputBytes)
        : size(std::size_t(std::clamp<std::int64_t>(
              std::clamp(outputBytes / buffersInSmallOutput, smallestBuffer, std::int64_t(bufferSize)), 1,
              std::max<std::int64_t>(outputBytes, 1)))),
          bytes(std::make_unique_for_overwrite<char[]>(size))
    {
    }
    operator std::span<char>() const { return {bytes.get(), size}; }

private:
    std::size_t size;
    std::unique_ptr<char[]> bytes;
};

// Gathers the lines of records [first, last), each with CR LF, into the
// buffer and hands on each full buffer with its offset in the output.
Result<void> writeLines(const KeyedFile &file, std::int64_t first, std::int64_t last, std::int64_t offset,
                        std::span<char> buffer, OutputFile &output)
{
    const KeyedRecord *const records = file.records().begin();
    std::size_t used = 0;
    Result<void> written;
    const auto append = [&](std::string_view bytes) {
        while (!bytes.empty()) {
            if (used == buffer.size()) {
                if (!(written = output.write(offset, {buffer.data(), used})))
                    return false;
                offset += std::int64_t(used);
                used = 0;
            }
            const std::size_t chunk = std::min(bytes.size(), buffer.size() - used);
            std::memcpy(buffer.data() + used, bytes.data(), chunk);
            used += chunk;
            bytes.remove_prefix(chunk);
        }
        return true;
    };
    for (std::int64_t place = first; place < last; ++place) {
        if (place + prefetchDistance < last)
            prefetch(file.line(records[place + prefetchDistance]));
        if (!append(file.line(records[place])) || !append(lineEnd))
            return written;
    }
    if (used > 0)
        return output.write(offset, {buffer.data(), used});
    return {};
}

} // namespace

Result<void> writeWhileSorting(RecordSort &sort, OutputFile &output, Progress *progress)
{
    const KeyedFile &file = sort.file();
    const std::int64_t leadingBytes = std::int64_t(file.byteOrderMark().size());
    if (Result<void> written = output.write(0, file.byteOrderMark()); !written)
        return written;
    beginStep(progress, Progress::Step::Writing, std::int64_t(file.records().size()));
    const unsigned workers = std::max(workerCount(sort.outputBytes(), writtenBytesPerWorker),
                                      workerCount(std::int64_t(file.records().size()), recordsPerWorker));
    // Allocated here, so that running out of memory is reported, never met in a thread.
    std::vector<LineBuffer> buffers;
    for (unsigned w = 0; w < workers; ++w)
        buffers.emplace_back(sort.outputBytes());
    // Holds the first failure: later writes would only fail again.
    std::mutex resultMutex;
    Result<void> allWritten;
    const auto failed = [&] {
        const std::lock_guard lock(resultMutex);
        return !allWritten;
    };
    std::vector<std::function<void()>> jobs;
    for (unsigned w = 0; w < workers; ++w) {
        jobs.push_back([&, w] {
            while (const auto stretch = sort.sortNextStretch()) {
                if (failed())
                    continue;
                const std::int64_t offset =
                    leadingBytes + stretch->lineBytesBefore + std::int64_t(lineEnd.size()) * stretch->first;
                Result<void> written = writeLines(file, stretch->first, stretch->last, offset, buffers[w], output);
                advanceStep(progress, stretch->last - stretch->first);
                if (!written) {
                    const std::lock_guard lock(resultMutex);
                    if (allWritten)
                        allWritten = std::move(written);
                }
            }
        });
    }
    runInParallel(jobs);
    return allWritten;
}

Result<void> writeSorted(const SortedRecords &sorted, OutputFile &output, Progress *progress)
{
    const KeyedFile &file = sorted.file();
    beginStep(progress, Progress::Step::Writing, 0);
    if (Result<void> written = output.write(0, file.byteOrderMark()); !written)
        return written;
    const LineBuffer buffer(sorted.outputBytes());
    return writeLines(file, 0, std::int64_t(file.records().size()), std::int64_t(file.byteOrderMark().size()), buffer,
                      output);
}

} // namespace ostrel
