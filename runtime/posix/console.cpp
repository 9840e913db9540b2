#include "runtime/console.h"

#include <cerrno>

#include <unistd.h>

namespace ostrel {

namespace {

int descriptorOf(StandardStream stream)
{
    return stream == StandardStream::Output ? STDOUT_FILENO : STDERR_FILENO;
}

} // namespace

bool isTerminal(StandardStream stream)
{
    return ::isatty(descriptorOf(stream)) == 1;
}

void writeText(StandardStream stream, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(descriptorOf(stream), text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        text.remove_prefix(std::size_t(written));
    }
}

} // namespace ostrel
