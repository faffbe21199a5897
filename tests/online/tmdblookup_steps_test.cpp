// The single steps of a lookup on replies that stray from the Alien ones:
// cast order and crew rules, the country's certification and date, poster
// filtering and sizes, hits without year or poster.
#include "tmdblookup_fixture.h"

#include "model/contentrating.h"
#include "model/imagemodel.h"
#include "model/moviemodel.h"
#include "model/moviesearchitemmodel.h"
#include "online/namedfailure.h"
#include "online/qxjson.h"
#include "online/tmdbapi.h"
#include "platform/settings.h"

#include <gtest/gtest.h>

using namespace tmdblookuptest;
using testsupport::FakeReply;

namespace {

class TmdbLookupStepsTest : public TmdbLookupTest {
protected:
    void SetUp() override
    {
        TmdbLookupTest::SetUp();
        TMDbAPI::setImageBaseUrl(server.url("/t/p/"));
        client.setMovie(movie);
    }

    void reply(const QString& path, const QByteArray& json) { server.route("GET", path, FakeReply::bytes(json)); }

    // The name of the failure `step` throws, or nothing.
    template <typename Step>
    QString failureOf(Step step)
    {
        try {
            step();
        } catch (const NamedFailure& failure) {
            return failure.name() + ": " + failure.reason();
        }
        return {};
    }

    TMDbAPI client;
    std::shared_ptr<MovieModel> movie = std::make_shared<MovieModel>();
};

QVariantList hitsOf(const QString& json)
{
    return QXJSON::QXJSONStringToObject(json).value().first().toList();
}

}  // namespace

TEST_F(TmdbLookupStepsTest, ActorsFollowTheirOrderNumbersOnceEach)
{
    reply("/3/movie/7/casts", R"({"id":7,"cast":[{"cast_id":1,"character":"A","name":"Ten","order":10},)"
                              R"({"cast_id":2,"character":"B","name":"Two","order":2},)"
                              R"({"cast_id":3,"character":"C","name":"Unordered"},)"
                              R"({"cast_id":4,"character":"D","name":"Two","order":11},)"
                              R"({"cast_id":5,"character":"E","name":"Minus","order":"-1"}],"crew":[]})");
    client.getCastAndCrewInfos("7");
    EXPECT_EQ(movie->artists(), QStringList({"Minus", "Unordered", "Two", "Ten"}));
}

TEST_F(TmdbLookupStepsTest, CrewGoesByDepartmentAndJob)
{
    reply("/3/movie/7/casts", R"({"id":7,"cast":[],"crew":[)"
                              R"({"department":"Directing","job":"Screenplay","name":"Nowhere"},)"
                              R"({"department":"Writing","job":"Writer","name":"Wendy"},)"
                              R"({"department":"Directing","job":"Director","name":"Dora"},)"
                              R"({"department":"Writing","job":"Screenplay","name":"Sam"},)"
                              R"({"department":"Writing","name":"No Job"},)"
                              R"({"job":"Producer","name":"No Department"},)"
                              R"({"department":"Production","job":"Producer","name":"Paul"},)"
                              R"({"department":"Production","job":"Executive Producer","name":"Eve"},)"
                              R"({"department":"Writing","job":"Writer","name":"Wendy"}]})");
    client.getCastAndCrewInfos("7");
    EXPECT_EQ(movie->directors(), QStringList({"Dora"}));
    EXPECT_EQ(movie->producers(), QStringList({"Paul"}));
    EXPECT_EQ(movie->screenWriters(), QStringList({"Wendy", "Sam"}));
    // An empty cast leaves the actors as a new record has them.
    EXPECT_FALSE(movie->artists());
}

TEST_F(TmdbLookupStepsTest, EmptyCrewListsLeaveTheFieldsAlone)
{
    movie->setDirectors(QStringList{"Kept"});
    reply("/3/movie/7/casts", R"({"id":7,"cast":[{"name":"Solo","order":0}],"crew":[]})");
    client.getCastAndCrewInfos("7");
    EXPECT_EQ(movie->directors(), QStringList({"Kept"}));
    EXPECT_EQ(movie->artists(), QStringList({"Solo"}));
}

