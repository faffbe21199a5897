#include "platform/picture.h"
#include "support/imagebytes.h"

#include "platform/log.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::Picture;

namespace {

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

QImage filled(QSize size, const QColor& colour, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(size, format);
    image.fill(colour);
    return image;
}

bool near(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 &&
           std::abs(a.blue() - b.blue()) < 12;
}

// The first value of a JPEG's first quantisation table: 3 at quality 90 (16
// scaled by 0.2), 8 at the encoder's default of 75.
int firstQuantiser(const QByteArray& jpeg)
{
    const qsizetype table = jpeg.indexOf("\xff\xdb");
    return table < 0 || table + 5 >= jpeg.size() ? -1 : static_cast<unsigned char>(jpeg[table + 5]);
}

}  // namespace

TEST(Picture, KeepsTheBytesWithFormatAndSizeFromTheHeader)
{
    struct Case {
        const char* format;
        QSize size;
    };
    for (const Case& c : {Case{"jpeg", {1000, 1500}}, Case{"png", {31, 17}}, Case{"bmp", {5, 3}}}) {
        SCOPED_TRACE(c.format);
        const QByteArray bytes = encoded(filled(c.size, Qt::darkCyan), c.format);
        const auto picture = Picture::fromData(bytes);
        ASSERT_FALSE(picture->isNull());
        EXPECT_EQ(picture->format(), c.format);
        EXPECT_EQ(picture->pixelSize(), c.size);
        EXPECT_EQ(picture->size(), QSizeF(c.size));
        // The very bytes, not a copy of them.
        EXPECT_EQ(picture->data().constData(), bytes.constData());
        EXPECT_EQ(picture->isJpeg(), QByteArray(c.format) == "jpeg");
    }
}

TEST(Picture, WhatIsNoPictureIsToldFromTheHeader)
{
    const QByteArray png = testsupport::pngBytes(QSize(40, 30), Qt::red);
    for (const QByteArray& data : {QByteArray(), QByteArray("<html>Not found</html>"), png.left(12)}) {
        const auto picture = Picture::fromData(data);
        EXPECT_TRUE(picture->isNull());
        EXPECT_TRUE(picture->image().isNull());
        EXPECT_FALSE(picture->jpegData());
    }
    // A header that reads over a body that does not: a picture of that size
    // that draws as nothing.
    const auto damaged = Picture::fromData(png.left(png.size() - 20));
    ASSERT_FALSE(damaged->isNull());
    EXPECT_EQ(damaged->pixelSize(), QSize(40, 30));
    EXPECT_TRUE(damaged->image().isNull());
}

TEST(Picture, DecodesAtTheSizeAskedFor)
{
    const auto picture = Picture::fromData(encoded(filled({1000, 1500}, QColor(200, 30, 40)), "jpeg"));
    const QImage full = picture->image();
    EXPECT_EQ(full.size(), QSize(1000, 1500));
    const QImage thumbnail = picture->image(QSize(100, 150));
    EXPECT_EQ(thumbnail.size(), QSize(100, 150));
    EXPECT_TRUE(near(thumbnail.pixelColor(50, 75), QColor(200, 30, 40)));

    const auto pixels = Picture::fromImage(filled({40, 20}, Qt::blue));
    EXPECT_EQ(pixels->image(QSize(10, 5)).size(), QSize(10, 5));
    EXPECT_EQ(pixels->image().size(), QSize(40, 20));
}

TEST(Picture, ADisplaySizeOfItsOwnLeavesThePixelsAlone)
{
    const QByteArray bytes = testsupport::pngBytes(QSize(10, 15), Qt::green);
    const auto thumbnail = Picture::fromData(bytes);
    const auto shown = thumbnail->withSize(QSizeF(1000, 1500));
    EXPECT_EQ(shown->size(), QSizeF(1000, 1500));
    EXPECT_EQ(shown->pixelSize(), QSize(10, 15));
    EXPECT_EQ(shown->data().constData(), bytes.constData());
    EXPECT_EQ(thumbnail->size(), QSizeF(10, 15));
}

TEST(Picture, JpegIsWrittenAsItsOwnBytesAndOthersAreEncodedOnce)
{
    const QByteArray jpeg = encoded(filled({64, 48}, Qt::red), "jpeg");
    const auto asJpeg = Picture::fromData(jpeg);
    ASSERT_TRUE(asJpeg->jpegData());
    EXPECT_EQ(asJpeg->jpegData()->constData(), jpeg.constData());

    const auto png = Picture::fromData(testsupport::pngBytes(QSize(64, 48), QColor(0, 0, 200)));
    const auto pasted = Picture::fromImage(filled({64, 48}, QColor(0, 0, 200)));
    EXPECT_TRUE(pasted->data().isEmpty());
    EXPECT_TRUE(pasted->format().isEmpty());
    for (const auto& picture : {png, pasted}) {
        const std::optional<QByteArray> first = picture->jpegData();
        ASSERT_TRUE(first);
        const auto back = Picture::fromData(*first);
        EXPECT_TRUE(back->isJpeg());
        EXPECT_EQ(firstQuantiser(*first), 3);
        EXPECT_EQ(back->pixelSize(), QSize(64, 48));
        EXPECT_TRUE(near(back->image().pixelColor(10, 10), QColor(0, 0, 200)));
        // Asked again, by this picture or a copy of it: the same encoding, not a new one.
        EXPECT_EQ(picture->jpegData()->constData(), first->constData());
        EXPECT_EQ(Picture(*picture).jpegData()->constData(), first->constData());
        EXPECT_EQ(picture->withSize(QSizeF(1, 1))->jpegData()->constData(), first->constData());
    }
}

