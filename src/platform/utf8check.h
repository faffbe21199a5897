#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace platform {

// The check every subtitle text passes before it reaches a record or a movie
// file, whether it was read from disk or downloaded. Walks the bytes by their
// UTF-8 bit patterns (overlong forms pass); the first byte that does not fit
// gives "Error: Found a non UTF-8 character '0x%02x' in srt data" with that
// byte. No value means the bytes are fine.
std::optional<QString> checkSrtUTF8(QByteArrayView bytes);

}  // namespace platform
