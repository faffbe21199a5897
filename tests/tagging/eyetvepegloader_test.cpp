#include "tagging/eyetvepegloader.h"

#include "model/moviemodel.h"
#include "platform/log.h"
#include "platform/propertylist.h"
#include "tagging/namingtestsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

namespace {

using namespace EyeTVEPegLoader;

QUrl recording(const QString& name)
{
    return QUrl::fromLocalFile(QStringLiteral(KORVALANE_TEST_DATA "/tagging/eyetv/") + name);
}

QDateTime noon(int year)
{
    return QDateTime(QDate(year, 1, 1), QTime(12, 0), QTimeZone::utc());
}

class EyeTVEPegLoaderTest : public FreshSettingsTest {
protected:
    // A recording in a temporary folder whose entry `plist` (a path inside it) holds `properties`.
    QUrl recordingWith(const QString& plist, const QVariantMap& properties)
    {
        const QString path = m_folder.filePath("Made.eyetv/" + plist);
        QDir().mkpath(QFileInfo(path).absolutePath());
        const std::optional<QByteArray> xml = platform::xmlPropertyList(properties);
        EXPECT_TRUE(xml && touch(path, *xml)) << plist.toStdString();
        return QUrl::fromLocalFile(m_folder.filePath("Made.eyetv"));
    }

    static QVariantMap guide(const QVariantMap& epg) { return QVariantMap{{"epg info", epg}}; }

    QTemporaryDir m_folder;
    MovieModel m_movie;
};

TEST_F(EyeTVEPegLoaderTest, TakesEveryFieldOfTheGuideData)
{
    m_movie.setGenre("Western");
    ASSERT_TRUE(loadEyeTVEPegInfos(recording("Tatort.eyetv"), m_movie, "de"));
    EXPECT_EQ(m_movie.title(), "Tatort: Im Schmerz geboren");
    EXPECT_EQ(m_movie.releaseDate(), noon(2014));
    EXPECT_EQ(m_movie.rating(), "de-movie|ab 12 Jahren|200|");
    EXPECT_EQ(m_movie.directors(), QStringList{"Florian Schwarz"});
    // The actors text ends in a line feed, which names nobody.
    EXPECT_EQ(m_movie.artists(), (QStringList{"Ulrich Tukur", "Martina Gedeck"}));
    // "Fernsehfilm" names no genre; the abstract's "Krimi" does.
    EXPECT_EQ(m_movie.genre(), "Thriller");

    const QString description = m_movie.longDescription();
    EXPECT_TRUE(description.startsWith("Murot trifft einen alten Bekannten. Lang Lang"));
    EXPECT_TRUE(description.endsWith("Lang Ende."));
    EXPECT_FALSE(description.contains('('));
    EXPECT_GT(description.size(), 255);
    EXPECT_EQ(m_movie.shortDescription(), description.left(255));
}

TEST_F(EyeTVEPegLoaderTest, RatingNamesByCountryAndSetting)
{
    ASSERT_TRUE(loadEyeTVEPegInfos(recording("Tatort.eyetv"), m_movie, "us"));
    EXPECT_EQ(m_movie.rating(), "mpaa|PG-13|300|");
    set("UseFSKRatingsInsteadOfAbJahren", true);
    EXPECT_EQ(getRatingFromEyeTvInfo("de", "pg-13", "12"), "de-movie|FSK 12|200|");
    EXPECT_TRUE(getRatingFromEyeTvInfo("de", "pg-13", QString()).isNull());
    EXPECT_TRUE(getRatingFromEyeTvInfo("us", QString(), "12").isNull());
    EXPECT_TRUE(getRatingFromEyeTvInfo("us", "XXX", "12").isNull());
}

TEST_F(EyeTVEPegLoaderTest, BinaryListWithOnlyADisplayTitle)
{
    m_movie.setShortDescription("kept short");
    m_movie.setLongDescription("kept long");
    m_movie.setRating("mpaa|R|400|");
    m_movie.setDirectors(QStringList{"Someone"});
    ASSERT_TRUE(loadEyeTVEPegInfos(recording("Binary.eyetv"), m_movie, "us"));
    EXPECT_EQ(m_movie.title(), "Nur Anzeigetitel");
    EXPECT_EQ(m_movie.releaseDate(), noon(1999));  // the year is a number here
    EXPECT_TRUE(m_movie.rating().isNull());
    EXPECT_FALSE(m_movie.directors().has_value());
    EXPECT_EQ(m_movie.artists(), (QStringList{"A", "B"}));
    EXPECT_EQ(m_movie.shortDescription(), "kept short");
    EXPECT_EQ(m_movie.longDescription(), "kept long");
    EXPECT_EQ(m_movie.genre(), "Comedy");
}

TEST_F(EyeTVEPegLoaderTest, WithoutGuideDataTheRecordIsUntouched)
{
    m_movie.setTitle("Mine");
    m_movie.setGenre("Drama");
    platform::LogCapture log;
    EXPECT_FALSE(loadEyeTVEPegInfos(recording("NoGuide.eyetv"), m_movie, "de"));
    EXPECT_EQ(log.lines(), QStringList{"no epeg data in file " + recording("NoGuide.eyetv").toString()});

    log.clear();
    EXPECT_FALSE(loadEyeTVEPegInfos(recording("Broken.eyetv"), m_movie, "de"));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith("Error reading plist: "));

