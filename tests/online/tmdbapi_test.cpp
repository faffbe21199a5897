#include "online/tmdbapi.h"

#include "online/namedfailure.h"
#include "online/webrequest.h"
#include "platform/log.h"
#include "platform/modalsession.h"
#include "platform/notificationcenter.h"
#include "support/fakeserver.h"

#include <QTimer>

#include <gtest/gtest.h>

using testsupport::FakeReply;
using testsupport::FakeServer;

namespace {

const QString kKey = QStringLiteral("0123456789abcdef0123456789abcdef");

class TMDbAPITest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("KORVALANE_TMDB_URL", server.baseUrl().toUtf8());
        qputenv("KORVALANE_TMDB_API_KEY", kKey.toUtf8());
        WebTransport::setIdleTimeout(std::chrono::seconds(1));
        TMDbAPI::setImageBaseUrl(QString());
    }
    void TearDown() override
    {
        qunsetenv("KORVALANE_TMDB_URL");
        qunsetenv("KORVALANE_TMDB_API_KEY");
        WebTransport::setIdleTimeout(std::chrono::seconds(30));
        TMDbAPI::setImageBaseUrl(QString());
    }

    // The failure that `work` throws; fails the test when it throws none.
    template <typename Work>
    NamedFailure failureOf(Work work)
    {
        try {
            work();
        } catch (const NamedFailure& failure) {
            return failure;
        }
        ADD_FAILURE() << "no failure";
        return NamedFailure(QString(), QString());
    }

    QString url(const QString& pathAndQuery) { return TMDbAPI::apiUrl(pathAndQuery); }

    FakeServer server;
    TMDbAPI api;
    platform::LogCapture log;
};

TEST_F(TMDbAPITest, AReplyIsReturnedAndStatusReadsOne)
{
    server.route("GET", "/3/movie/348", FakeReply::fromFile("tmdb/movie-348-de.json"));
    const QVariantMap reply = api.executeJSONUrlRequest(url("/3/movie/348?api_key=" + kKey + "&language=de"));
    EXPECT_EQ(reply.value("imdb_id").toString(), "tt0078748");
    EXPECT_EQ(reply.value("adult").toString(), "false");
    EXPECT_EQ(api.status(), TMDbAPI::Status::NotFound);
    EXPECT_EQ(server.requests()[0].pathAndQuery(), "/3/movie/348?api_key=" + kKey + "&language=de");
}

TEST_F(TMDbAPITest, ErrorDocumentsFailWithTheServiceMessage)
{
    server.route("GET", "/3/movie/999999999", FakeReply::fromFile("tmdb/error-404.json", 404));
    server.route("GET", "/3/configuration", FakeReply::fromFile("tmdb/error-401.json", 401));
    // Whatever else it holds, a status_code marks an error document, even with HTTP 200.
    server.route("GET", "/3/movie/1",
                 FakeReply::bytes(R"({"id":1,"title":"X","status_code":25,"status_message":"Busy"})"));

    NamedFailure notFound = failureOf([&] { api.executeJSONUrlRequest(url("/3/movie/999999999?api_key=" + kKey)); });
    EXPECT_EQ(notFound.name(), "TMDbRequestFailed");
    EXPECT_EQ(notFound.reason(), "The resource you requested could not be found.");
    EXPECT_EQ(api.status(), TMDbAPI::Status::Failed);
    EXPECT_TRUE(api.webRequest()->requestIsError());
    EXPECT_FALSE(api.webRequest()->requestIsSuccessful());

    NamedFailure refused = failureOf([&] { api.executeJSONUrlRequest(url("/3/configuration?api_key=" + kKey)); });
    EXPECT_EQ(refused.reason(), "Invalid API key: You must be granted a valid key.");
    EXPECT_EQ(api.status(), TMDbAPI::Status::Failed);

    NamedFailure busy = failureOf([&] { api.executeJSONUrlRequest(url("/3/movie/1?api_key=" + kKey)); });
    EXPECT_EQ(busy.reason(), "Busy");
    EXPECT_EQ(api.status(), TMDbAPI::Status::Failed);

    // Presence alone counts, also of an empty code and without a message.
    server.route("GET", "/3/movie/6", FakeReply::bytes(R"({"status_code":null,"results":[]})"));
    NamedFailure bare = failureOf([&] { api.executeJSONUrlRequest(url("/3/movie/6?api_key=" + kKey)); });
    EXPECT_EQ(bare.name(), "TMDbRequestFailed");
    EXPECT_TRUE(bare.reason().isEmpty());
    EXPECT_EQ(api.status(), TMDbAPI::Status::Failed);
}

