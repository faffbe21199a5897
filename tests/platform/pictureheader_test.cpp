// The header read straight from a JPEG's or PNG's first bytes against Qt's image reader,
// which reads the same pictures independently.
#include "platform/pictureheader.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

using platform::PictureHeader;

namespace {

QByteArray encoded(const char* format, bool progressive = false)
{
    QImage image(64, 32, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

QByteArray number(quint32 value, int width, bool little)
{
    QByteArray bytes;
    for (int i = width - 1; i >= 0; --i)
        bytes += char((value >> (8 * i)) & 0xFF);
    if (little)
        std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

// A TIFF structure whose first directory holds one entry: the orientation.
QByteArray exifWithOrientation(quint32 orientation, bool little)
{
    return QByteArray("Exif\0\0", 6) + (little ? QByteArray("II*\0", 4) : QByteArray("MM\0*", 4)) +
           number(8, 4, little) + number(1, 2, little) + number(0x0112, 2, little) + number(3, 2, little) +
           number(1, 4, little) + number(orientation, 2, little) + number(0, 2, little) + number(0, 4, little);
}

// `jpeg` with a segment of `marker` holding `body` right after its start.
QByteArray withSegment(const QByteArray& jpeg, char marker, const QByteArray& body)
{
    return jpeg.left(2) + '\xFF' + marker + number(quint32(body.size() + 2), 2, false) + body + jpeg.mid(2);
}

// What Qt's image reader, turning pictures upright, tells of `bytes`.
std::optional<PictureHeader> asTheImageReaderTells(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    if (!reader.canRead() || !reader.size().isValid())
        return std::nullopt;
    return PictureHeader{reader.format(), reader.size(),
                         reader.transformation().testFlag(QImageIOHandler::TransformationRotate90)};
}

}  // namespace

TEST(PictureHeader, TellsWhatTheImageReaderTells)
{
    const QByteArray jpeg = encoded("jpeg");
    QList<std::pair<QString, QByteArray>> pictures = {
        {"baseline JPEG", jpeg},
        {"progressive JPEG", encoded("jpeg", true)},
        {"Exif orientation 6, big-endian", withSegment(jpeg, '\xE1', exifWithOrientation(6, false))},
        {"an XMP block before the Exif one (which the reader then passes by)",
         withSegment(withSegment(jpeg, '\xE1', exifWithOrientation(8, true)), '\xE1', "http://ns.adobe.com/xap/1.0/")},
        {"an XMP block after the Exif one",
         withSegment(withSegment(jpeg, '\xE1', "http://ns.adobe.com/xap/1.0/"), '\xE1', exifWithOrientation(8, true))},
        {"an Exif block without an orientation",
         withSegment(jpeg, '\xE1', exifWithOrientation(6, true).replace(number(0x0112, 2, true), "\x10\x01"))},
        {"a large profile before the frame", withSegment(jpeg, '\xE2', QByteArray(9000, 'p'))},
        {"PNG", encoded("png")},
    };
    for (quint32 orientation = 0; orientation <= 9; ++orientation)
        pictures.append({QStringLiteral("Exif orientation %1").arg(orientation),
                         withSegment(jpeg, '\xE1', exifWithOrientation(orientation, true))});
    for (const auto& [what, bytes] : pictures) {
        const std::optional<PictureHeader> expected = asTheImageReaderTells(bytes);
        ASSERT_TRUE(expected) << what.toStdString();
        const std::optional<PictureHeader> header = PictureHeader::read(bytes);
        ASSERT_TRUE(header) << what.toStdString();
        EXPECT_EQ(header->format, expected->format) << what.toStdString();
        EXPECT_EQ(header->stored, expected->stored) << what.toStdString();
        EXPECT_EQ(header->turned, expected->turned) << what.toStdString();
    }
    // The reader does turn pictures by their Exif orientation: the rows above could fail.
    EXPECT_TRUE(asTheImageReaderTells(withSegment(jpeg, '\xE1', exifWithOrientation(5, true)))->turned);
}

// Bytes it cannot read to the end of their header, and kinds it does not read, it leaves to
// the image reader rather than guess.
TEST(PictureHeader, LeavesWhatItCannotTellToTheImageReader)
{
    const QByteArray jpeg = encoded("jpeg");
    const QByteArray png = encoded("png");
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    ASSERT_GT(frame, 0);
    QByteArray lossless = jpeg;
    lossless[frame + 1] = '\xC3';
    QByteArray noWidth = jpeg;
    noWidth[frame + 7] = 0;
    noWidth[frame + 8] = 0;
    const QByteArray withExif = withSegment(jpeg, '\xE1', exifWithOrientation(6, true));
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"a JPEG cut before its frame header", jpeg.left(frame)},
        {"a JPEG cut inside its frame header", jpeg.left(frame + 6)},
        {"a JPEG cut inside its Exif block", withExif.left(20)},
        {"a lossless JPEG", lossless},
        {"a JPEG of width 0", noWidth},
        {"a JPEG whose markers break off", jpeg.left(frame) + "xx" + jpeg.mid(frame)},
        {"a PNG cut inside its first chunk", png.left(20)},
        {"a PNG whose first chunk is another", QByteArray(png).replace("IHDR", "IDAT")},
        {"a GIF", encoded("gif")},
        {"no bytes", {}},
        {"text", "JPEG or PNG?"},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(PictureHeader::read(c.bytes)) << c.what;

    // Cut anywhere, a picture's first bytes tell nothing or what the whole picture tells.
    for (const QByteArray& whole : {withExif, png}) {
        const std::optional<PictureHeader> full = PictureHeader::read(whole);
        ASSERT_TRUE(full);
        for (qsizetype cut = 0; cut < whole.size(); ++cut) {
            const std::optional<PictureHeader> header = PictureHeader::read(whole.left(cut));
            if (header) {
                EXPECT_EQ(header->stored, full->stored) << cut;
                EXPECT_EQ(header->turned, full->turned) << cut;
            }
        }
    }
}
