// The bounds of every kind of web request: huge and endless replies are cut
// off within their size bound, stalled servers trip the idle time-out, and a
// cancel ends every request, whichever client makes it.
#include "online/webtransport.h"
#include "online/chapterdbapi.h"
#include "online/imagefromurl.h"
#include "online/opensubtitleapi.h"
#include "online/webrequest.h"
#include "platform/log.h"
#include "platform/notificationcenter.h"
#include "support/fakeserver.h"
#include "support/imagebytes.h"
#include "support/processmemory.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>

using testsupport::FakeReply;
using testsupport::FakeServer;

namespace {

using namespace std::chrono_literals;

// How much more than a reply's bound the process may come to hold: Qt's buffers, the
// allocator's and the fake server's stay within a few mebibytes even on a loaded machine;
// a reply that is not held to its bound takes hundreds.
constexpr qint64 kMargin = 32 * WebTransport::kMebibyte;
constexpr char kChapterDbKey[] = "CHAPTERDBKEY00000042";
constexpr char kSubtitleKey[] = "subtitleKeyForTests0000000000042";

void postAbort()
{
    platform::NotificationCenter::defaultCenter().post(QString::fromLatin1(kWebRequestAbortNotification));
}

// The network stack sets itself up at its first use (a thread, its libraries): done once
// before a measurement, so that only the transfer measured counts.
void warmUpNetwork(FakeServer& server)
{
    server.route("GET", "/warm-up", FakeReply::bytes("ready", "text/plain"));
    WebTransport::fetch(QNetworkRequest(QUrl(server.url("/warm-up"))), "GET", {},
                        WebTransport::limitsFor(ReplyKind::Document));
}

// One client of the web transport, as the application uses it: where its
// request goes, what a working server answers, and whether the client got a
// result from what the server sent.
struct Client {
    const char* name;
    ReplyKind kind;
    QString path;
    QByteArray contentType;
    QByteArray goodBody;
    std::function<bool(FakeServer&)> deliver;
};

QList<Client> clients()
{
    const QByteArray subtitle = testsupport::serviceData("opensubtitles/sample.srt");
    return {
        {"request runner", ReplyKind::Document, "/3/configuration", "application/json",
         testsupport::serviceData("tmdb/configuration.json"),
         [](FakeServer& server) {
             WebRequest runner;
             return runner.executeRequest(server.url("/3/configuration?api_key=K"));
         }},
        {"chapter database", ReplyKind::Document, "/chapters/search", "text/xml",
         testsupport::serviceData("chapterdb/search-alien.xml"),
         [](FakeServer&) { return ChapterDbAPI::searchChapterDb("Alien", "01:56:48").has_value(); }},
        {"image", ReplyKind::Image, "/t/p/w92/poster.png", "image/png",
         testsupport::pngBytes(QSize(92, 138), Qt::darkRed),
         [](FakeServer& server) { return fetchImageData(QUrl(server.url("/t/p/w92/poster.png"))).has_value(); }},
        {"subtitle file", ReplyKind::SubtitleFile, "/files/sub.srt", "application/x-subrip", subtitle,
         [](FakeServer& server) {
             server.route("POST", "/api/v1/download",
                          FakeReply::bytes(R"({"link":")" + server.url("/files/sub.srt").toUtf8() + R"("})"));
             OpenSubtitleAPI api(nullptr, "de");
             return api.downloadSubtitle(QJsonValue(1)).has_value();
         }},
    };
}

class WebTransportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.isListening());
        qputenv("KORVALANE_CHAPTERDB_URL", server.baseUrl().toUtf8());
        qputenv("KORVALANE_OPENSUBTITLES_URL", (server.baseUrl() + "/api/v1").toUtf8());
        qputenv("KORVALANE_CHAPTERDB_API_KEY", kChapterDbKey);
        qputenv("KORVALANE_OPENSUBTITLES_API_KEY", kSubtitleKey);
        WebTransport::setIdleTimeout(10s);
    }
    void TearDown() override
    {
        for (const char* name : {"KORVALANE_CHAPTERDB_URL", "KORVALANE_OPENSUBTITLES_URL",
                                 "KORVALANE_CHAPTERDB_API_KEY", "KORVALANE_OPENSUBTITLES_API_KEY"})
            qunsetenv(name);
        WebTransport::setIdleTimeout(30s);
        for (const auto& [kind, deadline] : defaultDeadlines)
            WebTransport::setDeadline(kind, deadline);
    }

    const std::pair<ReplyKind, std::chrono::milliseconds> defaultDeadlines[3] = {
        {ReplyKind::Document, WebTransport::deadline(ReplyKind::Document)},
        {ReplyKind::Image, WebTransport::deadline(ReplyKind::Image)},
        {ReplyKind::SubtitleFile, WebTransport::deadline(ReplyKind::SubtitleFile)},
    };

    // Runs the client; a reply that never ends is stopped by a cancel at the
    // idle time-out, so a client that fails to cut it off fails the test
    // instead of running on.
    bool deliverWithWatchdog(const Client& client)
    {
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { postAbort(); });
        watchdog.start(WebTransport::idleTimeout());
        return client.deliver(server);
    }

    FakeServer server;
    platform::LogCapture log;
};