TEST_F(TmdbLookupStepsTest, GermanCertificationsInBothNamings)
{
    const QByteArray releases =
        R"({"id":7,"countries":[{"certification":"FSK 16","iso_3166_1":"DE","primary":false,"release_date":"1980-01-02"}]})";
    reply("/3/movie/7/releases", releases);
    client.getCertificationAnReleaseDate("7", "de");
    EXPECT_EQ(movie->rating(), ContentRating("de").ratingValueForName("ab 16 Jahren"));
    EXPECT_EQ(movie->rating(), "de-movie|ab 16 Jahren|500|");
    EXPECT_EQ(movie->releaseDate(), QDateTime(QDate(1980, 1, 2), QTime(12, 0), Qt::UTC));

    settings().setValue("UseFSKRatingsInsteadOfAbJahren", true);
    movie->setRating(QString());
    client.getCertificationAnReleaseDate("7", "de");
    EXPECT_FALSE(movie->rating().isEmpty());
    EXPECT_EQ(movie->rating(), ContentRating("de").ratingValueForName("FSK 16"));
}

TEST_F(TmdbLookupStepsTest, OnlyTheFirstEntryOfTheCountryCounts)
{
    movie->setRating("kept");
    reply("/3/movie/7/releases",
          R"({"id":7,"countries":[{"certification":"","iso_3166_1":"US","release_date":"1999-03-31"},)"
          R"({"certification":"R","iso_3166_1":"US","release_date":"2000-01-01"}]})");
    client.getCertificationAnReleaseDate("7", "en");
    // An empty certification leaves the rating, but the date still counts.
    EXPECT_EQ(movie->rating(), "kept");
    EXPECT_EQ(movie->releaseDate(), QDateTime(QDate(1999, 3, 31), QTime(12, 0), Qt::UTC));
}

TEST_F(TmdbLookupStepsTest, UnknownCertificationClearsTheRatingAndNoCountryChangesNothing)
{
    movie->setRating("kept");
    const QDateTime before = movie->releaseDate();
    reply("/3/movie/7/releases", R"({"id":7,"countries":[{"certification":"X9","iso_3166_1":"us","release_date":""},)"
                                 R"({"certification":"12","iso_3166_1":"FR","release_date":"1979-09-12"}]})");
    client.getCertificationAnReleaseDate("7", "jp");
    EXPECT_EQ(movie->rating(), "kept");
    EXPECT_EQ(movie->releaseDate(), before);

    client.getCertificationAnReleaseDate("7", "us");
    EXPECT_TRUE(movie->rating().isNull());
    EXPECT_EQ(movie->releaseDate(), before);
}

TEST_F(TmdbLookupStepsTest, PostersWithoutAspectRatioGetSoundSizes)
{
    reply("/3/movie/7/images",
          R"({"backdrops":[],"id":7,"posters":[)"
          R"({"aspect_ratio":0,"height":1500,"iso_639_1":"de","file_path":"/zero.jpg","vote_count":3,"width":1000},)"
          R"({"height":0,"iso_639_1":"de","file_path":"/bare.jpg","vote_count":1,"width":0}]})");
    server.route("GET", "/t/p/w154/zero.jpg", FakeReply::bytes(pngBytes({4, 6}, posterColour(0)), "image/png"));
    server.route("GET", "/t/p/w154/bare.jpg", FakeReply::bytes(pngBytes({4, 6}, posterColour(1)), "image/png"));
    server.route("GET", "/t/p/original/zero.jpg", FakeReply::bytes(pngBytes({20, 30}, posterColour(0)), "image/png"));

    client.getPosterImages("7", "de", nullptr);
    ASSERT_TRUE(movie->imageModels());
    ASSERT_EQ(movie->imageModels()->size(), 2);
    // The reported pixel size stands in for the missing ratio...
    const ImageModel& zero = *movie->imageModels()->at(0);
    EXPECT_EQ(zero.height(), 231);
    EXPECT_EQ(zero.smallSize(), QSizeF(342, 513));
    EXPECT_EQ(zero.mediumSize(), QSizeF(500, 750));
    EXPECT_EQ(zero.largeSize(), QSizeF(1000, 1500));
    // ...and without one either, the usual 2:3 poster shape.
    const ImageModel& bare = *movie->imageModels()->at(1);
    EXPECT_EQ(bare.height(), 231);
    EXPECT_EQ(bare.mediumSize(), QSizeF(500, 750));
    EXPECT_EQ(bare.largeSize(), QSizeF(0, 0));
    EXPECT_EQ(log.lines(), QStringList({"Poster /zero.jpg has no usable aspect ratio (0); sized at 0.667",
                                        "Poster /bare.jpg has no usable aspect ratio (); sized at 0.667"}));
    EXPECT_EQ(movie->cover()->image().pixel(0, 0), posterColour(0).rgb());
}

