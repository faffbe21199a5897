#include "online/imagefromurl.h"

#include "platform/log.h"
#include "support/fakeserver.h"
#include "support/imagebytes.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using testsupport::FakeReply;
using testsupport::FakeServer;

namespace {

QByteArray pngBytes(int width, int height)
{
    return testsupport::pngBytes(QSize(width, height), Qt::green);
}

}  // namespace

TEST(ImageFromURL, ReadsLocalFiles)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("cover.png"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(pngBytes(7, 9));
    file.close();
    const auto image = imageFromURL(QUrl::fromLocalFile(file.fileName()));
    EXPECT_EQ(image->pixelSize(), QSize(7, 9));
    EXPECT_EQ(image->size(), QSizeF(7, 9));
    const auto missing = imageFromURL(QUrl::fromLocalFile(dir.filePath("gone.png")));
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing->isNull());
    EXPECT_TRUE(imageFromURL(QUrl())->isNull());
}

TEST(ImageFromURL, ReadsOnlyRegularFilesOfSaneSize)
{
    // A pipe without a writer would block the read for good; a device never ends.
    QTemporaryDir dir;
    const QString pipe = dir.filePath("cover.jpg");
    ASSERT_EQ(::mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    EXPECT_TRUE(imageFromURL(QUrl::fromLocalFile(pipe))->isNull());
    EXPECT_TRUE(imageFromURL(QUrl::fromLocalFile("/dev/zero"))->isNull());
    EXPECT_TRUE(imageFromURL(QUrl::fromLocalFile(dir.path()))->isNull());

    // More than 64 MiB is refused even when it starts like a picture.
    QFile big(dir.filePath("big.png"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(pngBytes(4, 4));
    ASSERT_TRUE(big.resize(64 * 1024 * 1024 + 1));
    big.close();
    EXPECT_TRUE(imageFromURL(QUrl::fromLocalFile(big.fileName()))->isNull());
}

// Web addresses: only a complete answer of a success status gives a picture;
// a broken transfer is logged once, an error page is no picture.
TEST(ImageFromURL, ReadsWebAddresses)
{
    FakeServer server;
    ASSERT_TRUE(server.isListening());
    const QByteArray png = pngBytes(12, 18);
    server.route("GET", "/poster.png", FakeReply::bytes(png, "image/png"));
    server.route("GET", "/moved.png", FakeReply::redirect("/poster.png"));
    server.route("GET", "/missing.png", FakeReply::bytes(png, "image/png", 404));
    server.route("GET", "/broken.png", FakeReply::bytes(png, "image/png").withDrop(FakeReply::Drop::MidBody));
    server.route("GET", "/refused.png", FakeReply::dropped());

    const struct {
        const char* path;
        QSize size;  // empty: no picture
        int logLines;
    } rows[] = {
        {"/poster.png", {12, 18}, 0}, {"/moved.png", {12, 18}, 0}, {"/missing.png", {}, 0},
        {"/broken.png", {}, 1},       {"/refused.png", {}, 1},
    };
    for (const auto& row : rows) {
        platform::LogCapture log;
        const auto image = imageFromURL(QUrl(server.url(row.path)));
        ASSERT_TRUE(image) << row.path;
        EXPECT_EQ(image->isNull(), row.size.isEmpty()) << row.path;
        EXPECT_EQ(image->pixelSize(), row.size.isEmpty() ? QSize(0, 0) : row.size) << row.path;
        ASSERT_EQ(log.lines().size(), row.logLines) << row.path << ": " << log.lines().join('\n').toStdString();
        if (row.logLines) {
            EXPECT_TRUE(log.lines().first().startsWith("Image load failed: ")) << log.lines().first().toStdString();
        }
    }
}
