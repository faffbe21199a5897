#include "online/webrequest.h"

#include "platform/log.h"
#include "platform/modalsession.h"
#include "platform/notificationcenter.h"
#include "support/fakeserver.h"

#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

using testsupport::FakeReply;
using testsupport::FakeServer;

namespace {

void postAbort()
{
    platform::NotificationCenter::defaultCenter().post(QString::fromLatin1(kWebRequestAbortNotification));
}

class WebRequestTest : public ::testing::Test {
protected:
    void SetUp() override { WebTransport::setIdleTimeout(std::chrono::seconds(1)); }
    void TearDown() override { WebTransport::setIdleTimeout(std::chrono::seconds(30)); }

    FakeServer server;
    WebRequest runner;
    platform::LogCapture log;
};

TEST_F(WebRequestTest, SuccessfulRequestKeepsTheBodyAndSetsOnlySuccess)
{
    server.route("GET", "/3/configuration", FakeReply::fromFile("tmdb/configuration.json"));
    EXPECT_TRUE(runner.executeRequest(server.url("/3/configuration?api_key=K")));
    EXPECT_TRUE(runner.requestIsSuccessful());
    EXPECT_FALSE(runner.requestIsAborted());
    EXPECT_FALSE(runner.requestIsError());
    EXPECT_FALSE(runner.requestIsRunning());
    EXPECT_EQ(runner.requestData(), testsupport::serviceData("tmdb/configuration.json"));
    ASSERT_EQ(server.requestCount(), 1);
    EXPECT_EQ(server.requests()[0].pathAndQuery(), "/3/configuration?api_key=K");
    EXPECT_EQ(server.requests()[0].method, "GET");
    EXPECT_TRUE(log.lines().isEmpty());
}

// The error document comes back, so its message can be quoted, but the request failed.
TEST_F(WebRequestTest, HttpErrorDocumentsAreFailedRequestsWithTheirDocument)
{
    server.route("GET", "/3/movie/999999999", FakeReply::fromFile("tmdb/error-404.json", 404));
    server.route("GET", "/3/configuration", FakeReply::fromFile("tmdb/error-401.json", 401));

    const QVariantMap notFound = runner.executeJSONRequest(server.url("/3/movie/999999999?api_key=K")).toMap();
    EXPECT_TRUE(runner.requestIsError());
    EXPECT_EQ(runner.httpStatus(), 404);
    EXPECT_EQ(notFound.value("status_code").toString(), "34");
    EXPECT_EQ(notFound.value("status_message").toString(), "The resource you requested could not be found.");

    const QVariantMap refused = runner.executeJSONRequest(server.url("/3/configuration?api_key=bad")).toMap();
    EXPECT_FALSE(runner.requestIsSuccessful());
    EXPECT_EQ(refused.value("status_code").toString(), "7");
    EXPECT_EQ(refused.value("success").toString(), "false");
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(WebRequestTest, EveryHttpStatusWithACompleteBodyIsAReply)
{
    const QByteArray body = R"({"status_code":"x"})";
    for (int status : {400, 401, 403, 404, 406, 407, 410, 429, 500, 503}) {
        server.route("GET", "/status", FakeReply::bytes(body, "application/json", status));
        EXPECT_TRUE(runner.executeRequest(server.url("/status"))) << status;
        EXPECT_TRUE(runner.requestIsSuccessful()) << status;
        EXPECT_FALSE(runner.requestIsError()) << status;
        EXPECT_EQ(runner.requestData(), body) << status;
    }
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(WebRequestTest, AnErrorDocumentCutShortIsAFailure)
{
    server.route("GET", "/cut", FakeReply::fromFile("tmdb/error-404.json", 404).withDrop(FakeReply::Drop::MidBody));
    server.route("GET", "/cut-ok", FakeReply::fromFile("tmdb/configuration.json").withDrop(FakeReply::Drop::MidBody));
    for (const QString path : {"/cut", "/cut-ok"}) {
        log.clear();
        EXPECT_FALSE(runner.executeRequest(server.url(path))) << path.toStdString();
        EXPECT_TRUE(runner.requestIsError());
        EXPECT_FALSE(runner.requestIsSuccessful());
        EXPECT_TRUE(runner.requestData().isEmpty());
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.lines()[0].startsWith("Connection failed! Error - ")) << log.lines()[0].toStdString();
        EXPECT_TRUE(log.lines()[0].endsWith(" " + server.url(path))) << log.lines()[0].toStdString();
    }
}

TEST_F(WebRequestTest, BodiesAreReadAsUtf8)
{
    server.route("GET", "/bom",
                 FakeReply::bytes("\xef\xbb\xbf{\"title\":\"Kom\xc3\xb6"
                                  "die\"}"));
    server.route("GET", "/cut-character", FakeReply::bytes("{\"title\":\"Kom\xc3"));
    server.route("GET", "/surrogate", FakeReply::bytes("{\"t\":\"\xed\xa0\xbd\"}"));

    EXPECT_EQ(runner.executeJSONRequest(server.url("/bom")).toMap().value("title").toString(),
              QString::fromUtf8("Komödie"));
    EXPECT_FALSE(runner.executeJSONRequest(server.url("/cut-character")).isValid());
    EXPECT_FALSE(runner.executeJSONRequest(server.url("/surrogate")).isValid());
    EXPECT_TRUE(runner.requestIsError());
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(WebRequestTest, CompressedBodiesArriveUnpacked)
{
    // {"a":"1"} packed by gzip: shorter unpacked than its declared length.
    const QByteArray packed(
        "\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\xab\x56\x4a\x54\xb2\x52\x32\x54\xaa\x05\x00\x75"
        "\xcc\x0c\x05\x09\x00\x00\x00",
        29);
    server.route("GET", "/packed", FakeReply::bytes(packed).withHeader("Content-Encoding", "gzip"));
    EXPECT_EQ(runner.executeJSONRequest(server.url("/packed")).toMap(), QVariantMap({{"a", "1"}}));
    EXPECT_TRUE(runner.requestIsSuccessful());
}

TEST_F(WebRequestTest, JsonRepliesThatGiveNothing)
{
    server.route("GET", "/empty", FakeReply::bytes(""));
    server.route("GET", "/latin1", FakeReply::bytes("{\"title\":\"caf\xe9\"}"));
    server.route("GET", "/scalar", FakeReply::bytes("42"));

    EXPECT_FALSE(runner.executeJSONRequest(server.url("/empty")).isValid());
    EXPECT_TRUE(runner.requestIsError());
    EXPECT_FALSE(runner.executeJSONRequest(server.url("/latin1")).isValid());
    EXPECT_FALSE(runner.requestIsSuccessful());
    EXPECT_FALSE(runner.executeJSONRequest(server.url("/scalar")).isValid());
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(WebRequestTest, TopLevelArrayIsReturned)
{
    server.route("GET", "/list", FakeReply::bytes("[\"a\",{\"b\":1}]"));
    const QVariant reply = runner.executeJSONRequest(server.url("/list"));
    ASSERT_EQ(reply.typeId(), QMetaType::QVariantList);
    const QVariantList list = reply.toList();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].toString(), "a");
    EXPECT_EQ(list[1].toMap().value("b").toString(), "1");
}

TEST_F(WebRequestTest, SyntaxErrorIsLoggedTwice)
{
    server.route("GET", "/bad", FakeReply::bytes("{'a':1}"));
    EXPECT_FALSE(runner.executeJSONRequest(server.url("/bad")).isValid());
    EXPECT_EQ(log.lines(), QStringList({"Syntax error: Character: ', Location: 1", "Can't resolve JSON structure"}));
}

TEST_F(WebRequestTest, RedirectKeepsOnlyTheFinalBody)
{
    FakeReply moved = FakeReply::redirect("/final");
    moved.body = "<html>moved</html>";
    server.route("GET", "/start", moved);
    server.route("GET", "/final", FakeReply::bytes("{\"where\":\"final\"}"));
    EXPECT_TRUE(runner.executeRequest(server.url("/start")));
    EXPECT_EQ(runner.requestData(), "{\"where\":\"final\"}");
    EXPECT_EQ(server.requestCount(), 2);
}

TEST_F(WebRequestTest, DroppedConnectionIsAnErrorWithALogLine)
{
    server.route("GET", "/drop", FakeReply::dropped());
    server.route("GET", "/half", FakeReply::bytes(QByteArray(4000, 'x')).withDrop(FakeReply::Drop::MidBody));

    EXPECT_FALSE(runner.executeRequest(server.url("/drop?q=1")));
    EXPECT_TRUE(runner.requestIsError());
    EXPECT_FALSE(runner.requestIsSuccessful());
    EXPECT_FALSE(runner.requestIsRunning());
    EXPECT_TRUE(runner.requestData().isEmpty());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith("Connection failed! Error - ")) << log.lines()[0].toStdString();
    EXPECT_TRUE(log.lines()[0].endsWith(" " + server.url("/drop?q=1"))) << log.lines()[0].toStdString();

    EXPECT_FALSE(runner.executeRequest(server.url("/half")));
    EXPECT_TRUE(runner.requestIsError());
    EXPECT_TRUE(runner.requestData().isEmpty());
}

TEST_F(WebRequestTest, RefusedConnectionIsAnError)
{
    FakeServer closed;
    const QString url = closed.url("/nothing");
    closed.stop();
    EXPECT_FALSE(runner.executeRequest(url));
    EXPECT_TRUE(runner.requestIsError());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_EQ(log.lines()[0].toStdString(), ("Connection failed! Error - Connection refused " + url).toStdString());
}

TEST_F(WebRequestTest, TimesOutWhenTheServerIsSilent)
{
    WebTransport::setIdleTimeout(std::chrono::milliseconds(300));
    server.route("GET", "/slow", FakeReply::bytes("late").withDelay(3000));
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(runner.executeRequest(server.url("/slow?api_key=SECRETKEY")));
    EXPECT_LT(clock.elapsed(), 2900);  // the reply itself would come after 3000 ms
    EXPECT_TRUE(runner.requestIsError());
    EXPECT_TRUE(runner.requestData().isEmpty());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_EQ(log.lines()[0].toStdString(),
              ("Connection failed! Error - " + WebTransport::idleTimedOutText(std::chrono::milliseconds(300)) + " " +
               server.url("/slow?api_key=<hidden>"))
                  .toStdString());
}

TEST_F(WebRequestTest, UnusableAddressFailsAtOnceWithoutALogLine)
{
    EXPECT_FALSE(runner.executeRequest(""));
    EXPECT_TRUE(runner.requestIsError());
    EXPECT_FALSE(runner.executeRequest("no address at all"));
    EXPECT_TRUE(runner.requestIsError());
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_EQ(server.requestCount(), 0);
}

TEST_F(WebRequestTest, CancelDuringARequestEndsTheWaitWithinASlice)
{
    server.route("GET", "/slow", FakeReply::bytes("late").withDelay(3000));
    QTimer::singleShot(150, [] { postAbort(); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(runner.executeRequest(server.url("/slow")));
    const qint64 elapsed = clock.elapsed();
    EXPECT_GE(elapsed, 150);
    // The wait ends in the slice of the cancel, before the reply.
    EXPECT_LT(elapsed, 2900);
    EXPECT_TRUE(runner.requestIsAborted());
    EXPECT_FALSE(runner.requestIsSuccessful());
    EXPECT_FALSE(runner.requestIsRunning());
    EXPECT_FALSE(runner.requestIsError());
    EXPECT_TRUE(runner.requestData().isEmpty());
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(WebRequestTest, CancelBetweenRequestsMarksEveryRunnerUntilItsNextRequest)
{
    server.route("GET", "/ok", FakeReply::bytes("ok"));
    WebRequest other;
    ASSERT_TRUE(runner.executeRequest(server.url("/ok")));
    postAbort();
    // An abort after a finished request leaves the success beside it.
    EXPECT_TRUE(runner.requestIsAborted());
    EXPECT_TRUE(runner.requestIsSuccessful());
    EXPECT_TRUE(other.requestIsAborted());
    EXPECT_FALSE(other.requestIsSuccessful());

    EXPECT_TRUE(other.executeRequest(server.url("/ok")));
    EXPECT_FALSE(other.requestIsAborted());
    EXPECT_TRUE(runner.requestIsAborted());
}

TEST_F(WebRequestTest, DestroyedRunnerNoLongerListens)
{
    auto gone = std::make_unique<WebRequest>();
    gone.reset();
    postAbort();
    EXPECT_TRUE(runner.requestIsAborted());
}

class CountingSession : public platform::ModalSession {
public:
    void runModalSession() override { ++turns; }
    int turns = 0;
};

TEST_F(WebRequestTest, ModalSessionGetsATurnPerSlice)
{
    server.route("GET", "/slow", FakeReply::bytes("late").withDelay(450));
    CountingSession session;
    runner.setModalSession(&session);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(runner.executeRequest(server.url("/slow")));
    // Every slice lasts at least 0.1 s and begins with one turn.
    EXPECT_GE(session.turns, 2);
    EXPECT_LE(session.turns, clock.elapsed() / 100 + 1);
    EXPECT_EQ(runner.requestData(), "late");
}

}  // namespace