TEST_F(TmdbLookupStepsTest, ThumbnailThatIsNoPictureGivesNoCandidate)
{
    reply(
        "/3/movie/7/images",
        R"({"id":7,"posters":[{"aspect_ratio":0.667,"height":3,"iso_639_1":"en","file_path":"/broken.jpg","vote_count":1,"width":2}]})");
    server.route("GET", "/t/p/w154/broken.jpg", FakeReply::bytes("not a picture", "image/jpeg"));
    client.getPosterImages("7", "de", nullptr);
    ASSERT_TRUE(movie->imageModels());
    EXPECT_TRUE(movie->imageModels()->isEmpty());
    EXPECT_FALSE(movie->coverIsSet());
}

TEST_F(TmdbLookupStepsTest, EmptyPosterListIsNoFailureButAMissingOneIs)
{
    reply("/3/movie/7/images", R"({"backdrops":[],"id":7,"logos":[],"posters":[]})");
    client.getPosterImages("7", "de", nullptr);
    ASSERT_TRUE(movie->imageModels());
    EXPECT_TRUE(movie->imageModels()->isEmpty());
    EXPECT_EQ(movie->cover(), noCoverImage());

    reply("/3/movie/8/images", R"({"backdrops":[],"id":8})");
    EXPECT_EQ(failureOf([&] { client.getPosterImages("8", "de", nullptr); }),
              "TMDbSearchHasNoPosters: no posters has been returned for search");
}

TEST_F(TmdbLookupStepsTest, HitsWithoutYearOrPoster)
{
    client.getMovieSearchItems(hitsOf(R"([{"id":1,"title":"Bare Year","release_date":"1999","poster_path":""},)"
                                      R"({"id":2,"title":"Full Date","release_date":"1999-03-31"},)"
                                      R"({"id":3,"title":"Null Poster","release_date":"","poster_path":null}])"));
    const auto& hits = client.movieSearchList();
    ASSERT_EQ(hits.size(), 3);
    EXPECT_TRUE(hits[0]->year().isNull());
    EXPECT_EQ(hits[1]->year(), "1999");
    EXPECT_TRUE(hits[2]->year().isNull());
    for (const auto& hit : hits)
        EXPECT_FALSE(hit->image());
    // An empty or null poster path still asks for the bare size address; no path asks nothing.
    EXPECT_EQ(requestLines(), QStringList({"/t/p/w92", "/t/p/w92"}));
}

TEST_F(TmdbLookupStepsTest, SearchTextShapes)
{
    EXPECT_EQ(TMDbAPI::buildSearchString("tt0111161"), "tt0111161");
    EXPECT_EQ(TMDbAPI::buildSearchString("tt0111161 extended"), "tt0111161 extended");
    EXPECT_EQ(TMDbAPI::buildSearchString("Alien: Director's Cut"), "Alien+Director's+Cut");
    EXPECT_EQ(TMDbAPI::buildSearchString("Heat #1995"), "Heat+%231995");
    EXPECT_EQ(TMDbAPI::buildSearchString("a     b"), "a++b");
    EXPECT_EQ(TMDbAPI::buildSearchString("a    b"), "a+b");
    EXPECT_EQ(TMDbAPI::buildSearchString("a      b"), "a+b");
    EXPECT_EQ(TMDbAPI::buildSearchString("tt1234 x"), "tt1234+x");
    EXPECT_EQ(failureOf([] { TMDbAPI::buildSearchString(QString::fromUtf8("Сталкер")); }),
              QString::fromUtf8("TMDbSearchTextNotEncodable: search text has no form in code page 1252: Сталкер"));
}

