#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace ostrel {

// A run's message as a person reads it: CR LF becomes a line break. Record
// bytes are decoded as their line was read: UTF-8, or code page 1252, the
// ANSI code page the programs writing route files use. A message without
// record bytes has each line decoded as UTF-8 where it is valid UTF-8 and as
// 1252 otherwise, so no byte is ever dropped.
QString messageText(QByteArrayView message, std::optional<unsigned> recordCodePage = std::nullopt);

} // namespace ostrel