TEST_F(WebTransportTest, WorkingServerDeliversToEveryClient)
{
    for (const Client& client : clients()) {
        server.route("GET", client.path, FakeReply::bytes(client.goodBody, client.contentType));
        EXPECT_TRUE(client.deliver(server)) << client.name;
    }
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
}

// A body of exactly the bound is taken whole; one byte more is refused.
TEST_F(WebTransportTest, TheBoundItselfIsAllowed)
{
    for (ReplyKind kind : {ReplyKind::Document, ReplyKind::Image, ReplyKind::SubtitleFile}) {
        const FetchLimits limits = WebTransport::limitsFor(kind);
        for (const bool declared : {true, false}) {
            server.route("GET", "/exact",
                         FakeReply::streamed(QByteArray(64 * 1024, 'x'), limits.maxBodyBytes,
                                             "application/octet-stream", declared));
            FetchResult result = WebTransport::fetch(QNetworkRequest(QUrl(server.url("/exact"))), "GET", {}, limits);
            ASSERT_TRUE(result.answeredOk()) << result.error.toStdString();
            EXPECT_EQ(result.body.size(), limits.maxBodyBytes);
            result = {};

            server.route("GET", "/exact",
                         FakeReply::streamed(QByteArray(64 * 1024, 'x'), limits.maxBodyBytes + 1,
                                             "application/octet-stream", declared));
            result = WebTransport::fetch(QNetworkRequest(QUrl(server.url("/exact"))), "GET", {}, limits);
            EXPECT_EQ(result.end, FetchResult::End::Failed);
            EXPECT_EQ(result.error, WebTransport::tooLargeText(limits.maxBodyBytes));
            EXPECT_TRUE(result.body.isEmpty());
        }
    }
}

