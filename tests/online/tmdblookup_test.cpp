// Whole movie database lookups against the fake server, with replies in the
// service's shapes: the filled record, the hits, the poster candidates and
// the cover, the requests sent, the log lines and status().
#include "tmdblookup_fixture.h"

#include "model/imagemodel.h"
#include "model/moviemodel.h"
#include "model/moviesearchitemmodel.h"
#include "online/tmdbapi.h"
#include "online/webrequest.h"
#include "platform/settings.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace tmdblookuptest;
using testsupport::FakeReply;

namespace {

QDateTime noonUtc(int year, int month, int day)
{
    return QDateTime(QDate(year, month, day), QTime(12, 0), Qt::UTC);
}

const QString kOverviewWithoutAside = QString::fromUtf8(
    "Auf dem Rückflug zur Erde wird die siebenköpfige Besatzung des Frachters Nostromo vorzeitig aus dem "
    "Kälteschlaf geweckt: Ein fremdes Signal lockt sie auf einen öden Planetoiden. Was sie von dort mitbringen, "
    "macht das Schiff zur tödlichen Falle.");

}  // namespace

TEST_F(TmdbLookupTest, TitleWithYearFillsTheRecordFieldByField)
{
    TMDbAPI client;
    const std::shared_ptr<MovieModel> movie = lookUp(client, "Alien #1979");
    ASSERT_TRUE(movie) << log.lines().join('\n').toStdString();
    EXPECT_EQ(client.status(), TMDbAPI::Status::NotFound);
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();

    EXPECT_EQ(movie->title(), QString::fromUtf8("Alien - Das unheimliche Wesen aus einer fremden Welt"));
    EXPECT_EQ(movie->shortDescription(), kOverviewWithoutAside);
    EXPECT_EQ(movie->longDescription(), kOverviewWithoutAside);
    EXPECT_EQ(movie->studio(), "Brandywine Productions");
    // The German release replaces the date of the details.
    EXPECT_EQ(movie->releaseDate(), noonUtc(1979, 10, 25));
    EXPECT_EQ(movie->imdbID(), "tt0078748");
    EXPECT_EQ(movie->explicitFlag(), 0);
    EXPECT_EQ(movie->rating(), "de-movie|ab 16 Jahren|500|");
    EXPECT_EQ(movie->genre(), "Sci-Fi & Fantasy");
    ASSERT_TRUE(movie->allGenres());
    EXPECT_TRUE(movie->allGenres()->contains("<b>Horror</b>"));
    EXPECT_TRUE(movie->allGenres()->contains("<b>Sci-Fi &amp; Fantasy</b>"));
    EXPECT_TRUE(movie->allGenres()->contains("Drama"));

    EXPECT_EQ(movie->artists(),
              QStringList({"Tom Skerritt", "Sigourney Weaver", "Veronica Cartwright", "Harry Dean Stanton", "John Hurt",
                           "Ian Holm", "Yaphet Kotto", "Bolaji Badejo", "Helen Horton"}));
    EXPECT_EQ(movie->directors(), QStringList({"Ridley Scott"}));
    EXPECT_EQ(movie->producers(), QStringList({"Gordon Carroll", "David Giler", "Walter Hill"}));
    EXPECT_EQ(movie->screenWriters(), QStringList({"Dan O'Bannon", "David Giler"}));
}

TEST_F(TmdbLookupTest, HitsKeepReplyOrderWithYearsAndThumbnails)
{
    TMDbAPI client;
    const std::shared_ptr<MovieModel> movie = lookUp(client, "Alien #1979");
    ASSERT_TRUE(movie);

    const auto& hits = client.movieSearchList();
    ASSERT_EQ(hits.size(), 3);
    EXPECT_EQ(hits[0]->movieId(), "348");
    EXPECT_EQ(hits[0]->title(), QString::fromUtf8("Alien - Das unheimliche Wesen aus einer fremden Welt"));
    EXPECT_EQ(hits[0]->year(), "1979");
    ASSERT_TRUE(hits[0]->image());
    EXPECT_EQ(hits[0]->image()->pixelSize(), kHitThumbnailPixels);
    EXPECT_EQ(hits[0]->image()->size(), QSizeF(32, 48));
    // A hit whose poster is null still asks for the bare size address; no picture comes back.
    EXPECT_EQ(hits[1]->movieId(), "520147");
    EXPECT_FALSE(hits[1]->image());
    EXPECT_EQ(hits[2]->movieId(), "611402");
    EXPECT_TRUE(hits[2]->image());

    ASSERT_TRUE(movie->foundMovies());
    ASSERT_EQ(movie->foundMovies()->size(), 3);
    EXPECT_EQ(movie->foundMovies()->at(2), hits[2]);
}