// A page that is no JSON dictionary is no reply: the request failed, with the HTTP status when it was an error.
TEST_F(TMDbAPITest, UnreadableRepliesFailWithStatusTwo)
{
    server.route("GET", "/3/movie/2", FakeReply::bytes("<html>maintenance</html>", "text/html"));
    server.route("GET", "/3/movie/3", FakeReply::bytes("[\"not\",\"a\",\"dictionary\"]"));
    server.route("GET", "/3/movie/4", FakeReply::bytes("<html>maintenance</html>", "text/html", 503));
    for (const QString id : {"2", "3", "4"}) {
        NamedFailure failure =
            failureOf([&] { api.executeJSONUrlRequest(url("/3/movie/" + id + "?api_key=" + kKey)); });
        EXPECT_EQ(failure.name(), "TMDbRequestFailed");
        EXPECT_EQ(failure.reason(), id == "4" ? "Request on TMDb failed: HTTP status 503" : "Request on TMDb failed");
        EXPECT_EQ(api.status(), TMDbAPI::Status::Failed);
    }
}

TEST_F(TMDbAPITest, FailedConnectionsReadTwoAndCancelsThree)
{
    server.route("GET", "/3/movie/4", FakeReply::dropped());
    NamedFailure dropped = failureOf([&] { api.executeJSONUrlRequest(url("/3/movie/4?api_key=" + kKey)); });
    EXPECT_EQ(dropped.reason(), "Request on TMDb failed");
    EXPECT_EQ(api.status(), TMDbAPI::Status::Failed);

    WebTransport::setIdleTimeout(std::chrono::milliseconds(200));
    server.route("GET", "/3/movie/5", FakeReply::bytes("{}").withDelay(2000));
    failureOf([&] { api.executeJSONUrlRequest(url("/3/movie/5?api_key=" + kKey)); });
    EXPECT_EQ(api.status(), TMDbAPI::Status::Failed);

    WebTransport::setIdleTimeout(std::chrono::seconds(1));
    QTimer::singleShot(100, [] {
        platform::NotificationCenter::defaultCenter().post(QString::fromLatin1(kWebRequestAbortNotification));
    });
    failureOf([&] { api.executeJSONUrlRequest(url("/3/movie/5?api_key=" + kKey)); });
    EXPECT_EQ(api.status(), TMDbAPI::Status::Cancelled);

    for (const QString& line : log.lines())
        EXPECT_FALSE(line.contains(kKey)) << line.toStdString();
}

// Records what status() reads while the request is still in flight.
class StatusWatcher : public platform::ModalSession {
public:
    explicit StatusWatcher(const TMDbAPI& api) : m_api(api) {}
    void runModalSession() override { seen.append(m_api.status()); }
    QList<TMDbAPI::Status> seen;

private:
    const TMDbAPI& m_api;
};

TEST_F(TMDbAPITest, StatusReadsZeroWhileTheRequestRuns)
{
    server.route("GET", "/3/configuration", FakeReply::fromFile("tmdb/configuration.json").withDelay(250));
    StatusWatcher watcher(api);
    api.webRequest()->setModalSession(&watcher);
    api.getImageBaseUrl();
    ASSERT_FALSE(watcher.seen.isEmpty());
    for (TMDbAPI::Status seen : watcher.seen)
        EXPECT_EQ(seen, TMDbAPI::Status::Running);
    EXPECT_EQ(api.status(), TMDbAPI::Status::NotFound);
}

TEST_F(TMDbAPITest, WithoutAKeyNothingIsSent)
{
    qunsetenv("KORVALANE_TMDB_API_KEY");
    NamedFailure failure = failureOf([&] { api.getGenreNames("de", "de"); });
    EXPECT_EQ(failure.name(), "TMDbRequestFailed");
    EXPECT_EQ(failure.reason(), "Request on TMDb failed");
    EXPECT_EQ(api.status(), TMDbAPI::Status::Failed);
    EXPECT_EQ(server.requestCount(), 0);
    EXPECT_EQ(log.lines(), QStringList({"TMDb API key is not set (KORVALANE_TMDB_API_KEY): no request sent"}));
}

