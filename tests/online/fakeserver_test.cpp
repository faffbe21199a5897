// The fake service server itself: the web client tests rely on its routing,
// its record of requests and its failure modes.
#include "support/fakeserver.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

using testsupport::FakeReply;
using testsupport::FakeRequest;
using testsupport::FakeServer;

namespace {

struct Fetched {
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QByteArray body;
    QByteArray contentType;
};

// A plain asynchronous client that pumps the event loop of this thread.
Fetched fetch(const QString& url, const QByteArray& method = "GET", const QByteArray& body = {})
{
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url)};
    if (!body.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    QNetworkReply* reply = manager.sendCustomRequest(request, method, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    Fetched fetched;
    fetched.error = reply->error();
    fetched.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    fetched.body = reply->readAll();
    fetched.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    delete reply;
    return fetched;
}

TEST(FakeServer, ServesFilesByMethodPathAndQuery)
{
    FakeServer server;
    ASSERT_TRUE(server.isListening());
    server.route("GET", "/3/genre/movie/list", FakeReply::fromFile("tmdb/genre-list-en.json"));
    server.route("GET", "/3/genre/movie/list", "api_key=K&language=de", FakeReply::fromFile("tmdb/genre-list-de.json"));

    const Fetched german = fetch(server.url("/3/genre/movie/list?api_key=K&language=de"));
    EXPECT_EQ(german.status, 200);
    EXPECT_TRUE(
        german.body.contains("Kom\xc3\xb6"
                             "die"));
    EXPECT_EQ(german.contentType, "application/json;charset=utf-8");

    const Fetched english = fetch(server.url("/3/genre/movie/list?api_key=K"));
    EXPECT_TRUE(english.body.contains("\"Comedy\""));

    const Fetched other = fetch(server.url("/3/movie/1?api_key=K"));
    EXPECT_EQ(other.status, 404);
    EXPECT_TRUE(other.body.startsWith("no route for /3/movie/1"));

    const QList<FakeRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 3);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].path, "/3/genre/movie/list");
    EXPECT_EQ(requests[0].query, "api_key=K&language=de");
    EXPECT_EQ(requests[1].pathAndQuery(), "/3/genre/movie/list?api_key=K");
    EXPECT_EQ(requests[2].queryItems().queryItemValue("api_key"), "K");
}

TEST(FakeServer, RecordsHeadersAndBodies)
{
    FakeServer server;
    server.route("POST", "/api/v1/login", FakeReply::fromFile("opensubtitles/error-401.json", 401));
    const Fetched fetched = fetch(server.url("/api/v1/login"), "POST", R"({"username":"u","password":"p"})");
    EXPECT_EQ(fetched.status, 401);
    EXPECT_EQ(fetched.body.trimmed().size(), 59);
    ASSERT_EQ(server.requestCount(), 1);
    const FakeRequest request = server.requests()[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.body, R"({"username":"u","password":"p"})");
    EXPECT_EQ(request.header("content-type"), "application/json");
    EXPECT_TRUE(request.hasHeader("Host"));
    EXPECT_FALSE(request.hasHeader("Api-Key"));
}

TEST(FakeServer, LaterRoutesAndHandlersWin)
{
    FakeServer server;
    server.route("GET", "/a", FakeReply::bytes("first"));
    server.route("GET", "/a", FakeReply::bytes("second"));
    int calls = 0;
    server.route("GET", "/count", std::nullopt, [&calls](const FakeRequest& request) {
        ++calls;
        return FakeReply::bytes(QByteArray::number(calls) + request.query.toUtf8(), "text/plain");
    });
    EXPECT_EQ(fetch(server.url("/a")).body, "second");
    EXPECT_EQ(fetch(server.url("/count?x")).body, "1x");
    EXPECT_EQ(fetch(server.url("/count?y")).body, "2y");
}

TEST(FakeServer, RedirectsToAPathOnItself)
{
    FakeServer server;
    server.route("GET", "/old", FakeReply::redirect("/new"));
    server.route("GET", "/new", FakeReply::bytes("moved here"));
    const Fetched fetched = fetch(server.url("/old"));
    EXPECT_EQ(fetched.status, 200);
    EXPECT_EQ(fetched.body, "moved here");
    ASSERT_EQ(server.requestCount(), 2);
    EXPECT_EQ(server.requests()[1].path, "/new");
}

TEST(FakeServer, DropsConnections)
{
    FakeServer server;
    server.route("GET", "/before", FakeReply::dropped());
    server.route("GET", "/mid", FakeReply::bytes(QByteArray(1000, 'x')).withDrop(FakeReply::Drop::MidBody));
    EXPECT_NE(fetch(server.url("/before")).error, QNetworkReply::NoError);
    EXPECT_NE(fetch(server.url("/mid")).error, QNetworkReply::NoError);
}

TEST(FakeServer, DelaysWhileTheEventLoopRuns)
{
    FakeServer server;
    server.route("GET", "/slow", FakeReply::bytes("late").withDelay(300));
    QElapsedTimer clock;
    clock.start();
    const Fetched fetched = fetch(server.url("/slow"));
    EXPECT_EQ(fetched.body, "late");
    EXPECT_GE(clock.elapsed(), 290);
}

TEST(FakeServer, ServesNonUtf8Bytes)
{
    FakeServer server;
    const QByteArray latin1("caf\xe9 \xff\xfe", 7);
    server.route("GET", "/bytes", FakeReply::bytes(latin1, "text/plain; charset=iso-8859-1"));
    EXPECT_EQ(fetch(server.url("/bytes")).body, latin1);
}

TEST(FakeServer, AnswersABlockingClientFromItsOwnThread)
{
    FakeServer server(FakeServer::Threading::OwnThread);
    server.route("GET", "/blocking", FakeReply::bytes("answered"));
    // This client never returns to the event loop of the test's thread.
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", server.port());
    ASSERT_TRUE(socket.waitForConnected(3000));
    socket.write("GET /blocking?q=1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray answer;
    while (socket.waitForReadyRead(3000))
        answer += socket.readAll();
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(answer.endsWith("\r\n\r\nanswered"));
    ASSERT_EQ(server.requestCount(), 1);
    EXPECT_EQ(server.requests()[0].query, "q=1");
}

TEST(FakeServer, KeepsTheRecordAfterStopping)
{
    FakeServer server;
    server.route("GET", "/x", FakeReply::bytes("x"));
    fetch(server.url("/x"));
    const quint16 port = server.port();
    server.stop();
    EXPECT_EQ(server.requestCount(), 1);
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", port);
    EXPECT_FALSE(socket.waitForConnected(1000));
}

}  // namespace