TEST_F(TmdbLookupTest, PosterCandidatesAndTheChosenCover)
{
    TMDbAPI client;
    const std::shared_ptr<MovieModel> movie = lookUp(client, "Alien #1979");
    ASSERT_TRUE(movie);

    // With "de": the posters in de, en and without language, in reply order; fr is skipped.
    ASSERT_TRUE(movie->imageModels());
    const auto& candidates = *movie->imageModels();
    ASSERT_EQ(candidates.size(), 5);
    const QStringList expectedPaths{kAlienPosters[0].path, kAlienPosters[1].path, kAlienPosters[2].path,
                                    kAlienPosters[4].path, kAlienPosters[5].path};
    for (int i = 0; i < candidates.size(); ++i)
        EXPECT_EQ(candidates[i]->largeUrl(), imageUrl("original", expectedPaths[i])) << i;

    const ImageModel& first = *candidates[0];
    EXPECT_EQ(first.url(), imageUrl("w154", kAlienPosters[0].path));
    EXPECT_EQ(first.width(), 154);
    EXPECT_EQ(first.height(), 231);
    EXPECT_EQ(first.language(), "en");
    EXPECT_EQ(first.voteCount(), 24);
    EXPECT_EQ(first.smallUrl(), imageUrl("w342", kAlienPosters[0].path));
    EXPECT_EQ(first.smallSize(), QSizeF(342, 513));
    EXPECT_EQ(first.mediumUrl(), imageUrl("w500", kAlienPosters[0].path));
    EXPECT_EQ(first.mediumSize(), QSizeF(500, 750));
    EXPECT_EQ(first.largeSize(), QSizeF(2000, 3000));
    EXPECT_EQ(first.coverSizeAsLabel(), "2000 x 3000");
    ASSERT_TRUE(first.image());
    EXPECT_EQ(first.image()->image().pixel(0, 0), posterColour(0).rgb());

    EXPECT_EQ(candidates[2]->language(), "");
    EXPECT_EQ(candidates[3]->mediumSize(), QSizeF(500, 741));  // aspect ratio 0.675

    // The German poster with the most votes, in the large rendition (the default size 2).
    ASSERT_TRUE(movie->coverIsSet());
    EXPECT_EQ(movie->cover()->size(), kRenditionPixels.value("original"));
    EXPECT_EQ(movie->cover()->image().pixel(0, 0), posterColour(1).rgb());
}

TEST_F(TmdbLookupTest, RequestsOfAWholeLookupInOrder)
{
    TMDbAPI client;
    ASSERT_TRUE(lookUp(client, "Alien #1979"));

    const QString key = "api_key=" + QString(kApiKey);
    QStringList expected{
        "/3/configuration?" + key,
        "/3/search/movie?" + key + "&query=Alien&language=de&year=1979",
        "/t/p/w92" + kAlienHitPosters[0],
        "/t/p/w92",
        "/t/p/w92" + kAlienHitPosters[1],
        "/3/movie/348?" + key + "&language=de",
        "/3/movie/348?" + key + "&language=en",
        "/3/movie/348/casts?" + key,
        "/3/movie/348/releases?" + key,
        "/3/movie/348/images?" + key,
    };
    for (int i : {0, 1, 2, 4, 5})
        expected << "/t/p/w154" + kAlienPosters[i].path;
    expected << "/t/p/original" + kAlienPosters[1].path;
    EXPECT_EQ(requestLines(), expected);
}

TEST_F(TmdbLookupTest, TitleWithoutYearSearchesWithTheLanguage)
{
    server.route("GET", "/3/search/movie", searchQuery("Alien", "de"),
                 FakeReply::fromFile("tmdb/search-alien-1979.json"));
    TMDbAPI client;
    ASSERT_TRUE(lookUp(client, "Alien"));
    EXPECT_EQ(searchRequests(), QStringList({searchQuery("Alien", "de")}));
}