// Endless and oversized bodies, with and without a declared length, end in a
// failure with one log line naming the bound, and the process never holds
// much more than the bound meanwhile.
TEST_F(WebTransportTest, HugeAndEndlessRepliesAreCutOffAtTheirBound)
{
    ASSERT_TRUE(testsupport::resetPeakMemory()) << "peak memory cannot be measured here";
    warmUpNetwork(server);
    const QByteArray chunk(256 * 1024, 'a');
    for (const Client& client : clients()) {
        const qint64 limit = WebTransport::limitsFor(client.kind).maxBodyBytes;
        const std::pair<const char*, FakeReply> bodies[] = {
            {"endless", FakeReply::streamed(chunk, -1, client.contentType)},
            {"declared over the bound", FakeReply::streamed(chunk, limit + chunk.size(), client.contentType)},
            {"undeclared over the bound", FakeReply::streamed(chunk, limit * 2, client.contentType, false)},
        };
        for (const auto& [body, reply] : bodies) {
            const std::string what = std::string(client.name) + ", " + body;
            server.route("GET", client.path, reply);
            log.clear();
            ASSERT_TRUE(testsupport::resetPeakMemory());
            const qint64 before = testsupport::residentBytes();
            EXPECT_FALSE(deliverWithWatchdog(client)) << what;
            const qint64 peak = testsupport::peakResidentBytes();
            EXPECT_LT(peak - before, limit + kMargin) << what << ": peak " << peak << ", before " << before;
            ASSERT_EQ(log.lines().size(), 1) << what << ": " << log.lines().join('\n').toStdString();
            EXPECT_TRUE(log.lines().first().contains(QStringLiteral("reply larger than %1 bytes").arg(limit)))
                << what << ": " << log.lines().first().toStdString();
        }
    }
}

TEST_F(WebTransportTest, ASilentServerTripsTheIdleTimeOut)
{
    WebTransport::setIdleTimeout(200ms);
    for (const Client& client : clients()) {
        server.route("GET", client.path, FakeReply::bytes(client.goodBody, client.contentType).withDelay(3000));
        log.clear();
        EXPECT_FALSE(client.deliver(server)) << client.name;
        ASSERT_EQ(log.lines().size(), 1) << client.name << ": " << log.lines().join('\n').toStdString();
        EXPECT_TRUE(log.lines().first().contains(WebTransport::idleTimedOutText(200ms)))
            << client.name << ": " << log.lines().first().toStdString();
    }
}

// The server would answer after a while; a cancel before that ends the
// request, so nothing is delivered and nothing times out.
TEST_F(WebTransportTest, ACancelEndsEveryKindOfRequest)
{
    for (const Client& client : clients()) {
        server.route("GET", client.path, FakeReply::bytes(client.goodBody, client.contentType).withDelay(2000));
        server.clearRequests();
        log.clear();
        QTimer::singleShot(100ms, [] { postAbort(); });
        EXPECT_FALSE(client.deliver(server)) << client.name;
        EXPECT_EQ(server.requests().last().path, client.path) << client.name;
        for (const QString& line : log.lines()) {
            EXPECT_FALSE(line.contains(WebTransport::idleTimedOutText(WebTransport::idleTimeout())))
                << client.name << ": " << line.toStdString();
            EXPECT_FALSE(line.contains(WebTransport::deadlineText(WebTransport::deadline(client.kind))))
                << client.name << ": " << line.toStdString();
        }
    }
}

TEST_F(WebTransportTest, RedirectsAreFollowedAndOnlyTheLastBodyCounts)
{
    server.route("GET", "/old", FakeReply::redirect("/new").withHeader("Content-Type", "text/plain"));
    server.route("GET", "/new", FakeReply::bytes("the new place", "text/plain"));
    const FetchResult result = WebTransport::fetch(QNetworkRequest(QUrl(server.url("/old"))), "GET", {},
                                                   WebTransport::limitsFor(ReplyKind::Document));
    ASSERT_TRUE(result.answeredOk()) << result.error.toStdString();
    EXPECT_EQ(result.body, "the new place");
    EXPECT_EQ(result.url, QUrl(server.url("/new")));
}

