#include "tagging/subtitleutilities.h"
#include "platform/log.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace SubTitleUtilities;

namespace {

class SubtitleFileReading : public ::testing::Test {
protected:
    QUrl write(const QString& name, const QByteArray& bytes)
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return QUrl::fromLocalFile(file.fileName());
    }

    QTemporaryDir dir;
    platform::LogCapture log;
};

const QString srtText = QString::fromUtf8("1\n00:00:01,000 --> 00:00:02,000\nCaf\xC3\xA9 \xE2\x82\xAC\n\n");

}  // namespace

TEST(SubtitleGeometry, WidescreenPictureGetsTheBoxAboveItsBars)
{
    SubtitleGeometry g = subtitleGeometry(1920, 1080);
    EXPECT_EQ(g.boxHeight, 162);
    EXPECT_EQ(g.fontSize, 54);
    EXPECT_EQ(g.offset, 0);
    EXPECT_EQ(g.verticalTranslation, 918);

    g = subtitleGeometry(1920, 800);  // 2.4:1
    EXPECT_EQ(g.boxHeight, 120);
    EXPECT_EQ(g.fontSize, 40);
    EXPECT_EQ(g.offset, 140);
    EXPECT_EQ(g.verticalTranslation, 540);
}

TEST(SubtitleGeometry, SmallAndExtremePicturesStayUsable)
{
    SubtitleGeometry g = subtitleGeometry(160, 100);
    EXPECT_EQ(g.boxHeight, 24);
    EXPECT_EQ(g.fontSize, 10);
    EXPECT_EQ(g.verticalTranslation, 76);

    g = subtitleGeometry(4000, 6000);  // the font size field holds at most 255
    EXPECT_EQ(g.fontSize, 255);
    EXPECT_EQ(g.boxHeight, 900);

    g = subtitleGeometry(8000, 100);  // far wider than the box can sit above
    EXPECT_GE(g.verticalTranslation, 0);
}

TEST_F(SubtitleFileReading, Utf8TextComesBackUnchanged)
{
    const auto text = readSubTitleToFile(write("plain.srt", srtText.toUtf8()));
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, srtText);
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(SubtitleFileReading, ByteOrderMarksChooseTheEncoding)
{
    auto text = readSubTitleToFile(write("bom8.srt", "\xEF\xBB\xBF" + srtText.toUtf8()));
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, srtText);

    QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    text = readSubTitleToFile(write("utf16.srt", utf16.encode(srtText)));
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, srtText);
}

TEST_F(SubtitleFileReading, OtherBytesAreReadAsWindows1252)
{
    const auto text =
        readSubTitleToFile(write("latin.srt", "1\n00:00:01,000 --> 00:00:02,000\nCaf\xE9 \x80 \x93ok\x94\n\n"));
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, QString::fromUtf8(
                         "1\n00:00:01,000 --> 00:00:02,000\nCaf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cok\xE2\x80\x9D\n\n"));
}

TEST_F(SubtitleFileReading, ProblemsOfTheTextAreLoggedButTheTextIsKept)
{
    const auto text = readSubTitleToFile(write("faulty.srt", "1\n00:00:01.000 --> 00:00:02,000\nx\n\n"));
    ASSERT_TRUE(text);
    EXPECT_EQ(log.lines(), QStringList{"can't parse time code: 00:00:01.000 --> 00:00:02,000"});
}

TEST_F(SubtitleFileReading, MissingFileIsAnErrorWithALogLine)
{
    const auto text = readSubTitleToFile(QUrl::fromLocalFile(dir.filePath("missing.srt")));
    ASSERT_FALSE(text);
    EXPECT_FALSE(text.error().domain.isEmpty());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_EQ(log.lines()[0], "read subtitle file error: " + text.error().domain);
}