TEST_F(TmdbLookupTest, NoHitWithLanguageRetriesOnceWithTheBareQuery)
{
    server.route("GET", "/3/search/movie", searchQuery("Alien", "de", "1979"),
                 FakeReply::fromFile("tmdb/search-empty.json"));
    server.route("GET", "/3/search/movie", searchQuery("Alien"), FakeReply::fromFile("tmdb/search-alien-1979.json"));
    TMDbAPI client;
    const std::shared_ptr<MovieModel> movie = lookUp(client, "Alien  # 1979 ");
    ASSERT_TRUE(movie);
    EXPECT_EQ(searchRequests(), QStringList({searchQuery("Alien", "de", "1979"), searchQuery("Alien")}));
    EXPECT_EQ(client.movieSearchList().size(), 3);
}

TEST_F(TmdbLookupTest, NoHitAfterTheRetryIsNotFound)
{
    server.route("GET", "/3/search/movie", FakeReply::fromFile("tmdb/search-empty.json"));
    TMDbAPI client;
    EXPECT_FALSE(lookUp(client, "Heat #1995"));
    EXPECT_EQ(client.status(), TMDbAPI::Status::NotFound);
    EXPECT_EQ(log.lines(), QStringList({"readTMDBInformation: TMDbMovieNotFound: movie not found: Heat"}));
    EXPECT_EQ(searchRequests(), QStringList({searchQuery("Heat", "de", "1995"), searchQuery("Heat")}));
    EXPECT_FALSE(client.movie());
}

TEST_F(TmdbLookupTest, ImdbIdIsLookedUpByFind)
{
    TMDbAPI client;
    const std::shared_ptr<MovieModel> movie = lookUp(client, "tt0078748");
    ASSERT_TRUE(movie) << log.lines().join('\n').toStdString();
    EXPECT_EQ(movie->imdbID(), "tt0078748");
    const QStringList lines = requestLines();
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[1], "/3/find/tt0078748?api_key=" + QString(kApiKey) + "&language=de&external_source=imdb_id");
    EXPECT_EQ(lines[2], "/t/p/w92" + kAlienHitPosters[0]);
    EXPECT_TRUE(searchRequests().isEmpty());
    ASSERT_EQ(client.movieSearchList().size(), 1);
    EXPECT_EQ(client.movieSearchList()[0]->movieId(), "348");
}

TEST_F(TmdbLookupTest, FindWithoutMatchIsNotFound)
{
    server.route("GET", "/3/find/tt9999999", FakeReply::fromFile("tmdb/find-none.json"));
    TMDbAPI client;
    EXPECT_FALSE(lookUp(client, "tt9999999"));
    EXPECT_EQ(client.status(), TMDbAPI::Status::NotFound);
    EXPECT_EQ(log.lines(), QStringList({"readTMDBInformation: TMDbMovieNotFound: movie not found: tt9999999"}));
    EXPECT_FALSE(requestLines().join(' ').contains("/3/movie/"));
}

// A proxy or a wrong address may answer with an error document that quotes the request,
// key and all: the log line keeps the message but never the key.
TEST_F(TmdbLookupTest, AnErrorDocumentQuotingTheRequestLogsNoKey)
{
    server.route("GET", "/3/configuration", std::nullopt, [](const testsupport::FakeRequest& request) {
        return FakeReply::bytes(R"({"status_code":7,"status_message":"Invalid API key: )" +
                                    request.pathAndQuery().toUtf8() + R"(","success":false})",
                                "application/json;charset=utf-8", 401);
    });
    TMDbAPI client;
    EXPECT_FALSE(lookUp(client, "Alien #1979"));
    EXPECT_EQ(client.status(), TMDbAPI::Status::Failed);
    EXPECT_EQ(
        log.lines(),
        QStringList({"readTMDBInformation: TMDbRequestFailed: Invalid API key: /3/configuration?api_key=<hidden>"}));
}

TEST_F(TmdbLookupTest, ShortTtTextIsReworkedButStillGoesToFind)
{
    server.route("GET", "/3/find/tt1234+x", FakeReply::fromFile("tmdb/find-none.json"));
    TMDbAPI client;
    EXPECT_FALSE(lookUp(client, "tt1234 x"));
    EXPECT_TRUE(requestLines().contains("/3/find/tt1234+x?api_key=" + QString(kApiKey) +
                                        "&language=de&external_source=imdb_id"));
}