// Each new reply after a redirect is bounded like the first: with the event loop busy for
// half a second between its turns, an endless body one or three redirects away never makes
// the process hold much more than the kind's bound; nor does one that answers a request with
// a body (which Qt starts only at the loop's next turn).
TEST_F(WebTransportTest, EndlessBodiesBehindRedirectsStayWithinTheirBound)
{
    ASSERT_TRUE(testsupport::resetPeakMemory()) << "peak memory cannot be measured here";
    FakeServer busyProof(FakeServer::Threading::OwnThread);  // serves while the loop is busy
    ASSERT_TRUE(busyProof.isListening());
    testsupport::routeEndlessBehindRedirects(busyProof);
    const WebTransport::WaitTurn busy = [] {
        QThread::msleep(500);
        return true;
    };
    for (ReplyKind kind : {ReplyKind::Document, ReplyKind::Image, ReplyKind::SubtitleFile}) {
        const FetchLimits limits = WebTransport::limitsFor(kind);
        for (const auto& [verb, start] : {std::pair{"GET", "/hop1"}, {"GET", "/hop3"}, {"POST", "/hop1"}}) {
            const std::string what = std::to_string(limits.maxBodyBytes) + " bytes, " + verb + " " + start;
            busyProof.clearRequests();
            ASSERT_TRUE(testsupport::resetPeakMemory());
            const qint64 before = testsupport::residentBytes();
            const QByteArray body = QByteArray(verb) == "POST" ? "payload" : "";
            const FetchResult result =
                WebTransport::fetch(QNetworkRequest(QUrl(busyProof.url(start))), verb, body, limits, busy);
            const qint64 peak = testsupport::peakResidentBytes();
            EXPECT_EQ(result.error, WebTransport::tooLargeText(limits.maxBodyBytes)) << what;
            EXPECT_EQ(busyProof.requests().last().path, "/endless") << what;
            EXPECT_LT(peak - before, limits.maxBodyBytes + kMargin)
                << what << ": peak " << peak << ", before " << before;
        }
    }
}

TEST_F(WebTransportTest, RedirectsKeepThePlatformsRules)
{
    // A POST answered by a 303 goes on as a GET; a 307 keeps the POST and its body.
    server.route("POST", "/see-other", FakeReply::redirect("/landing", 303));
    server.route("POST", "/temporary", FakeReply::redirect("/landing", 307));
    server.route("GET", "/landing", FakeReply::bytes("got", "text/plain"));
    server.route("POST", "/landing", FakeReply::bytes("posted", "text/plain"));
    // Redirects that go round for ever, or from https down to http, are not followed.
    server.route("GET", "/loop", FakeReply::redirect("/loop"));
    server.route("GET", "/to-ftp", FakeReply::redirect("ftp://127.0.0.1/file"));
    const struct {
        QByteArray verb;
        const char* path;
        const char* answer;
        const char* failure;
    } cases[] = {
        {"POST", "/see-other", "got", ""},
        {"POST", "/temporary", "posted", ""},
        {"GET", "/loop", "", "Too many redirects"},
        {"GET", "/to-ftp", "", "Insecure redirect"},
    };
    for (const auto& c : cases) {
        server.clearRequests();
        const FetchResult result = WebTransport::fetch(QNetworkRequest(QUrl(server.url(c.path))), c.verb, "payload",
                                                       WebTransport::limitsFor(ReplyKind::Document));
        EXPECT_EQ(result.body, c.answer) << c.path;
        EXPECT_EQ(result.error, c.failure) << c.path;
        if (QByteArray(c.answer) == "posted") {
            EXPECT_EQ(server.requests().last().body, "payload");
        }
    }
    EXPECT_LE(server.requestCount(), 21);  // the loop: the first request and twenty redirects
}

