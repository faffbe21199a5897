#include "model/helpers.h"
#include "platform/bookmark.h"
#include "platform/settings.h"
#include "support/imagebytes.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

using platform::Settings;

QDateTime utc(int y, int mo, int d, int h = 12, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

QByteArray pngBytes(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::green);
    image.setDotsPerMeterX(11811);  // 300 dpi must not change the size in points
    image.setDotsPerMeterY(11811);
    return testsupport::pngBytes(image);
}

}  // namespace

TEST(Helpers, ImagesFromDataAndLocalUrls)
{
    const auto image = imageFromData(pngBytes(30, 20));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelSize(), QSize(30, 20));
    EXPECT_EQ(image->size(), QSizeF(30, 20));

    const auto broken = imageFromData("no picture");
    ASSERT_TRUE(broken);
    EXPECT_TRUE(broken->isNull());
}

TEST(Helpers, WorkingDirectoryFromBookmark)
{
    Settings& settings = Settings::shared();
    EXPECT_TRUE(workingDirectoryURL().isEmpty());
    QTemporaryDir dir;
    const QString folder = dir.filePath("Movies");
    ASSERT_TRUE(QDir().mkpath(folder));
    settings.setValue("WorkingDirectoryBookmark", platform::bookmarkDataForFolder(QUrl::fromLocalFile(folder)));
    EXPECT_EQ(settings.dataValue("WorkingDirectoryBookmark"), folder.toUtf8());
    EXPECT_EQ(workingDirectoryURL(), QUrl::fromLocalFile(folder));
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_TRUE(workingDirectoryURL().isEmpty());
    settings.setValue("WorkingDirectoryBookmark", QByteArray("relative/path"));
    EXPECT_TRUE(workingDirectoryURL().isEmpty());
    settings.setValue("WorkingDirectoryBookmark", QVariantList{1, 2});  // wrong type
    EXPECT_TRUE(workingDirectoryURL().isEmpty());
    settings.remove("WorkingDirectoryBookmark");
}

TEST(Helpers, MillisecondsFromTimestamp)
{
    EXPECT_EQ(millisecondsFromTimestamp("00:01:02.500"), 62500u);
    EXPECT_EQ(millisecondsFromTimestamp("00:01:02.5000000"), 62500u);
    EXPECT_EQ(millisecondsFromTimestamp("00:01:02.50"), 0u);
    EXPECT_EQ(millisecondsFromTimestamp("01:00:00.000"), 3600000u);
    EXPECT_EQ(millisecondsFromTimestamp("99:59:59,999"), 359999999u);
    EXPECT_EQ(millisecondsFromTimestamp("ab:cd:ef.ghi"), 0u);
    EXPECT_EQ(millisecondsFromTimestamp("-1:-2:03.0x5"), 3000u);
    EXPECT_EQ(millisecondsFromTimestamp(QString()), 0u);
}

TEST(Helpers, TimeStringFromMilliseconds)
{
    EXPECT_EQ(timeStringFromMilliseconds(0), "00:00:00.000000");
    EXPECT_EQ(timeStringFromMilliseconds(499), "00:00:00.000000");
    EXPECT_EQ(timeStringFromMilliseconds(500), "00:00:01.000000");
    EXPECT_EQ(timeStringFromMilliseconds(1499), "00:00:01.000000");
    EXPECT_EQ(timeStringFromMilliseconds(1500), "00:00:02.000000");
    EXPECT_EQ(timeStringFromMilliseconds(5025000), "01:23:45.000000");
    EXPECT_EQ(timeStringFromMilliseconds(360000000), "100:00:00.000000");
    EXPECT_EQ(timeStringFromMilliseconds(std::numeric_limits<quint64>::max()), "5124095576030:25:52.000000");
}