TEST_F(TmdbLookupTest, InvalidKeyIsAnError)
{
    server.route("GET", "/3/configuration", FakeReply::fromFile("tmdb/error-401.json", 401));
    TMDbAPI client;
    EXPECT_FALSE(lookUp(client, "Alien #1979"));
    EXPECT_EQ(client.status(), TMDbAPI::Status::Failed);
    EXPECT_EQ(log.lines(), QStringList({"readTMDBInformation: TMDbRequestFailed: Invalid API key: You must be "
                                        "granted a valid key."}));
    EXPECT_EQ(server.requestCount(), 1);

    // The default image address stays, and no later lookup asks for the configuration again.
    // (The search finds nothing, so no picture is asked of the real image host.)
    EXPECT_EQ(TMDbAPI::imageBaseUrl(), TMDbAPI::kDefaultImageBaseUrl);
    server.clearRequests();
    server.route("GET", "/3/configuration", FakeReply::fromFile("tmdb/configuration.json"));
    server.route("GET", "/3/search/movie", FakeReply::fromFile("tmdb/search-empty.json"));
    TMDbAPI second;
    EXPECT_FALSE(lookUp(second, "Alien #1979"));
    EXPECT_EQ(searchRequests(), QStringList({searchQuery("Alien", "de", "1979"), searchQuery("Alien")}));
    EXPECT_EQ(server.requestCount(), 2);
}

TEST_F(TmdbLookupTest, SecondLookupReadsNoConfiguration)
{
    TMDbAPI client;
    ASSERT_TRUE(lookUp(client, "Alien #1979"));
    server.clearRequests();
    ASSERT_TRUE(lookUp(client, "Alien #1979"));
    EXPECT_FALSE(requestLines().join(' ').contains("/3/configuration"));
}

TEST_F(TmdbLookupTest, MovieIdTheServiceDoesNotKnowIsAnError)
{
    server.route("GET", "/3/movie/999999999", FakeReply::fromFile("tmdb/error-404.json", 404));
    TMDbAPI client;
    const SearchItemList earlier{std::make_shared<MovieSearchItemModel>("999999999", "Lost", "2001", nullptr)};
    EXPECT_FALSE(client.readTmDBInformation({.name = "999999999",
                                             .nameIsId = true,
                                             .language = "de",
                                             .locale = "de",
                                             .lastSearchMovieList = earlier,
                                             .loadCovers = true}));
    EXPECT_EQ(client.status(), TMDbAPI::Status::Failed);
    EXPECT_EQ(log.lines(),
              QStringList({"readTMDBInformation: TMDbRequestFailed: The resource you requested could not be found."}));
}

TEST_F(TmdbLookupTest, MovieIdMakesNoSearchAndCopiesTheHitsPassedIn)
{
    TMDbAPI client;
    const auto kept = std::make_shared<MovieSearchItemModel>("1", "Kept", "1999", nullptr);
    client.setMovieSearchList({kept});
    const SearchItemList earlier{std::make_shared<MovieSearchItemModel>("348", "Alien", "1979", nullptr),
                                 std::make_shared<MovieSearchItemModel>("8077", "Alien 3", "1992", nullptr)};
    SearchItemList passed = earlier;

    const std::shared_ptr<MovieModel> movie = client.readTmDBInformation(
        {.name = "348", .nameIsId = true, .language = "de", .locale = "de", .lastSearchMovieList = passed});
    ASSERT_TRUE(movie);
    EXPECT_TRUE(searchRequests().isEmpty());
    EXPECT_FALSE(requestLines().join(' ').contains("/t/p/w92"));
    EXPECT_EQ(client.movieSearchList(), SearchItemList({kept}));
    EXPECT_EQ(movie->foundMovies(), earlier);
    EXPECT_EQ(passed, earlier);

    const std::shared_ptr<MovieModel> withoutHits =
        client.readTmDBInformation({.name = "348", .nameIsId = true, .language = "de", .locale = "de"});
    ASSERT_TRUE(withoutHits);
    EXPECT_FALSE(withoutHits->foundMovies());
}