TEST_F(TmdbLookupStepsTest, YearMarkerWithPaddingSearchesTitleAndYear)
{
    server.route("GET", "/3/search/movie", FakeReply::fromFile("tmdb/search-empty.json"));
    for (const QString text : {"Heat+%231995", "Heat+%23+1995+", "heat %23 1995"}) {
        server.clearRequests();
        EXPECT_FALSE(failureOf([&] { client.movieSearchResult(text, "de"); }).isEmpty());
        ASSERT_FALSE(searchRequests().isEmpty()) << text.toStdString();
        EXPECT_EQ(searchRequests()[0], searchQuery(text.startsWith('h') ? "heat" : "Heat", "de", "1995"));
    }
    // Without four digits after the marker, the whole text is the query.
    server.clearRequests();
    failureOf([&] { client.movieSearchResult("Heat+%2395", "de"); });
    EXPECT_EQ(searchRequests()[0], searchQuery("Heat+%2395", "de"));
}

TEST_F(TmdbLookupStepsTest, MissingTotalIsNoReasonToRetry)
{
    reply("/3/search/movie", R"({"page":1,"results":[{"id":5,"title":"Five"}]})");
    EXPECT_EQ(client.movieSearchResult("Five", "de").size(), 1);
    EXPECT_EQ(server.requestCount(), 1);

    // A reply without a hit list is no search reply, however many it counts.
    reply("/3/search/movie", R"({"page":1,"total_results":3})");
    EXPECT_EQ(failureOf([&] { client.movieSearchResult("Five", "de"); }),
              "TMDbRequestFailed: Request on TMDb failed: the reply has no \"results\"");
}

TEST_F(TmdbLookupStepsTest, DetailsSetOnlyTheFieldsTheReplyHolds)
{
    settings().setValue("UseTMDBGenres", true);
    settings().setValue("ListTMDbGenresAsList", true);
    movie->setTitle("Kept title");
    movie->setStudio("Kept studio");
    movie->setImdbID("tt0000001");
    movie->setReleaseDate(QDateTime(QDate(2000, 1, 1), QTime(12, 0), Qt::UTC));
    reply("/3/movie/7", R"({"adult":true,"genres":[],"overview":"Kurz (lang) gesagt","production_companies":[],)"
                        R"("release_date":""})");
    client.getMovieInfos("7", "de");
    EXPECT_EQ(movie->explicitFlag(), 1);
    EXPECT_EQ(movie->allGenres(), QStringList());
    // No genres as a list is the empty text, not none.
    EXPECT_FALSE(movie->genre().isNull());
    EXPECT_TRUE(movie->genre().isEmpty());
    EXPECT_EQ(movie->shortDescription(), movie->longDescription());
    EXPECT_FALSE(movie->shortDescription().contains("lang"));
    EXPECT_TRUE(movie->releaseDate().isNull());
    EXPECT_EQ(movie->title(), "Kept title");
    EXPECT_EQ(movie->studio(), "Kept studio");
    EXPECT_EQ(movie->imdbID(), "tt0000001");

    // Not as a list, an empty genre list leaves the genre alone.
    settings().setValue("ListTMDbGenresAsList", false);
    movie->setGenre("Western");
    client.getMovieInfos("7", "de");
    EXPECT_EQ(movie->genre(), "Western");
}