TEST_F(TMDbAPITest, GenreNamesAskForTheRightLanguageTag)
{
    server.route("GET", "/3/genre/movie/list", FakeReply::fromFile("tmdb/genre-list-en.json"));
    server.route("GET", "/3/genre/movie/list", "api_key=" + kKey + "&language=de_DE",
                 FakeReply::fromFile("tmdb/genre-list-de.json"));

    const QStringList german = api.getGenreNames("de", "de");
    ASSERT_EQ(german.size(), 19);
    EXPECT_EQ(german[0], "Action");
    EXPECT_TRUE(german.contains(QString::fromUtf8("Komödie")));

    const QStringList english = api.getGenreNames(QString(), QString());
    ASSERT_EQ(english.size(), 19);
    EXPECT_EQ(english[1], "Adventure");
    EXPECT_EQ(english[18], "Western");

    api.getGenreNames("fr", QString());
    api.getGenreNames(QString(), "us");
    // Empty texts count as none.
    api.getGenreNames("en", "");
    api.getGenreNames("", "de");

    const QList<testsupport::FakeRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 6);
    EXPECT_EQ(requests[0].pathAndQuery(), "/3/genre/movie/list?api_key=" + kKey + "&language=de_DE");
    EXPECT_EQ(requests[1].pathAndQuery(), "/3/genre/movie/list?api_key=" + kKey);
    EXPECT_EQ(requests[2].pathAndQuery(), "/3/genre/movie/list?api_key=" + kKey + "&language=fr");
    EXPECT_EQ(requests[3].pathAndQuery(), "/3/genre/movie/list?api_key=" + kKey);
    EXPECT_EQ(requests[4].pathAndQuery(), "/3/genre/movie/list?api_key=" + kKey + "&language=en");
    EXPECT_EQ(requests[5].pathAndQuery(), "/3/genre/movie/list?api_key=" + kKey);
}

TEST_F(TMDbAPITest, GenreNamesWithoutGenresAreEmpty)
{
    server.route("GET", "/3/genre/movie/list", FakeReply::bytes(R"({"page":1})"));
    EXPECT_TRUE(api.getGenreNames("en", QString()).isEmpty());
    EXPECT_EQ(api.status(), TMDbAPI::Status::NotFound);
}

TEST_F(TMDbAPITest, ImageBaseAddressComesFromTheConfiguration)
{
    EXPECT_TRUE(TMDbAPI::imageBaseUrl().isNull());
    server.route("GET", "/3/configuration", "api_key=" + kKey,
                 FakeReply::fromFile("tmdb/configuration.json")
                     .withReplaced("http://image.tmdb.org/t/p/", server.url("/t/p/").toUtf8()));
    api.getImageBaseUrl();
    EXPECT_EQ(TMDbAPI::imageBaseUrl(), server.url("/t/p/"));
    ASSERT_EQ(server.requestCount(), 1);
    EXPECT_EQ(server.requests()[0].pathAndQuery(), "/3/configuration?api_key=" + kKey);
}

TEST_F(TMDbAPITest, ImageBaseAddressKeepsTheDefaultWhenTheConfigurationFails)
{
    server.route("GET", "/3/configuration", FakeReply::fromFile("tmdb/error-401.json", 401));
    failureOf([&] { api.getImageBaseUrl(); });
    EXPECT_EQ(TMDbAPI::imageBaseUrl(), "https://image.tmdb.org/t/p/");

    // Configurations that name no usable address keep the default too.
    for (const QByteArray reply :
         {R"({"images":{"secure_base_url":"x"}})", R"({"images":{"base_url":null}})", R"({"images":{"base_url":""}})",
          R"({"images":{"base_url":["x"]}})", R"({"images":"x"})", R"({"change_keys":[]})"}) {
        server.route("GET", "/3/configuration", FakeReply::bytes(reply));
        TMDbAPI::setImageBaseUrl(QString());
        api.getImageBaseUrl();
        EXPECT_EQ(TMDbAPI::imageBaseUrl(), TMDbAPI::kDefaultImageBaseUrl) << reply.toStdString();
        EXPECT_EQ(api.status(), TMDbAPI::Status::NotFound);
    }
}

}  // namespace