TEST_F(TmdbLookupTest, DroppedConnectionIsAnError)
{
    server.route("GET", "/3/movie/348/casts", FakeReply::dropped());
    TMDbAPI client;
    EXPECT_FALSE(lookUp(client, "Alien #1979"));
    EXPECT_EQ(client.status(), TMDbAPI::Status::Failed);
    ASSERT_EQ(log.lines().size(), 2) << log.lines().join('\n').toStdString();
    EXPECT_TRUE(log.lines()[0].startsWith("Connection failed! Error - "));
    EXPECT_FALSE(log.lines()[0].contains(kApiKey));
    EXPECT_EQ(log.lines()[1], "readTMDBInformation: TMDbRequestFailed: Request on TMDb failed");
    EXPECT_FALSE(requestLines().join(' ').contains("/releases"));
}

// A search that failed is no search without hits: no retry, and status() says it failed.
TEST_F(TmdbLookupTest, AFailedSearchIsNotRetriedAndReadsFailed)
{
    QList<testsupport::FailedAnswer> answers = testsupport::failedAnswers(
        testsupport::serviceData("tmdb/error-401.json"), testsupport::serviceData("tmdb/search-alien-1979.json"));
    answers.append({"without a hit list", FakeReply::bytes(R"({"page":1,"total_pages":1,"total_results":4})")});
    for (const auto& [what, reply] : answers) {
        SCOPED_TRACE(what.toStdString());
        server.clearRequests();
        server.route("GET", "/3/search/movie", reply);
        TMDbAPI client;
        EXPECT_FALSE(lookUp(client, "Alien #1979"));
        EXPECT_EQ(client.status(), TMDbAPI::Status::Failed);
        EXPECT_EQ(searchRequests().size(), 1);
        EXPECT_TRUE(log.lines().last().startsWith("readTMDBInformation: TMDbRequestFailed: "));
    }
}

TEST_F(TmdbLookupTest, CancelDuringAHitThumbnailLetsItFinishThenEndsTheLookup)
{
    const QString firstThumb = "/t/p/w92" + kAlienHitPosters[0];
    server.route("GET", firstThumb, std::nullopt, [](const testsupport::FakeRequest&) {
        postAbortSoon(20);
        return FakeReply::bytes(pngBytes(kHitThumbnailPixels, posterColour(0)), "image/png").withDelay(150);
    });
    TMDbAPI client;
    EXPECT_FALSE(lookUp(client, "Alien #1979"));
    EXPECT_EQ(client.status(), TMDbAPI::Status::Cancelled);
    EXPECT_EQ(log.lines(),
              QStringList({"readTMDBInformation: TMDbSearchResultsAborted: aborted while loading search results"}));
    // The pending thumbnail was awaited; nothing was asked after it.
    EXPECT_EQ(requestLines().last(), firstThumb);
    EXPECT_TRUE(client.movieSearchList().isEmpty());
}

TEST_F(TmdbLookupTest, CancelDuringAPosterThumbnailEndsTheLookup)
{
    const QString secondPoster = "/t/p/w154" + kAlienPosters[1].path;
    server.route("GET", secondPoster, std::nullopt, [](const testsupport::FakeRequest&) {
        postAbortSoon(20);
        return FakeReply::bytes(pngBytes({4, 6}, posterColour(1)), "image/png").withDelay(2000);
    });
    TMDbAPI client;
    RecordingProgress progress;
    EXPECT_FALSE(lookUp(client, "Alien #1979", true, &progress));
    EXPECT_EQ(client.status(), TMDbAPI::Status::Cancelled);
    EXPECT_EQ(log.lines(), QStringList({"readTMDBInformation: TMDbLoadThumbNailFailed: failed or aborted during "
                                        "loading thumb nail image"}));
    EXPECT_EQ(requestLines().last(), secondPoster);
    // The loop failed inside: the bar is left determinate at the first poster.
    EXPECT_EQ(progress.calls.last(), "display");
    EXPECT_TRUE(progress.calls.contains("value 1"));
    EXPECT_FALSE(progress.calls.contains("value 2"));
}

