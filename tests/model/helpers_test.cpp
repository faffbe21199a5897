#include "model/helpers.h"
#include "model/tagdatetext.h"
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

// Dates come in the form this program writes and in those other taggers
// write; the day is what counts. A text that names no day reads as the
// empty-date value, while the file's text keeps it as it is.
TEST(Helpers, DateFromTagDateString)
{
    const QDateTime noDay;
    const struct {
        const char* text;
        QDateTime date;     // none: the text names no day
        const char* shown;  // as the editor shows it while nobody changed it
    } rows[] = {
        {"2010-5-7T20:15:00Z", utc(2010, 5, 7), "2010-05-07"},
        {"2010-05-07T08:00:00z", utc(2010, 5, 7), "2010-05-07"},
        {"2010-05-07T23:59:59Z", utc(2010, 5, 7), "2010-05-07"},
        {"2010-5-7T1:2:3Z", utc(2010, 5, 7), "2010-05-07"},
        {"2019", utc(2019, 1, 1), "2019"},
        {"2010-05-07", utc(2010, 5, 7), "2010-05-07"},
        {"2010-05-07T08:00:00", utc(2010, 5, 7), "2010-05-07"},
        {"2010-05-07 08:00:00Z", utc(2010, 5, 7), "2010-05-07"},
        {"2011-11-14 09:34:54", utc(2011, 11, 14), "2011-11-14"},
        {"2010-05-07t08:00", utc(2010, 5, 7), "2010-05-07"},
        {"2010-05-07T08:00:00.250Z", utc(2010, 5, 7), "2010-05-07"},
        {"2012-02-29T08:00:00Z", utc(2012, 2, 29), "2012-02-29"},
        {"2012-01-01T12:00:00Z", utc(2012, 1, 1), "2012-01-01"},  // a real day, though the stand-in's
        {"2010-05-07T08:00:00Zx", noDay, "2010-05-07T08:00:00Zx"},
        {"2010-13-07T08:00:00Z", noDay, "2010-13-07T08:00:00Z"},  // outside the calendar
        {"2011-02-29", noDay, "2011-02-29"},
        {"2019-05", noDay, "2019-05"},
        {"2010-05-07T", noDay, "2010-05-07T"},
        {"19", noDay, "19"},
        {"0000", noDay, "0000"},
        {" 2019", noDay, " 2019"},
        {"2019\n", noDay, "2019\n"},
        {"Summer 1999", noDay, "Summer 1999"},
        {"", noDay, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const TagDateText tag{QString::fromUtf8(row.text)};
        EXPECT_EQ(dateFromTagDateString(row.text), row.date.isValid() ? row.date : utc(2012, 1, 1));
        EXPECT_EQ(dateFromTagDateString(row.text).timeSpec(), Qt::UTC);
        EXPECT_EQ(tag.date(), row.date);
        EXPECT_TRUE(tag.standsFor(row.date));
        EXPECT_FALSE(tag.standsFor(utc(2000, 6, 6)));
        EXPECT_EQ(tag.shownText(), QString::fromUtf8(row.shown));
    }
    EXPECT_EQ(dateFromTagDateString(QString()), utc(2012, 1, 1));
    // Without a tag there is no text to keep, whatever the record holds.
    EXPECT_FALSE(TagDateText().standsFor(QDateTime()));
    EXPECT_FALSE(TagDateText().standsFor(utc(2012, 1, 1)));
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