// A compressed body is counted and bounded as it comes out of decompression, and one that
// does not decompress is a failure, not an answer.
TEST_F(WebTransportTest, CompressedBodiesAreReadWholeAndBoundedUncompressed)
{
    const auto deflated = [](const QByteArray& plain) {
        return FakeReply::bytes(qCompress(plain, 1).mid(4), "text/plain").withHeader("Content-Encoding", "deflate");
    };
    const qint64 bound = WebTransport::limitsFor(ReplyKind::Document).maxBodyBytes;
    QByteArray lines;
    for (int i = 0; lines.size() < 2 * WebTransport::kMebibyte; ++i)
        lines += "line " + QByteArray::number(i) + "\n";
    // Hexadecimal digits of a fixed random sequence: about half their size compressed.
    QByteArray digits(bound + WebTransport::kMebibyte, '0');
    std::uint32_t state = 2463534242u;
    for (char& digit : digits) {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        digit = "0123456789abcdef"[state & 15];
    }
    const struct {
        const char* what;
        FakeReply reply;
        std::optional<QByteArray> body;  // none: the request fails with `failure`
        QString failure;
    } cases[] = {
        {"two mebibytes compressed", deflated(lines), lines, {}},
        {"over the bound uncompressed, within it compressed", deflated(digits), std::nullopt,
         WebTransport::tooLargeText(bound)},
        {"bytes that do not decompress",
         FakeReply::bytes(QByteArray(4096, '\xff'), "text/plain").withHeader("Content-Encoding", "deflate"),
         std::nullopt,
         {}},
    };
    for (const auto& c : cases) {
        server.route("GET", "/compressed", c.reply);
        const FetchResult result = WebTransport::fetch(QNetworkRequest(QUrl(server.url("/compressed"))), "GET", {},
                                                       WebTransport::limitsFor(ReplyKind::Document));
        if (c.body) {
            ASSERT_TRUE(result.answeredOk()) << c.what << ": " << result.error.toStdString();
            EXPECT_TRUE(result.body == *c.body) << c.what << ": " << result.body.size() << " bytes";
            continue;
        }
        EXPECT_EQ(result.end, FetchResult::End::Failed) << c.what;
        EXPECT_TRUE(result.body.isEmpty()) << c.what;
        if (!c.failure.isEmpty())
            EXPECT_EQ(result.error, c.failure) << c.what;
        else
            EXPECT_FALSE(result.error.isEmpty()) << c.what;
    }
}

// The credentials of a service go only to that service: a redirect to another origin (another
// port, or another host on the same port) goes on without them and says so in the log, without
// the secrets; one to the same origin keeps them all. Each client sends its own.
TEST_F(WebTransportTest, CredentialsGoOnlyToTheirOwnSite)
{
    FakeServer elsewhere;
    ASSERT_TRUE(elsewhere.isListening());
    const QByteArray token =
        QJsonDocument::fromJson(testsupport::serviceData("opensubtitles/login.json"))["token"].toString().toUtf8();
    server.route("POST", "/api/v1/login", FakeReply::fromFile("opensubtitles/login.json"));
    const struct {
        const char* client;
        QString path;
        QList<QByteArray> credentials;
        std::function<void()> call;
    } clients[] = {
        {"subtitle search",
         "/api/v1/subtitles",
         {"Api-Key", "Authorization"},
         [] {
             OpenSubtitleAPI api(nullptr, "de");
             ASSERT_TRUE(api.logIn());
             api.searchSubtitles("tt0078748", false);
         }},
        {"chapter database search",
         "/chapters/search",
         {"ApiKey"},
         [] { ChapterDbAPI::searchChapterDb("Alien", "01:56:48"); }},
        {"a request with a cookie",
         "/cookie",
         {"Cookie"},
         [this] {
             QNetworkRequest request(QUrl(server.url("/cookie")));
             request.setRawHeader("Cookie", "session=s3cr3tSession");
             WebTransport::fetch(request, "GET", {}, WebTransport::limitsFor(ReplyKind::Document));
         }},
    };
    const QList<QByteArray> secrets = {kSubtitleKey, kChapterDbKey, token, "s3cr3tSession"};
    const struct {
        const char* what;
        FakeServer* landing;
        QString url;  // of "/landing"
    } landings[] = {
        {"same site", &server, server.url("/landing")},
        {"another port", &elsewhere, elsewhere.url("/landing")},
        {"another host, same port", &server, QStringLiteral("http://localhost:%1/landing").arg(server.port())},
    };
    for (const auto& client : clients) {
        for (const auto& [where, landing, url] : landings) {
            const bool sameSite = url == server.url("/landing");
            const std::string what = std::string(client.client) + ", " + where;
            server.route("GET", client.path, FakeReply::redirect(url));
            landing->route("GET", "/landing", FakeReply::bytes(R"({"total_pages":0})"));
            server.clearRequests();
            elsewhere.clearRequests();
            log.clear();
            client.call();

            const QList<testsupport::FakeRequest> sent = server.requests();
            const auto first =
                std::find_if(sent.begin(), sent.end(), [&](const auto& r) { return r.path == client.path; });
            ASSERT_NE(first, sent.end()) << what;
            ASSERT_FALSE(landing->requests().isEmpty()) << what;
            const testsupport::FakeRequest& landed = landing->requests().last();
            ASSERT_EQ(landed.path, "/landing") << what;
            for (const QByteArray& name : client.credentials) {
                ASSERT_TRUE(first->hasHeader(name)) << what << ": " << name.toStdString();
                if (sameSite)
                    EXPECT_EQ(landed.header(name), first->header(name)) << what << ": " << name.toStdString();
                else
                    EXPECT_FALSE(landed.hasHeader(name)) << what << ": " << name.toStdString();
            }
            const QString logged = log.lines().join('\n');
            EXPECT_EQ(logged.contains("credentials dropped"), !sameSite) << what << ": " << logged.toStdString();
            for (const QByteArray& secret : secrets)
                EXPECT_FALSE(logged.contains(QString::fromUtf8(secret))) << what << ": " << logged.toStdString();
        }
    }
}

