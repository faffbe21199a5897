#include "pictureheader.h"

#include <utility>

namespace platform {

namespace {

// The unsigned number of `width` bytes at `at`, most significant first unless `little`;
// nothing when the bytes end before it.
std::optional<quint32> numberAt(QByteArrayView bytes, qsizetype at, int width, bool little = false)
{
    if (at < 0 || at + width > bytes.size())
        return std::nullopt;
    quint32 value = 0;
    for (int i = 0; i < width; ++i)
        value = (value << 8) | static_cast<uchar>(bytes[at + (little ? width - 1 - i : i)]);
    return value;
}

// Whether an Exif block (a TIFF structure) orients the picture a quarter turn: its first
// directory's orientation is 5 to 8 (each with or without a mirroring). A block that
// cannot be read turns nothing, as for the image reader.
bool exifTurns(QByteArrayView tiff)
{
    const bool little = tiff.startsWith("II");
    if (!little && !tiff.startsWith("MM"))
        return false;
    const std::optional<quint32> directory = numberAt(tiff, 4, 4, little);
    const std::optional<quint32> entries = directory ? numberAt(tiff, *directory, 2, little) : std::nullopt;
    for (quint32 i = 0; entries && i < *entries; ++i) {
        const qsizetype entry = qsizetype(*directory) + 2 + 12 * qsizetype(i);
        const std::optional<quint32> tag = numberAt(tiff, entry, 2, little);
        if (!tag)
            return false;
        if (*tag == 0x0112) {
            const std::optional<quint32> orientation = numberAt(tiff, entry + 8, 2, little);
            return orientation && *orientation >= 5 && *orientation <= 8;
        }
    }
    return false;
}

// Frames of the kinds libjpeg decodes: baseline, extended, progressive, arithmetic.
bool isReadableFrame(uchar marker)
{
    return marker == 0xC0 || marker == 0xC1 || marker == 0xC2 || marker == 0xC9 || marker == 0xCA;
}

bool isOtherFrame(uchar marker)
{
    return marker >= 0xC3 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The markers up to the frame header: its size, and the orientation of the Exif block
// before it. As for the image reader, only the first APP1 segment can be that block.
std::optional<PictureHeader> jpegHeader(QByteArrayView bytes)
{
    constexpr quint32 kLargestSide = 65500;  // libjpeg's own bound
    bool turned = false;
    bool firstApp1 = true;
    qsizetype at = 2;
    while (at + 4 <= bytes.size()) {
        const uchar marker = static_cast<uchar>(bytes[at + 1]);
        if (static_cast<uchar>(bytes[at]) != 0xFF)
            return std::nullopt;
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // markers without a segment
            at += 2;
            continue;
        }
        const qsizetype length = *numberAt(bytes, at + 2, 2);
        const qsizetype body = at + 4;
        const qsizetype end = at + 2 + length;
        if (length < 2 || marker == 0xDA || marker == 0xD9 || isOtherFrame(marker))
            return std::nullopt;
        if (isReadableFrame(marker)) {
            const std::optional<quint32> height = numberAt(bytes, body + 1, 2);
            const std::optional<quint32> width = numberAt(bytes, body + 3, 2);
            if (!height || !width || *height == 0 || *width == 0 || *height > kLargestSide || *width > kLargestSide)
                return std::nullopt;
            return PictureHeader{"jpeg", QSize(int(*width), int(*height)), turned};
        }
        if (marker == 0xE1 && std::exchange(firstApp1, false) && length >= 8 &&
            bytes.sliced(body).startsWith(QByteArrayView("Exif\0\0", 6))) {
            if (end > bytes.size())
                return std::nullopt;  // its orientation lies beyond the bytes given
            turned = exifTurns(bytes.sliced(body + 6, end - body - 6));
        }
        at = end;
    }
    return std::nullopt;
}

std::optional<PictureHeader> pngHeader(QByteArrayView bytes)
{
    constexpr quint32 kLargestSide = 1'000'000;  // libpng's own bound
    const std::optional<quint32> width = numberAt(bytes, 16, 4);
    const std::optional<quint32> height = numberAt(bytes, 20, 4);
    if (bytes.sliced(12, 4) != "IHDR" || !width || !height || *width == 0 || *height == 0 || *width > kLargestSide ||
        *height > kLargestSide)
        return std::nullopt;
    return PictureHeader{"png", QSize(int(*width), int(*height)), false};
}

}  // namespace

std::optional<PictureHeader> PictureHeader::read(QByteArrayView bytes)
{
    if (bytes.startsWith("\xFF\xD8"))
        return jpegHeader(bytes);
    if (bytes.size() >= 24 && bytes.startsWith(QByteArrayView("\x89PNG\r\n\x1A\n", 8)))
        return pngHeader(bytes);
    return std::nullopt;
}

}  // namespace platform