TEST_F(TmdbLookupStepsTest, BuiltInGenresOfAGermanLookupComeFromTheEnglishDetails)
{
    const QString key = "api_key=" + QString(kApiKey);
    server.route("GET", "/3/movie/7", key + "&language=de",
                 FakeReply::bytes(R"({"genres":[{"id":37,"name":"Western"}],"title":"Sieben"})"));
    server.route("GET", "/3/movie/7", key + "&language=en",
                 FakeReply::bytes(R"({"genres":[{"id":35,"name":"Comedy"}],"title":"Seven"})"));
    reply("/3/movie/7/casts", R"({"id":7,"cast":[],"crew":[]})");
    reply("/3/movie/7/releases", R"({"id":7,"countries":[]})");

    const std::shared_ptr<MovieModel> found =
        client.readTmDBInformation({.name = "7", .nameIsId = true, .language = "de", .locale = "de"});
    ASSERT_TRUE(found) << log.lines().join('\n').toStdString();
    EXPECT_EQ(found->title(), "Sieben");
    EXPECT_EQ(found->genre(), "Comedy");
    ASSERT_TRUE(found->allGenres());
    EXPECT_TRUE(found->allGenres()->contains("<b>Comedy</b>"));
    EXPECT_FALSE(found->allGenres()->contains("<b>Western</b>"));
    EXPECT_EQ(requestLines().filter("/3/movie/7?").size(), 2);
}

TEST_F(TmdbLookupStepsTest, PosterWithoutLanguageFieldIsSkipped)
{
    reply(
        "/3/movie/7/images",
        R"({"id":7,"posters":[{"aspect_ratio":0.667,"height":3,"file_path":"/nofield.jpg","vote_count":9,"width":2},)"
        R"({"aspect_ratio":0.667,"height":3,"iso_639_1":null,"file_path":"/neutral.jpg","vote_count":1,"width":2}]})");
    server.route("GET", "/t/p/w154/neutral.jpg", FakeReply::bytes(pngBytes({4, 6}, posterColour(2)), "image/png"));
    client.getPosterImages("7", "de", nullptr);
    ASSERT_TRUE(movie->imageModels());
    ASSERT_EQ(movie->imageModels()->size(), 1);
    EXPECT_EQ(movie->imageModels()->at(0)->language(), "");
    EXPECT_FALSE(requestLines().join(' ').contains("nofield"));
}

TEST_F(TmdbLookupStepsTest, HitThumbnailsAreShownAt32By48Points)
{
    server.route("GET", "/t/p/w92/square.jpg", FakeReply::bytes(pngBytes({50, 50}, posterColour(3)), "image/png"));
    server.route("GET", "/t/p/w92/tall.jpg", FakeReply::bytes(pngBytes({64, 96}, posterColour(4)), "image/png"));
    server.route("GET", "/t/p/w92/wide.jpg", FakeReply::bytes(pngBytes({3000, 100}, posterColour(5)), "image/png"));
    client.getMovieSearchItems(hitsOf(R"([{"id":1,"title":"Square","poster_path":"/square.jpg"},)"
                                      R"({"id":2,"title":"Tall","poster_path":"/tall.jpg"},)"
                                      R"({"id":3,"title":"Wide","poster_path":"/wide.jpg"}])"));
    const auto& hits = client.movieSearchList();
    ASSERT_EQ(hits.size(), 3);
    ASSERT_TRUE(hits[0]->image());
    EXPECT_EQ(hits[0]->image()->size(), QSizeF(32, 48));
    EXPECT_EQ(hits[0]->image()->image().pixel(10, 10), posterColour(3).rgb());
    // Every thumbnail keeps the pixels it came with.
    ASSERT_TRUE(hits[1]->image());
    EXPECT_EQ(hits[1]->image()->pixelSize(), QSize(64, 96));
    EXPECT_EQ(hits[1]->image()->size(), QSizeF(32, 48));
    // A huge picture is decoded only at the size it is drawn.
    ASSERT_TRUE(hits[2]->image());
    EXPECT_EQ(hits[2]->image()->size(), QSizeF(32, 48));
    EXPECT_EQ(hits[2]->image()->pixelSize(), QSize(3000, 100));
    const QImage drawn = hits[2]->image()->image(QSize(4 * 32, 4 * 48));
    EXPECT_EQ(drawn.size(), QSize(4 * 32, 4 * 48));
    EXPECT_EQ(drawn.pixel(60, 90), posterColour(5).rgb());
}