    log.clear();
    EXPECT_FALSE(loadEyeTVEPegInfos(recording("Empty.eyetv"), m_movie, "de"));
    EXPECT_FALSE(loadEyeTVEPegInfos(recording("Missing.eyetv"), m_movie, "de"));
    EXPECT_TRUE(log.lines().isEmpty());

    EXPECT_EQ(m_movie.title(), "Mine");
    EXPECT_EQ(m_movie.genre(), "Drama");
    EXPECT_EQ(m_movie.releaseDate(), MovieModel::emptyReleaseDate());
}

TEST_F(EyeTVEPegLoaderTest, AbsentGuideKeysClearRatingCastAndGenreButKeepTitleAndTexts)
{
    const QUrl sparse = recordingWith("a.eyetvp", guide({{"CONTENT", "Nachrichten"}}));

    m_movie.setTitle("Mine");
    m_movie.setShortDescription("short");
    m_movie.setReleaseDate(noon(1990));
    m_movie.setRating("mpaa|R|400|");
    m_movie.setArtists(QStringList{"Someone"});
    m_movie.setGenre("Drama");
    ASSERT_TRUE(loadEyeTVEPegInfos(sparse, m_movie, "us"));
    EXPECT_EQ(m_movie.title(), "Mine");
    EXPECT_EQ(m_movie.shortDescription(), "short");
    EXPECT_EQ(m_movie.releaseDate(), noon(2012));
    EXPECT_TRUE(m_movie.rating().isNull());
    EXPECT_FALSE(m_movie.artists().has_value());
    EXPECT_TRUE(m_movie.genre().isNull());
}

TEST_F(EyeTVEPegLoaderTest, AYearThatIsNoYearGivesNoDate)
{
    m_movie.setReleaseDate(noon(1990));
    ASSERT_TRUE(loadEyeTVEPegInfos(recordingWith("a.eyetvp", guide({{"YEAR", "unbekannt"}})), m_movie, "us"));
    EXPECT_FALSE(m_movie.releaseDate().isValid());
}

TEST_F(EyeTVEPegLoaderTest, TakesTheFirstGuideFileInSubpathOrderAndOnlyItsExactExtension)
{
    recordingWith("0.EYETVP", guide({{"TITLE", "upper case"}}));
    recordingWith("Data/1.eyetvp", guide({{"TITLE", "first"}}));
    const QUrl url = recordingWith("z.eyetvp", guide({{"TITLE", "last"}}));
    ASSERT_TRUE(loadEyeTVEPegInfos(url, m_movie, "us"));
    EXPECT_EQ(m_movie.title(), "first");
}

TEST_F(EyeTVEPegLoaderTest, AHugeGuideFileIsNotRead)
{
    const QUrl url = recordingWith("a.eyetvp", guide({{"TITLE", "huge"}}));
    QFile file(url.toLocalFile() + "/a.eyetvp");
    ASSERT_TRUE(file.resize(qint64(33) << 20));  // sparse: no disk used
    platform::LogCapture log;
    EXPECT_FALSE(loadEyeTVEPegInfos(url, m_movie, "us"));
    EXPECT_EQ(log.lines(), QStringList{"Error reading plist: file too large"});
    EXPECT_TRUE(m_movie.title().isNull());
}

TEST(EyeTVGuideTextTest, NamesOnePerLine)
{
    std::optional<QStringList> directors = QStringList{"x"};
    std::optional<QStringList> actors = QStringList{"y"};
    getActorsAndDirectorFromEyeTvInfo(" Ann \r\nBob", QString(), &directors, &actors);
    EXPECT_EQ(directors, (QStringList{"Ann", "Bob"}));
    EXPECT_FALSE(actors.has_value());
    // Blank lines name nobody: a text of them gives a list without names.
    getActorsAndDirectorFromEyeTvInfo("", " \n\r\n", &directors, &actors);
    EXPECT_EQ(directors, QStringList{});
    EXPECT_EQ(actors, QStringList{});
}

TEST(EyeTVGuideTextTest, GenreFromTheFirstTextThatNamesOne)
{
    EXPECT_EQ(getGenreFromEyeTvInfo(QString(), "  Horror-Schocker\n", "Drama"), "Horror");
    EXPECT_EQ(getGenreFromEyeTvInfo("Western", "Horror", QString()), "Western");
    EXPECT_EQ(getGenreFromEyeTvInfo("Nachrichten", QString(), "Wetter"), QString());
    EXPECT_TRUE(getGenreFromEyeTvInfo(QString(), QString(), QString()).isNull());
}

}  // namespace