TEST(Helpers, DateFromTagDateString)
{
    const QDateTime empty = utc(2012, 1, 1);
    EXPECT_EQ(dateFromTagDateString("2010-5-7T20:15:00Z"), utc(2010, 5, 7));
    EXPECT_EQ(dateFromTagDateString("2010-05-07T08:00:00z"), utc(2010, 5, 7));
    EXPECT_EQ(dateFromTagDateString("2010-05-07T23:59:59Z").timeSpec(), Qt::UTC);
    EXPECT_EQ(dateFromTagDateString("2010-05-07"), empty);
    EXPECT_EQ(dateFromTagDateString("2010-5-7T1:2:3Z"), empty);
    EXPECT_EQ(dateFromTagDateString(QString()), empty);
    EXPECT_EQ(dateFromTagDateString("2010-05-07T08:00:00"), empty);    // no Z
    EXPECT_EQ(dateFromTagDateString("2010-05-07 08:00:00Z"), empty);   // no T
    EXPECT_EQ(dateFromTagDateString("2010-05-07T08:00:00Zx"), empty);  // trailing text
    EXPECT_EQ(dateFromTagDateString("2010-13-07T08:00:00Z"), empty);   // outside the calendar
    EXPECT_EQ(dateFromTagDateString("2011-02-29T08:00:00Z"), empty);
    EXPECT_EQ(dateFromTagDateString("2012-02-29T08:00:00Z"), utc(2012, 2, 29));
}

TEST(Helpers, YearOfDate)
{
    EXPECT_EQ(yearOfDate(QDateTime()), 0);
    EXPECT_EQ(yearOfDate(QDateTime(QDate(2010, 12, 31), QTime(23, 30), QTimeZone(-2 * 3600))), 2011);
    EXPECT_EQ(yearOfDate(QDateTime(QDate(2011, 1, 1), QTime(0, 30), QTimeZone(3600))), 2010);
    EXPECT_EQ(yearOfDate(utc(1979, 5, 25)), 1979);
}

TEST(Helpers, SortTitleWithoutArticle)
{
    Settings& settings = Settings::shared();
    settings.remove("SortMovieNamesWithoutArticle");  // unset counts as on
    EXPECT_EQ(sortTitleWithoutArticle("The Matrix"), "Matrix");
    settings.setValue("SortMovieNamesWithoutArticle", true);
    EXPECT_EQ(sortTitleWithoutArticle("The Matrix"), "Matrix");
    EXPECT_EQ(sortTitleWithoutArticle("L'Avventura"), "Avventura");
    EXPECT_EQ(sortTitleWithoutArticle("  Alien  "), "Alien");
    EXPECT_EQ(sortTitleWithoutArticle("Theodora"), "Theodora");
    EXPECT_EQ(sortTitleWithoutArticle("A"), "A");
    EXPECT_EQ(sortTitleWithoutArticle("a Beautiful Mind"), "Beautiful Mind");
    EXPECT_EQ(sortTitleWithoutArticle("DIE HARD"), "HARD");
    EXPECT_EQ(sortTitleWithoutArticle("Eine  Frau"), "Frau");
    EXPECT_EQ(sortTitleWithoutArticle("The The Movie"), "The Movie");  // one article at most
    EXPECT_EQ(sortTitleWithoutArticle("\tThe Tab"), "\tThe Tab");      // only spaces are trimmed
    EXPECT_EQ(sortTitleWithoutArticle(""), "");
    settings.setValue("SortMovieNamesWithoutArticle", false);
    EXPECT_EQ(sortTitleWithoutArticle("  The Matrix"), "  The Matrix");
    settings.setValue("SortMovieNamesWithoutArticle", "no");
    EXPECT_EQ(sortTitleWithoutArticle("The Matrix"), "The Matrix");
    settings.remove("SortMovieNamesWithoutArticle");
}

TEST(Helpers, RemoveParenthesizedText)
{
    EXPECT_EQ(removeParenthesizedText("Alien (1979) Director's Cut"), "Alien Director's Cut");
    EXPECT_EQ(removeParenthesizedText("Heat (1995). Remastered"), "Heat. Remastered");
    EXPECT_EQ(removeParenthesizedText("Heat (1995)"), "Heat (1995)");
    EXPECT_EQ(removeParenthesizedText("Film (2001)"), "Film (2001)");
    EXPECT_EQ(removeParenthesizedText("One (x) Two (y) Three"), "One Two Three");
    EXPECT_EQ(removeParenthesizedText("Alien(1979) Cut"), "Alien(1979) Cut");
    EXPECT_EQ(removeParenthesizedText("Crew (samt Schiffskatze), Ende"), "Crew, Ende");
    EXPECT_EQ(removeParenthesizedText("A (b) c\nD (e) f"), "A c\nD f");
    EXPECT_EQ(removeParenthesizedText("A (b\nc) d"), "A (b\nc) d");  // never across lines
    EXPECT_EQ(removeParenthesizedText(""), "");
}
