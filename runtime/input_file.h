#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <optional>

namespace ostrel {

class TruncationGuard;

// The whole input in memory: a regular file is mapped, anything else is read.
class InputContents
{
public:
    InputContents();
    explicit InputContents(QByteArray bytes);
    InputContents(const char *mapping, qint64 size, std::unique_ptr<TruncationGuard> guard);
    InputContents(InputContents &&other) noexcept;
    InputContents &operator=(InputContents &&other) noexcept;
    ~InputContents();

    QByteArrayView bytes() const { return view; }
    // True when the file shrank while mapped; the missing bytes then read as zero.
    bool truncatedWhileRead() const;

private:
    void release();

    QByteArray readBytes;
    const char *mapping = nullptr;
    qint64 mappingSize = 0;
    std::unique_ptr<TruncationGuard> guard;
    QByteArrayView view;
};

struct InputFile
{
    InputContents contents;
    std::optional<QString> failureReason;
};

// Reads the whole file, or standard input for "-". Throws std::bad_alloc when
// it does not fit in memory.
InputFile readInputFile(const QString &path);

} // namespace ostrel