TEST_F(TmdbLookupTest, CancelBetweenTwoPostersIsNoticedAtTheNextPoster)
{
    // The abort arrives after the first thumbnail has loaded, before the loop's next slice.
    const QString firstPoster = "/t/p/w154" + kAlienPosters[0].path;
    server.route("GET", firstPoster, std::nullopt, [](const testsupport::FakeRequest&) {
        return FakeReply::bytes(pngBytes({4, 6}, posterColour(0)), "image/png");
    });
    TMDbAPI client;
    bool posted = false;
    RecordingProgress progress([&posted](const QString& call) {
        if (call == "value 1" && !posted) {
            posted = true;
            postAbortNow();
        }
    });
    EXPECT_FALSE(lookUp(client, "Alien #1979", true, &progress));
    EXPECT_EQ(client.status(), TMDbAPI::Status::Cancelled);
    EXPECT_EQ(log.lines(), QStringList({"readTMDBInformation: TMDbPosterLoadAborted: abort during loading posters"}));
    EXPECT_FALSE(requestLines().contains("/t/p/w154" + kAlienPosters[1].path));
}

TEST_F(TmdbLookupTest, TextOutsideCodePage1252FailsCleanly)
{
    TMDbAPI client;
    EXPECT_FALSE(lookUp(client, QString::fromUtf8("Ōkami")));
    EXPECT_EQ(log.lines(), QStringList({QString::fromUtf8("readTMDBInformation: TMDbSearchTextNotEncodable: search "
                                                          "text has no form in code page 1252: Ōkami")}));
    EXPECT_TRUE(searchRequests().isEmpty());
    // status() tells of the request before: the configuration, which succeeded.
    EXPECT_EQ(client.status(), TMDbAPI::Status::NotFound);
}

TEST_F(TmdbLookupTest, TextsOfCodePage1252AreEscapedIntoTheQuery)
{
    server.route("GET", "/3/search/movie", FakeReply::fromFile("tmdb/search-empty.json"));
    TMDbAPI client;
    lookUp(client, QString::fromUtf8("Amélie: 100% €uro"));
    ASSERT_FALSE(searchRequests().isEmpty());
    EXPECT_EQ(searchRequests()[0], searchQuery("Am%C3%A9lie+100%25+%E2%82%ACuro", "de"));
}

TEST_F(TmdbLookupTest, DatabaseGenresAsAListNeedOneDetailsRequest)
{
    settings().setValue("UseTMDBGenres", true);
    settings().setValue("ListTMDbGenresAsList", true);
    TMDbAPI client;
    const std::shared_ptr<MovieModel> movie = lookUp(client, "Alien #1979");
    ASSERT_TRUE(movie);
    EXPECT_EQ(movie->genre(), "Horror, Science Fiction");
    EXPECT_EQ(movie->allGenres(), QStringList({"Horror", "Science Fiction"}));
    EXPECT_FALSE(requestLines().join(' ').contains("language=en"));
}

TEST_F(TmdbLookupTest, DatabaseGenresNotAsAListTakeTheFirst)
{
    settings().setValue("UseTMDBGenres", true);
    TMDbAPI client;
    const std::shared_ptr<MovieModel> movie = lookUp(client, "Alien #1979");
    ASSERT_TRUE(movie);
    EXPECT_EQ(movie->genre(), "Horror");
}

TEST_F(TmdbLookupTest, EnglishSearchMakesNoSecondDetailsRequest)
{
    server.route("GET", "/3/search/movie", searchQuery("Alien", "en"),
                 FakeReply::fromFile("tmdb/search-alien-1979.json"));
    TMDbAPI client;
    const std::shared_ptr<MovieModel> movie =
        client.readTmDBInformation({.name = "Alien", .language = "en", .locale = "en", .loadCovers = true});
    ASSERT_TRUE(movie) << log.lines().join('\n').toStdString();
    EXPECT_EQ(movie->title(), "Alien");
    EXPECT_EQ(movie->genre(), "Sci-Fi & Fantasy");
    // "en" stands for the US release.
    EXPECT_EQ(movie->rating(), "mpaa|R|400|");
    EXPECT_EQ(movie->releaseDate(), noonUtc(1979, 5, 25));
    const QStringList details = requestLines().filter(QRegularExpression("^/3/movie/348\\?"));
    EXPECT_EQ(details.size(), 1);
    // English first, then the one without language: the English poster with most votes.
    EXPECT_EQ(movie->cover()->image().pixel(0, 0), posterColour(0).rgb());
}

