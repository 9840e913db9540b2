#pragma once

#include "runtime/ordered_lines.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>

namespace ostrel {

constexpr char lineEnd[] = {'\r', '\n'};
// Large enough that each write moves a lot; small enough to stay in cache.
constexpr qsizetype gatherBlockSize = 1024 * 1024;

// Lines are gathered in key order from all over the input, so without asking
// for them ahead the copy would mostly wait for memory.
constexpr qint64 prefetchDistance = 16;

inline void prefetch(QByteArrayView line)
{
#if defined(__GNUC__) || defined(__clang__)
    const qsizetype reach = std::min<qsizetype>(line.size(), 256);
    for (qsizetype offset = 0; offset < reach; offset += 64)
        __builtin_prefetch(line.data() + offset);
#else
    Q_UNUSED(line);
#endif
}

// Gathers lines, each with CR LF, into large blocks and hands each full block on.
// The block is the caller's, so that running out of memory happens where it
// can be reported, never inside a worker thread.
template <typename Sink>
bool gatherLines(const OrderedLines &lines, qint64 first, qint64 last, QByteArray &block, Sink &&writeBlock)
{
    qsizetype used = 0;
    const auto append = [&](const char *bytes, qsizetype size) {
        while (size > 0) {
            if (used == block.size()) {
                if (!writeBlock(block.constData(), used))
                    return false;
                used = 0;
            }
            const qsizetype chunk = std::min(size, block.size() - used);
            std::memcpy(block.data() + used, bytes, size_t(chunk));
            used += chunk;
            bytes += chunk;
            size -= chunk;
        }
        return true;
    };
    for (qint64 i = first; i < last; ++i) {
        if (i + prefetchDistance < last)
            prefetch(lines.line(i + prefetchDistance));
        const QByteArrayView line = lines.line(i);
        if (!append(line.data(), line.size()) || !append(lineEnd, sizeof lineEnd))
            return false;
    }
    return used == 0 || writeBlock(block.constData(), used);
}

} // namespace ostrel
