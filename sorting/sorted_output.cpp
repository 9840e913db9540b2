#include "sorting/sorted_output.h"

#include "runtime/parallel.h"
#include "sorting/repeated_keys.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <mutex>
#include <vector>

namespace ostrel {

namespace {

constexpr std::string_view lineEnd = "\r\n";
// Large enough that each write moves a lot; small enough to stay in cache.
constexpr std::size_t blockSize = 1024 * 1024;
// A small output is written in smaller blocks: each page of a block costs a
// fault when first filled, which a short run would not earn back.
constexpr std::int64_t blocksInSmallOutput = 16;
constexpr std::int64_t smallestBlock = 64 * 1024;

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

// Gathers the lines of places [first, last), each with CR LF, into the
// block and hands on each full block with its offset in the output.
Result<void> writeLines(const RecordSorter &sorter, std::int64_t first, std::int64_t last, std::int64_t offset,
                        std::span<char> block, OutputFile &output)
{
    std::size_t used = 0;
    Result<void> written;
    const auto append = [&](std::string_view bytes) {
        while (!bytes.empty()) {
            if (used == block.size()) {
                if (!(written = output.write(offset, {block.data(), used})))
                    return false;
                offset += std::int64_t(used);
                used = 0;
            }
            const std::size_t chunk = std::min(bytes.size(), block.size() - used);
            std::memcpy(block.data() + used, bytes.data(), chunk);
            used += chunk;
            bytes.remove_prefix(chunk);
        }
        return true;
    };
    for (std::int64_t place = first; place < last; ++place) {
        if (place + prefetchDistance < last)
            prefetch(sorter.line(place + prefetchDistance));
        if (!append(sorter.line(place)) || !append(lineEnd))
            return written;
    }
    if (used > 0)
        return output.write(offset, {block.data(), used});
    return {};
}

// Room to gather lines in, left unfilled: every byte is written before it
// is read.
class Block
{
public:
    explicit Block(std::int64_t outputBytes)
        : size(std::size_t(std::clamp<std::int64_t>(
              std::clamp(outputBytes / blocksInSmallOutput, smallestBlock, std::int64_t(blockSize)), 1,
              std::max<std::int64_t>(outputBytes, 1)))),
          bytes(std::make_unique_for_overwrite<char[]>(size))
    {
    }
    operator std::span<char>() const { return {bytes.get(), size}; }

private:
    std::size_t size;
    std::unique_ptr<char[]> bytes;
};

Result<void> writeInOrder(RecordSorter &sorter, std::string_view leadingBytes, OutputFile &output)
{
    // Nothing reaches a stream or device that could not be taken back afterwards.
    const Block block(sorter.outputBytes());
    if (firstRepeatedRecord(sorter))
        return {};
    if (Result<void> written = output.write(0, leadingBytes); !written)
        return written;
    return writeLines(sorter, 0, sorter.recordCount(), std::int64_t(leadingBytes.size()), block, output);
}

Result<void> writeWhileSorting(RecordSorter &sorter, std::string_view leadingBytes, OutputFile &output)
{
    if (Result<void> written = output.write(0, leadingBytes); !written)
        return written;
    const unsigned workers = std::max(workerCount(sorter.outputBytes(), writtenBytesPerWorker),
                                      workerCount(sorter.recordCount(), recordsPerWorker));
    // Allocated here, so that running out of memory is reported, never met in a thread.
    std::vector<Block> blocks;
    for (unsigned w = 0; w < workers; ++w)
        blocks.emplace_back(sorter.outputBytes());
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
            while (const auto stretch = sorter.sortNextStretch()) {
                if (failed())
                    continue;
                const std::int64_t offset = std::int64_t(leadingBytes.size()) + stretch->lineBytesBefore
                                            + std::int64_t(lineEnd.size()) * stretch->first;
                if (Result<void> written = writeLines(sorter, stretch->first, stretch->last, offset, blocks[w], output);
                    !written) {
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

} // namespace

Result<void> writeSortedRecords(RecordSorter &sorter, std::string_view leadingBytes, OutputFile &output)
{
    return output.writesAnywhere() ? writeWhileSorting(sorter, leadingBytes, output)
                                   : writeInOrder(sorter, leadingBytes, output);
}

} // namespace ostrel
