#include "utf8check.h"

namespace platform {

namespace {

// Number of continuation bytes a lead byte announces; -1 for a byte that cannot start a character.
int continuationCount(unsigned char lead)
{
    if (lead < 0x80)
        return 0;
    if ((lead & 0xE0) == 0xC0)
        return 1;
    if ((lead & 0xF0) == 0xE0)
        return 2;
    if ((lead & 0xF8) == 0xF0)
        return 3;
    return -1;
}

}  // namespace

std::optional<QString> checkSrtUTF8(QByteArrayView bytes)
{
    const qsizetype size = bytes.size();
    qsizetype position = 0;
    while (position < size) {
        const auto lead = static_cast<unsigned char>(bytes[position]);
        const int following = continuationCount(lead);
        bool fits = following >= 0;
        for (int i = 1; fits && i <= following; ++i) {
            // A byte past the end counts as 0, which is never a continuation byte.
            const auto next = position + i < size ? static_cast<unsigned char>(bytes[position + i]) : 0;
            fits = (next & 0xC0) == 0x80;
        }
        if (!fits)
            return QStringLiteral("Error: Found a non UTF-8 character '0x%1' in srt data")
                .arg(lead, 2, 16, QLatin1Char('0'));
        position += following + 1;
    }
    return std::nullopt;
}

}  // namespace platform
