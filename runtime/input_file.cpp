#include "runtime/input_file.h"

#include "runtime/standard_streams.h"
#include "runtime/system_reason.h"
#include "runtime/truncation_guard.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <utility>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#endif

namespace ostrel {

namespace {

constexpr qint64 minimumBlock = 64 * 1024;

bool openInput(QFile &file, const QString &path)
{
    constexpr auto mode = QIODevice::ReadOnly | QIODevice::Unbuffered;
    if (path == standardStreamPath)
        return file.open(fileno(stdin), mode);
    file.setFileName(path);
    return file.open(mode);
}

InputFile readWhole(QFile &file)
{
    // One byte more than the size, so the read that finds the end needs no growth.
    const qint64 expected = file.isSequential() ? 0 : file.size();
    QByteArray contents(std::max(expected + 1, minimumBlock), Qt::Uninitialized);
    qint64 filled = 0;
    for (;;) {
        if (filled == contents.size())
            contents.resize(contents.size() * 2);
        const qint64 got = file.read(contents.data() + filled, contents.size() - filled);
        if (got < 0)
            return {InputContents(), file.errorString()};
        if (got == 0)
            break;
        filled += got;
    }
    contents.truncate(filled);
    return {InputContents(std::move(contents)), std::nullopt};
}

// Mapping shares the file's cached pages instead of copying them, which
// makes reading almost free. Empty on any obstacle; reading then takes over.
std::optional<InputContents> mapWhole(QFile &file)
{
#ifdef Q_OS_UNIX
    if (file.isSequential() || file.size() <= 0)
        return std::nullopt;
    const qint64 size = file.size();
    int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
    flags |= MAP_POPULATE;
#endif
    void *mapping = ::mmap(nullptr, size_t(size), PROT_READ, flags, file.handle(), 0);
    if (mapping == MAP_FAILED)
        return std::nullopt;
    const char *bytes = static_cast<const char *>(mapping);
    auto guard = TruncationGuard::guard(bytes, size);
    if (!guard) {
        ::munmap(mapping, size_t(size));
        return std::nullopt;
    }
    return InputContents(bytes, size, std::move(guard));
#else
    Q_UNUSED(file);
    return std::nullopt;
#endif
}

} // namespace

InputContents::InputContents() = default;

InputContents::InputContents(QByteArray bytes)
    : readBytes(std::move(bytes)), view(readBytes)
{
}

InputContents::InputContents(const char *mappingStart, qint64 size, std::unique_ptr<TruncationGuard> truncationGuard)
    : mapping(mappingStart), mappingSize(size), guard(std::move(truncationGuard)), view(mappingStart, size)
{
}

InputContents::InputContents(InputContents &&other) noexcept
{
    *this = std::move(other);
}

InputContents &InputContents::operator=(InputContents &&other) noexcept
{
    if (this != &other) {
        release();
        readBytes = std::move(other.readBytes);
        mapping = std::exchange(other.mapping, nullptr);
        mappingSize = std::exchange(other.mappingSize, 0);
        guard = std::move(other.guard);
        view = mapping ? QByteArrayView(mapping, mappingSize) : QByteArrayView(readBytes);
        other.view = {};
    }
    return *this;
}

InputContents::~InputContents()
{
    release();
}

void InputContents::release()
{
#ifdef Q_OS_UNIX
    if (mapping)
        ::munmap(const_cast<char *>(mapping), size_t(mappingSize));
#endif
    mapping = nullptr;
    guard.reset();
}

bool InputContents::truncatedWhileRead() const
{
    return guard && guard->faulted();
}

InputFile readInputFile(const QString &path)
{
    // Qt's own wording for a folder hides the system's; keep the system's.
    if (path != standardStreamPath && QFileInfo(path).isDir())
        return {InputContents(), systemReason(EISDIR)};

    QFile file;
    if (!openInput(file, path))
        return {InputContents(), file.errorString()};
    if (auto mapped = mapWhole(file))
        return {std::move(*mapped), std::nullopt};
    return readWhole(file);
}

} // namespace ostrel
