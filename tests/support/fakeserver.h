#pragma once

// A fake HTTP/1.1 service on 127.0.0.1 for the tests of the web clients, so
// that no test ever reaches the internet.
//
// Use:
//
//     testsupport::FakeServer server;              // listens on an ephemeral port
//     server.route("GET", "/3/configuration", testsupport::FakeReply::fromFile("tmdb/configuration.json"));
//     server.route("GET", "/3/movie/999", "api_key=K&language=de",
//                  testsupport::FakeReply::fromFile("tmdb/error-404.json", 404));
//     qputenv("KORVALANE_TMDB_URL", server.baseUrl().toUtf8());   // "http://127.0.0.1:PORT"
//     ... run the client ...
//     ASSERT_EQ(server.requests().size(), 2);
//     EXPECT_EQ(server.requests()[0].query, "api_key=K");
//
// Matching: a route matches on the method and the path (both exact) and,
// when the route names a query, on the raw query text exactly as sent (still
// percent-encoded, without the "?"). A route without a query matches any
// query. The route added last wins, so a fixture can set general answers and
// a test can override one. Unmatched requests get 404 with a plain-text body
// and are recorded like every other request.
//
// Replies can carry any status and headers, a body from tests/data/services/
// or given bytes (also bytes that are not JSON or not UTF-8), a body streamed
// from a repeated chunk (of a given size, or without end, or trickled out a
// chunk at a time), a delay before
// the answer, a redirect, or a dropped connection (closed before any answer,
// or after the headers and half of the body). A handler function can build
// the reply from the request (for a sequence of different answers, say).
//
// Threads: by default the server runs on the thread that creates it (the
// main thread in tests), and answers while the client under test pumps the
// event loop (pumpEvents, QEventLoop). A client that blocks the main thread
// until its answer arrives needs FakeServer::Threading::OwnThread: the server
// then runs on a thread of its own. Routes and the request record are safe to
// use from the test's thread in both modes.
//
// Every connection is answered with "Connection: close".

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QPair>
#include <QString>
#include <QUrl>
#include <QUrlQuery>

#include <functional>
#include <memory>
#include <optional>

class QThread;

namespace testsupport {

class FakeServerCore;

// One request as the server received it.
struct FakeRequest {
    QByteArray method;
    QString path;                                  // percent-decoded path, e.g. "/3/movie/348"
    QString query;                                 // raw query as sent, without "?", e.g. "api_key=K&language=de"
    QList<QPair<QByteArray, QByteArray>> headers;  // in the order received, names as sent
    QByteArray body;

    // The value of a header, name compared case-insensitively; empty when absent.
    QByteArray header(const QByteArray& name) const;
    bool hasHeader(const QByteArray& name) const;
    QUrlQuery queryItems() const { return QUrlQuery(query); }
    // Path and query as one text: "/3/movie/348?api_key=K".
    QString pathAndQuery() const { return query.isEmpty() ? path : path + "?" + query; }
};

// What the server answers to a matched request.
struct FakeReply {
    enum class Drop {
        None,
        BeforeReply,  // close the connection without answering
        MidBody,      // send the headers and half of the body, then close
    };

    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    int delayMs = 0;  // wait this long before answering (the event loop keeps running)
    Drop drop = Drop::None;
    QByteArray streamChunk;    // when set, the body is this chunk repeated, written as the client reads
    qint64 streamTotal = -1;   // bytes of a streamed body; negative: without end
    int streamIntervalMs = 0;  // > 0: one chunk every so many milliseconds, however fast the client reads
    bool declareLength = true;

    // A body read from tests/data/services/<relativePath>, with the content
    // type the real service sends for that kind of file.
    static FakeReply fromFile(const QString& relativePath, int status = 200);
    // The given bytes as the body.
    static FakeReply bytes(const QByteArray& body, const QByteArray& contentType = "application/json;charset=utf-8",
                           int status = 200);
    // A 302 (or other 3xx) pointing at `location` (absolute, or a path on this server).
    static FakeReply redirect(const QString& location, int status = 302);
    // A connection closed before any answer.
    static FakeReply dropped();
    // A body of `total` bytes (without end when negative) made by repeating
    // `chunk`; the server holds one chunk at a time, so a huge or endless
    // body costs the test process no memory. `declareLength` sends its
    // Content-Length (never for an endless one).
    static FakeReply streamed(const QByteArray& chunk, qint64 total, const QByteArray& contentType,
                              bool declareLength = true);

    // A body of `total` bytes (declared) that arrives one `chunk` every
    // `intervalMs`: a server that trickles, never quite silent.
    static FakeReply trickled(const QByteArray& chunk, qint64 total, int intervalMs, const QByteArray& contentType);

    FakeReply& withDelay(int ms);
    FakeReply& withHeader(const QByteArray& name, const QByteArray& value);
    FakeReply& withDrop(Drop how);
    // Replaces every occurrence of `from` in the body (e.g. a host by the server's address).
    FakeReply& withReplaced(const QByteArray& from, const QByteArray& to);
};

using FakeHandler = std::function<FakeReply(const FakeRequest&)>;

class FakeServer;

// Bodies without end behind redirects, for the checks that a transfer holds to its bound
// however it is sent on: GET and POST "/hop1" (one redirect) and "/hop3" (three; a POST's
// by 307s, which keep its body), all ending at "/endless".
void routeEndlessBehindRedirects(FakeServer& server);

// An answer that is no valid reply of a service, named for the test's trace.
struct FailedAnswer {
    QString what;
    FakeReply reply;
};

// 500, 502 and 503 with an HTML error page and with `errorDocument` (a JSON
// error document), a page that is neither JSON nor XML, and `validBody` cut short.
QList<FailedAnswer> failedAnswers(const QByteArray& errorDocument, const QByteArray& validBody);

// The bytes of tests/data/services/<relativePath>; empty when the file is missing.
QByteArray serviceData(const QString& relativePath);

class FakeServer {
public:
    enum class Threading { CallerThread, OwnThread };

    // Starts listening at once; isListening() tells whether that worked.
    explicit FakeServer(Threading threading = Threading::CallerThread);
    ~FakeServer();
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    bool isListening() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    // "http://127.0.0.1:PORT", no final slash.
    QString baseUrl() const;
    // baseUrl() followed by `pathAndQuery` ("/t/p/w92/a.jpg").
    QString url(const QString& pathAndQuery) const;

    void route(const QByteArray& method, const QString& path, const FakeReply& reply);
    void route(const QByteArray& method, const QString& path, const QString& query, const FakeReply& reply);
    void route(const QByteArray& method, const QString& path, std::optional<QString> query, FakeHandler handler);

    // Every request received so far, in arrival order.
    QList<FakeRequest> requests() const;
    qsizetype requestCount() const;
    void clearRequests();

    // Stops listening and closes every open connection; the destructor calls
    // it. The record of requests stays readable.
    void stop();

private:
    std::unique_ptr<FakeServerCore> m_core;
    std::unique_ptr<QThread> m_thread;  // destroyed (already stopped) before the core
    quint16 m_port = 0;
    bool m_stopped = false;
};

}  // namespace testsupport
