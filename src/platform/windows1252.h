#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

// Text in Windows code page 1252; nullopt when a character has no form there.
std::optional<QByteArray> encodeWindows1252(const QString& text);

// Every byte decodes; the five bytes the code page leaves unassigned become
// the control characters of the same value, as Windows itself does.
QString decodeWindows1252(const QByteArray& bytes);

}  // namespace platform