TEST(Picture, TransparentPixelsAreEncodedOntoWhite)
{
    const auto clear = Picture::fromImage(filled({16, 16}, Qt::transparent, QImage::Format_ARGB32));
    const std::optional<QByteArray> jpeg = clear->jpegData();
    ASSERT_TRUE(jpeg);
    EXPECT_GT(Picture::fromData(*jpeg)->image().pixelColor(8, 8).lightness(), 240);
    EXPECT_TRUE(Picture::fromImage(QImage())->isNull());
}

// A picture that stays where it lies in a file: only its header is read at
// first, its bytes each time they are asked for, and only from the file as it was.
TEST(Picture, LeftInAFileItReadsItsBytesOnlyFromThatFileAsItWas)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("movie.bin");
    const QByteArray jpeg = encoded(filled({300, 200}, Qt::darkRed), "jpeg");
    const QByteArray padding(1000, 'x');
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(padding + jpeg + padding);
    }
    const platform::FilePlace place{path, padding.size(), jpeg.size(), *platform::FileIdentity::of(path)};
    const auto picture = Picture::fromFilePlace(place, jpeg.left(2048));
    EXPECT_EQ(picture->pixelSize(), QSize(300, 200));
    EXPECT_EQ(picture->format(), "jpeg");
    EXPECT_TRUE(picture->keepsOwnFormat());
    EXPECT_EQ(picture->filePlace(), place);
    EXPECT_EQ(picture->data(), jpeg);
    EXPECT_EQ(picture->jpegData(), jpeg);
    EXPECT_EQ(picture->image(QSize(30, 20)).size(), QSize(30, 20));
    const auto own = picture->withOwnBytes();
    EXPECT_FALSE(own->filePlace());

    // The bytes move within the file (a save): the picture follows them.
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(jpeg + padding);
    }
    platform::LogCapture log;
    EXPECT_TRUE(picture->data().isEmpty());
    EXPECT_TRUE(picture->image().isNull());
    EXPECT_TRUE(log.contains("A cover is not read: the file changed since it was read from it: " + path));
    picture->followMove({path, 0, jpeg.size(), *platform::FileIdentity::of(path)});
    EXPECT_EQ(picture->data(), jpeg);

    // Whatever becomes of the file, the picture that holds its bytes stays whole.
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(picture->data().isEmpty());
    EXPECT_EQ(own->data(), jpeg);
    EXPECT_EQ(own->pixelSize(), QSize(300, 200));
}

// Format and size come from the first bytes read with the movie's tags; the file is read
// only for a picture whose header runs on past them. A place in a file that changed since
// (refused, with a log line, whenever it is read) shows whether the file was read.
TEST(Picture, LeftInAFileItsHeaderComesFromTheFirstBytesGiven)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("movie.bin");
    QImage wide = filled({640, 360}, Qt::darkGreen);
    const QByteArray jpeg = encoded(wide, "jpeg");
    const QByteArray png = encoded(wide, "png");
    const qsizetype jpegHeader = jpeg.indexOf("\xff\xda") + 16;  // up to its scan's own header
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(jpeg + png);
    }
    const platform::FileIdentity identity = *platform::FileIdentity::of(path);
    const platform::FileIdentity changed{identity.size + 1, identity.modified};
    const struct {
        const char* what;
        QByteArray bytes;
        qint64 offset;
        QByteArray head;
        bool current;
        QSize size;
        bool fileRead;
    } cases[] = {
        {"JPEG header within the head", jpeg, 0, jpeg.left(jpegHeader), false, {640, 360}, false},
        {"PNG header within the head", png, jpeg.size(), png.left(64), false, {640, 360}, false},
        {"the whole picture as head", png, jpeg.size(), png, false, {640, 360}, false},
        {"JPEG header cut short by the head", jpeg, 0, jpeg.left(100), true, {640, 360}, true},
        {"the same from a changed file", jpeg, 0, jpeg.left(100), false, {0, 0}, true},
        {"bytes of no picture", jpeg, 0, QByteArray(100, 'x'), false, {0, 0}, false},
    };
    for (const auto& c : cases) {
        platform::LogCapture log;
        const platform::FilePlace place{path, c.offset, c.bytes.size(), c.current ? identity : changed};
        const auto picture = Picture::fromFilePlace(place, c.head);
        EXPECT_EQ(picture->pixelSize(), c.size) << c.what;
        EXPECT_EQ(picture->isNull(), c.size.isEmpty()) << c.what;
        if (!c.size.isEmpty()) {
            EXPECT_EQ(picture->format(), c.bytes.startsWith("\x89PNG") ? "png" : "jpeg") << c.what;
        }
        EXPECT_EQ(!log.lines().isEmpty(), c.fileRead && !c.current) << c.what;
        EXPECT_EQ(picture->filePlace(), place) << c.what;
        if (c.current) {
            EXPECT_EQ(picture->data(), c.bytes) << c.what;
        }
    }
}
