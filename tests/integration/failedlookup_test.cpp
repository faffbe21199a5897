// Lookups that fail somewhere along the road: the record and its file stay
// as they were, and a service that fails beside a successful lookup costs
// only what it would have added.
#include "movieroad.h"

#include "tagging/moviefilemanager.h"

namespace movieroad {
namespace {

using testsupport::FakeReply;

const QString kKey = "api_key=c0ffee00c0ffee00c0ffee00c0ffee00";

QString text(const std::optional<qint64>& value)
{
    return value ? QString::number(*value) : "none";
}

QString text(const std::optional<QStringList>& value)
{
    return value ? "[" + value->join('|') + "]" : "none";
}

QString text(const std::optional<ChapterList>& chapters)
{
    if (!chapters)
        return "none";
    QStringList parts;
    for (const auto& chapter : *chapters)
        parts << QString("%1:%2:%3").arg(chapter->index()).arg(chapter->length()).arg(chapter->name());
    return "[" + parts.join('|') + "]";
}

// The fields a lookup and its merge could change, as comparable text.
QStringList describe(const MovieModel& movie)
{
    const auto pointer = [](const void* p) { return QString::number(quintptr(p), 16); };
    return {
        "title=" + movie.title(),
        "sortTitle=" + movie.sortTitle(),
        "genre=" + movie.genre(),
        "allGenres=" + text(movie.allGenres()),
        "rating=" + movie.rating(),
        "explicitFlag=" + text(movie.explicitFlag()),
        "releaseDate=" + movie.releaseDate().toString(Qt::ISODate),
        "artists=" + text(movie.artists()),
        "directors=" + text(movie.directors()),
        "producers=" + text(movie.producers()),
        "screenWriters=" + text(movie.screenWriters()),
        "studio=" + movie.studio(),
        "shortDescription=" + movie.shortDescription(),
        "longDescription=" + movie.longDescription(),
        "hdVideo=" + text(movie.hdVideo()),
        "cnID=" + text(movie.cnID()),
        "cover=" + pointer(movie.cover().get()),
        "chapterSettings=" + text(movie.chapterSettings()),
        "numberOfChapters=" + text(movie.numberOfChapters()),
        "listOfChapters=" + text(movie.listOfChapters()),
        "listOfDbChapters=" + text(movie.listOfDbChapters()),
        "subtitle=" + movie.subtitle(),
        "imdbID=" + movie.imdbID(),
        "mediaType=" + text(movie.mediaType()),
        "fileUrl=" + movie.fileUrl().toString(),
        "tagged=" + QString::number(movie.isTagged()),
        "status=" + QString::number(movie.status()),
        "searchResult=" + pointer(movie.searchResult().get()),
    };
}

class FailedLookupTest : public MovieRoadTest {
protected:
    void SetUp() override
    {
        MovieRoadTest::SetUp();
        set("AutomaticSearchForSubtitles", true);
        set("AutomaticSearchForChapters", true);
        m_file = makeMovie("Alien #1979.m4v");
        ASSERT_FALSE(m_file.isEmpty());
        m_bytes = fileBytes(m_file);
        m_movie = loadOne(m_list, {m_file});
        ASSERT_TRUE(m_movie);
        m_before = describe(*m_movie);
    }

    // Nothing reached the record, the file or the other two services.
    void expectUntouched()
    {
        EXPECT_EQ(describe(*m_movie), m_before);
        EXPECT_FALSE(m_movie->searchResult());
        EXPECT_EQ(fileBytes(m_file), m_bytes);
        EXPECT_EQ(m_subtitles.requestCount(), 0);
        EXPECT_EQ(m_chapterDb.requestCount(), 0);
        EXPECT_TRUE(m_alerts.shown().isEmpty());
    }

    QString m_file;
    QByteArray m_bytes;
    MovieList m_list;
    std::shared_ptr<MovieModel> m_movie;
    QStringList m_before;
};

TEST_F(FailedLookupTest, AnErrorDocumentOfTheDatabaseStopsTheBatchAndChangesNothing)
{
    m_tmdb.route("GET", "/3/search/movie", FakeReply::fromFile("tmdb/error-401.json", 401));
    EXPECT_EQ(searchAndMerge(*m_movie), Lookup::Stopped);
    expectUntouched();
    EXPECT_TRUE(
        m_log.contains("readTMDBInformation: TMDbRequestFailed: Invalid API key: You must be granted a valid key."))
        << m_log.lines().join('\n').toStdString();
}

TEST_F(FailedLookupTest, AConnectionLostDuringTheDetailsStopsTheBatchAndChangesNothing)
{
    m_tmdb.route("GET", "/3/movie/348", kKey + "&language=de",
                 FakeReply::fromFile("tmdb/movie-348-de.json").withDrop(FakeReply::Drop::MidBody));
    EXPECT_EQ(searchAndMerge(*m_movie), Lookup::Stopped);
    expectUntouched();
}

TEST_F(FailedLookupTest, AMovieTheDatabaseDoesNotKnowIsSkippedAndChangesNothing)
{
    m_tmdb.route("GET", "/3/search/movie", FakeReply::fromFile("tmdb/search-empty.json"));
    EXPECT_EQ(searchAndMerge(*m_movie), Lookup::NotFound);
    expectUntouched();
    // Searched with the year, then once more with the bare query.
    QStringList searches;
    for (const testsupport::FakeRequest& request : m_tmdb.requests())
        if (request.path == "/3/search/movie")
            searches << request.query;
    EXPECT_EQ(searches, (QStringList{kKey + "&query=Alien&language=de&year=1979", kKey + "&query=Alien"}));
}

TEST_F(FailedLookupTest, ASaveAfterAFailedLookupWritesOnlyWhatTheFileHad)
{
    m_tmdb.route("GET", "/3/search/movie", FakeReply::fromFile("tmdb/error-401.json", 401));
    ASSERT_EQ(searchAndMerge(*m_movie), Lookup::Stopped);
    ASSERT_TRUE(MovieFileManager::saveFiles(m_list, QUrl(), true, false, kLanguage, kCountry));
    const QJsonObject tags = formatTags(probe(m_file));
    EXPECT_EQ(tags.value("title").toString(), "Alien #1979");
    EXPECT_FALSE(tags.contains("artist"));
    EXPECT_FALSE(atomicParsleyAtoms(m_file).contains("covr"));
}

TEST_F(FailedLookupTest, FailingSubtitleAndChapterServicesLeaveTheRecordsOwnSubtitleAndChapters)
{
    m_subtitles.route("POST", "/api/v1/login", FakeReply::fromFile("opensubtitles/error-401.json", 401));
    m_chapterDb.route("GET", "/chapters/search", FakeReply::bytes("<html>busy</html>", "text/html", 503));
    m_movie->setSubtitle("1\n00:00:01,000 --> 00:00:02,000\nVon Hand\n\n");
    m_movie->setChapterSettings(MovieModel::kChaptersByCount);
    m_movie->setChapterInterval(4);
    ASSERT_EQ(searchAndMerge(*m_movie), Lookup::Merged);
    EXPECT_EQ(m_movie->title(), kGermanTitle);
    EXPECT_EQ(m_movie->subtitle(), "1\n00:00:01,000 --> 00:00:02,000\nVon Hand\n\n");
    EXPECT_EQ(m_movie->numberOfChapters(), 4);
    EXPECT_FALSE(m_movie->listOfDbChapters());
    EXPECT_EQ(m_subtitles.requestCount(), 1);
    EXPECT_EQ(m_chapterDb.requestCount(), 1);
}

}  // namespace
}  // namespace movieroad
