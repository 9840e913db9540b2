#include "runtime/text_body.h"

#include "runtime/line_scanner.h"
#include "runtime/parallel.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace ostrel {

namespace {

constexpr std::string_view utf8ByteOrderMark = "\xef\xbb\xbf";
constexpr char endOfFileMark = '\x1a';

// Below this, threads cost more than they save.
constexpr std::int64_t bytesPerWorker = 4 * 1024 * 1024;

// The search is the first pass over a freshly opened file, so it also brings
// the file into memory: on all cores, it does both in a fraction of the time.
std::int64_t firstEndOfFileMark(std::string_view bytes)
{
    const auto size = std::int64_t(bytes.size());
    const unsigned workers = workerCount(size, bytesPerWorker);
    std::vector<std::int64_t> found(workers, size);
    std::vector<std::function<void()>> searches;
    for (unsigned w = 0; w < workers; ++w) {
        searches.push_back([&, w] {
            const char *from = bytes.data() + size * w / workers;
            const char *to = bytes.data() + size * (w + 1) / workers;
            const char *mark = firstOf<endOfFileMark>(from, to);
            found[w] = mark == to ? size : mark - bytes.data();
        });
    }
    runInParallel(searches);
    return *std::min_element(found.begin(), found.end());
}

} // namespace

TextBody textBody(std::string_view fileBytes)
{
    if (fileBytes.starts_with("\xff\xfe") || fileBytes.starts_with("\xfe\xff"))
        return {{}, {}, "The file is UTF-16 text: save it as ANSI or UTF-8 text"};
    TextBody body;
    if (fileBytes.starts_with(utf8ByteOrderMark)) {
        body.byteOrderMark = fileBytes.substr(0, utf8ByteOrderMark.size());
        fileBytes.remove_prefix(utf8ByteOrderMark.size());
    }
    if (fileBytes.ends_with(endOfFileMark))
        fileBytes.remove_suffix(1);
    if (const std::int64_t mark = firstEndOfFileMark(fileBytes); mark < std::int64_t(fileBytes.size())) {
        // Its line is one past the lines that end before it.
        const std::int64_t line = countLines(fileBytes, 0, mark) + 1;
        return {{}, {}, "An end-of-file mark (Ctrl+Z) at line " + std::to_string(line) + " has more text after it"};
    }
    body.lines = fileBytes;
    return body;
}

} // namespace ostrel