TEST_F(TmdbLookupTest, CoverSizeSettingPicksTheRendition)
{
    const QStringList steps{"w342", "w500", "original"};
    for (int size = 0; size < 3; ++size) {
        settings().setValue("SizeOfCoverInSearchWindow", size);
        server.clearRequests();
        TMDbAPI client;
        const std::shared_ptr<MovieModel> movie = lookUp(client, "Alien #1979");
        ASSERT_TRUE(movie);
        EXPECT_EQ(requestLines().last(), "/t/p/" + steps[size] + kAlienPosters[1].path) << size;
        EXPECT_EQ(movie->cover()->size(), kRenditionPixels.value(steps[size])) << size;
    }
}

TEST_F(TmdbLookupTest, WithoutCoversNoPostersAreAsked)
{
    TMDbAPI client;
    const std::shared_ptr<MovieModel> movie = lookUp(client, "Alien #1979", false);
    ASSERT_TRUE(movie);
    ASSERT_TRUE(movie->imageModels());
    EXPECT_TRUE(movie->imageModels()->isEmpty());
    EXPECT_FALSE(movie->coverIsSet());
    EXPECT_FALSE(requestLines().join(' ').contains("/images"));
    EXPECT_FALSE(requestLines().join(' ').contains("/t/p/w154"));
}

TEST_F(TmdbLookupTest, ProgressGoesDeterminateForThePostersAndBackToBusy)
{
    TMDbAPI client;
    RecordingProgress progress;
    ASSERT_TRUE(lookUp(client, "Alien #1979", true, &progress));
    QStringList expected{"stop", "indeterminate 0", "value 0", "max 6", "display"};
    for (int i = 1; i <= 6; ++i)
        expected << QString("value %1").arg(i) << "display";
    expected << "indeterminate 1"
             << "start"
             << "display";
    EXPECT_EQ(progress.calls, expected);
}

TEST_F(TmdbLookupTest, ModalSessionGetsTurnsWhileTheLookupWaits)
{
    TMDbAPI client;
    CountingSession session;
    ASSERT_TRUE(client.readTmDBInformation(
        {.name = "Alien #1979", .language = "de", .locale = "de", .modalSession = &session, .loadCovers = true}));
    // At least one turn per request wait, hit thumbnail and poster.
    EXPECT_GE(session.turns, 20);
    EXPECT_EQ(client.webRequest()->modalSession(), &session);
}

TEST_F(TmdbLookupTest, FirstHitWithoutIdIsNotFoundAfterTheHitsAreListed)
{
    server.route("GET", "/3/search/movie",
                 FakeReply::bytes(R"({"page":1,"results":[{"id":null,"poster_path":null,"release_date":"1979-05-25",)"
                                  R"("title":"Nameless"}],"total_pages":1,"total_results":1})"));
    TMDbAPI client;
    EXPECT_FALSE(lookUp(client, "Alien #1979"));
    EXPECT_EQ(client.status(), TMDbAPI::Status::NotFound);
    EXPECT_EQ(log.lines(),
              QStringList({"readTMDBInformation: MovieNotFoundException: Request to read movie data failed"}));
    ASSERT_EQ(client.movieSearchList().size(), 1);
    EXPECT_EQ(client.movieSearchList()[0]->title(), "Nameless");
    EXPECT_EQ(requestLines().last(), "/t/p/w92");
    EXPECT_FALSE(requestLines().join(' ').contains("/3/movie/"));
}

TEST_F(TmdbLookupTest, CancelDuringARequestEndsTheLookupAsCancelled)
{
    server.route("GET", "/3/movie/348/releases", std::nullopt, [](const testsupport::FakeRequest&) {
        postAbortSoon(20);
        return FakeReply::fromFile("tmdb/releases-348.json").withDelay(2000);
    });
    TMDbAPI client;
    EXPECT_FALSE(lookUp(client, "Alien #1979"));
    EXPECT_EQ(client.status(), TMDbAPI::Status::Cancelled);
    EXPECT_EQ(log.lines(), QStringList({"readTMDBInformation: TMDbRequestFailed: Request on TMDb failed"}));
    EXPECT_FALSE(requestLines().join(' ').contains("/images"));
}
