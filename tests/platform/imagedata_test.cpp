#include "platform/imagedata.h"
#include "support/imagebytes.h"

#include <QBuffer>
#include <QImageReader>

#include <gtest/gtest.h>

using platform::decodeImage;
using platform::encodeJpeg;

namespace {

QByteArray pngOf(const QImage& image)
{
    return testsupport::pngBytes(image);
}

}  // namespace

TEST(ImageData, DecodesPicturesAndRefusesOtherData)
{
    QImage red(40, 30, QImage::Format_RGB32);
    red.fill(Qt::red);
    const QImage decoded = decodeImage(pngOf(red));
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(decoded.size(), QSize(40, 30));
    EXPECT_EQ(decoded.pixelColor(5, 5), QColor(Qt::red));
    EXPECT_TRUE(decodeImage(QByteArray()).isNull());
    EXPECT_TRUE(decodeImage("definitely not an image").isNull());
    EXPECT_TRUE(decodeImage(pngOf(red).left(30)).isNull());
}

TEST(ImageData, EncodesJpegThatDecodesBack)
{
    QImage blue(64, 48, QImage::Format_RGB32);
    blue.fill(QColor(0, 0, 200));
    const auto jpeg = encodeJpeg(blue);
    ASSERT_TRUE(jpeg.has_value());
    EXPECT_TRUE(jpeg->startsWith("\xff\xd8\xff"));
    QBuffer buffer;
    buffer.setData(*jpeg);
    EXPECT_EQ(QImageReader(&buffer).format(), "jpeg");
    const QImage back = decodeImage(*jpeg);
    EXPECT_EQ(back.size(), QSize(64, 48));
    EXPECT_NEAR(back.pixelColor(10, 10).blue(), 200, 8);
}

TEST(ImageData, TransparentPicturesBecomeWhiteNotBlack)
{
    QImage clear(16, 16, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    const auto jpeg = encodeJpeg(clear);
    ASSERT_TRUE(jpeg.has_value());
    EXPECT_GT(decodeImage(*jpeg).pixelColor(8, 8).lightness(), 240);
    EXPECT_FALSE(encodeJpeg(QImage()).has_value());
}
