#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

class QIODevice;

namespace ostrel {

// Collects lines, each followed by CR LF, into large blocks before writing them.
class RecordWriter
{
public:
    explicit RecordWriter(QIODevice &device);

    bool writeLine(QByteArrayView line);
    bool flush();

private:
    bool writeBlock(const char *data, qint64 size);

    QIODevice &device;
    QByteArray block;
    qsizetype blockUsed = 0;
};

using LineWriting = std::function<bool(RecordWriter &)>;

// Replaces the file at path atomically: the lines go to a temporary file in the
// same folder, which is flushed to disk and then renamed over the old file. On
// any failure the old file stays as it was and the temporary file is removed.
// "-" writes standard output directly. Returns the system's reason on failure.
std::optional<QString> writeOutputFile(const QString &path, const LineWriting &writeLines);

} // namespace ostrel