// A request body (a login's holds the password) goes on only to the same site: a 307 to
// another one ends the request there, and that site hears nothing.
TEST_F(WebTransportTest, ABodyIsNeverCarriedToAnotherSite)
{
    FakeServer elsewhere;
    ASSERT_TRUE(elsewhere.isListening());
    elsewhere.route("POST", "/api/v1/login", FakeReply::fromFile("opensubtitles/login.json"));
    server.route("POST", "/api/v1/login", FakeReply::redirect(elsewhere.url("/api/v1/login"), 307));
    OpenSubtitleAPI api(nullptr, "de");
    EXPECT_FALSE(api.logIn());
    EXPECT_EQ(elsewhere.requestCount(), 0);
    EXPECT_TRUE(log.lines().join('\n').contains("the request's body is not sent there"))
        << log.lines().join('\n').toStdString();

    server.route("POST", "/api/v1/login", FakeReply::redirect("/api/v1/again", 307));
    server.route("POST", "/api/v1/again", FakeReply::fromFile("opensubtitles/login.json"));
    EXPECT_TRUE(api.logIn());
    EXPECT_EQ(server.requests().last().body, server.requests()[server.requestCount() - 2].body);
}

// A server that sends a byte every fifth of a second never trips the idle time-out (with room
// for a loaded machine's delays between the bytes); the overall deadline ends the request, and
// the failure says that it was the deadline.
TEST_F(WebTransportTest, ATricklingServerEndsAtTheDeadline)
{
    WebTransport::setIdleTimeout(1500ms);
    for (const Client& client : clients()) {
        WebTransport::setDeadline(client.kind, 2500ms);
        server.route("GET", client.path, FakeReply::trickled("x", 100000, 200, client.contentType));
        log.clear();
        QTimer watchdog;  // a deadline that does not work fails the test rather than hanging it
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { postAbort(); });
        watchdog.start(10s);
        EXPECT_FALSE(client.deliver(server)) << client.name;
        ASSERT_EQ(log.lines().size(), 1) << client.name << ": " << log.lines().join('\n').toStdString();
        EXPECT_TRUE(log.lines().first().contains(WebTransport::deadlineText(2500ms)))
            << client.name << ": " << log.lines().first().toStdString();
        EXPECT_FALSE(log.lines().first().contains(WebTransport::idleTimedOutText(1500ms))) << client.name;
    }
}

}  // namespace
