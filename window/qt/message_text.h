#pragma once

#include <QByteArrayView>
#include <QString>

namespace ostrel {

// A run's message as a person reads it: CR LF becomes a line break, and each
// line is UTF-8 when it is valid UTF-8 and Latin-1 otherwise, so record bytes
// in any encoding show without a character dropped. Line by line, because a
// key column can cut a multi-byte character that the name line holds whole.
QString messageText(QByteArrayView message);

} // namespace ostrel
