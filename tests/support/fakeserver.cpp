#include "fakeserver.h"

#include <QFile>
#include <QHostAddress>
#include <QMetaObject>
#include <QMutexLocker>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace testsupport {

namespace {

const QByteArray kHeaderEnd = "\r\n\r\n";

QByteArray contentTypeFor(const QString& path)
{
    if (path.endsWith(".json"))
        return "application/json;charset=utf-8";
    if (path.endsWith(".xml"))
        return "text/xml; charset=utf-8";
    if (path.endsWith(".html"))
        return "text/html; charset=utf-8";
    if (path.endsWith(".srt"))
        return "application/x-subrip";
    if (path.endsWith(".jpg") || path.endsWith(".jpeg"))
        return "image/jpeg";
    if (path.endsWith(".png"))
        return "image/png";
    return "application/octet-stream";
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
        case 200:
            return "OK";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 303:
            return "See Other";
        case 307:
            return "Temporary Redirect";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 404:
            return "Not Found";
        case 406:
            return "Not Acceptable";
        case 429:
            return "Too Many Requests";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        default:
            return "Status";
    }
}

struct Route {
    QByteArray method;
    QString path;
    std::optional<QString> query;
    FakeHandler handler;

    bool matches(const FakeRequest& request) const
    {
        return request.method == method && request.path == path && (!query || *query == request.query);
    }
};

// Splits a complete request head and body off `buffer`; nullopt while incomplete.
std::optional<FakeRequest> parseRequest(const QByteArray& buffer)
{
    const qsizetype headEnd = buffer.indexOf(kHeaderEnd);
    if (headEnd < 0)
        return std::nullopt;
    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    FakeRequest request;
    request.method = requestLine.value(0);
    const QByteArray target = requestLine.value(1);
    const qsizetype questionMark = target.indexOf('?');
    request.path = QUrl::fromPercentEncoding(questionMark < 0 ? target : target.left(questionMark));
    request.query = questionMark < 0 ? QString() : QString::fromLatin1(target.mid(questionMark + 1));
    qsizetype contentLength = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed();
        const QByteArray value = line.mid(colon + 1).trimmed();
        request.headers.append({name, value});
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
            contentLength = value.toLongLong();
    }
    const qsizetype bodyStart = headEnd + kHeaderEnd.size();
    if (buffer.size() - bodyStart < contentLength)
        return std::nullopt;
    request.body = buffer.mid(bodyStart, contentLength);
    return request;
}

}  // namespace

QByteArray FakeRequest::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

bool FakeRequest::hasHeader(const QByteArray& name) const
{
    for (const auto& header : headers)
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QList<FailedAnswer> failedAnswers(const QByteArray& errorDocument, const QByteArray& validBody)
{
    // What a proxy in front of a service shows; the unclosed <br> keeps it from being XML.
    const QByteArray errorPage =
        "<!DOCTYPE html><html><head><title>Service Unavailable</title></head>"
        "<body><h1>Service Unavailable</h1><p>Please try again later.<br></body></html>";
    QList<FailedAnswer> answers;
    for (const int status : {500, 502, 503}) {
        answers.append({QStringLiteral("%1 HTML").arg(status), FakeReply::bytes(errorPage, "text/html", status)});
        answers.append(
            {QStringLiteral("%1 JSON").arg(status), FakeReply::bytes(errorDocument, "application/json", status)});
    }
    answers.append({QStringLiteral("200 HTML"), FakeReply::bytes(errorPage, "text/html")});
    answers.append({QStringLiteral("cut short"), FakeReply::bytes(validBody).withDrop(FakeReply::Drop::MidBody)});
    return answers;
}

QByteArray serviceData(const QString& relativePath)
{
    QFile file(QStringLiteral(KORVALANE_TEST_DATA "/services/") + relativePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

FakeReply FakeReply::fromFile(const QString& relativePath, int status)
{
    return bytes(serviceData(relativePath), contentTypeFor(relativePath), status);
}

FakeReply FakeReply::bytes(const QByteArray& body, const QByteArray& contentType, int status)
{
    FakeReply reply;
    reply.status = status;
    reply.body = body;
    if (!contentType.isEmpty())
        reply.headers.append({"Content-Type", contentType});
    return reply;
}

FakeReply FakeReply::redirect(const QString& location, int status)
{
    FakeReply reply;
    reply.status = status;
    reply.headers.append({"Location", location.toUtf8()});
    return reply;
}

FakeReply FakeReply::dropped()
{
    FakeReply reply;
    reply.drop = Drop::BeforeReply;
    return reply;
}

FakeReply FakeReply::streamed(const QByteArray& chunk, qint64 total, const QByteArray& contentType, bool declareLength)
{
    FakeReply reply = bytes({}, contentType);
    reply.streamChunk = chunk;
    reply.streamTotal = total;
    reply.declareLength = declareLength && total >= 0;
    return reply;
}

FakeReply FakeReply::trickled(const QByteArray& chunk, qint64 total, int intervalMs, const QByteArray& contentType)
{
    FakeReply reply = streamed(chunk, total, contentType);
    reply.streamIntervalMs = intervalMs;
    return reply;
}

FakeReply& FakeReply::withDelay(int ms)
{
    delayMs = ms;
    return *this;
}

FakeReply& FakeReply::withHeader(const QByteArray& name, const QByteArray& value)
{
    headers.append({name, value});
    return *this;
}

FakeReply& FakeReply::withDrop(Drop how)
{
    drop = how;
    return *this;
}

FakeReply& FakeReply::withReplaced(const QByteArray& from, const QByteArray& to)
{
    body.replace(from, to);
    return *this;
}

// Lives on the server's thread; everything but the routes and the record is
// touched only there.
class FakeServerCore : public QObject {
public:
    quint16 listen()
    {
        m_server = new QTcpServer(this);
        if (!m_server->listen(QHostAddress::LocalHost, 0))
            return 0;
        connect(m_server, &QTcpServer::newConnection, this, [this] { acceptConnections(); });
        m_port = m_server->serverPort();
        return m_port;
    }

    void close()
    {
        // The sockets are children of the server and go with it.
        delete m_server;
        m_server = nullptr;
    }

    void addRoute(Route route)
    {
        QMutexLocker lock(&m_mutex);
        m_routes.push_back(std::move(route));
    }

    QList<FakeRequest> requests() const
    {
        QMutexLocker lock(&m_mutex);
        return m_requests;
    }

    void clearRequests()
    {
        QMutexLocker lock(&m_mutex);
        m_requests.clear();
    }

private:
    void acceptConnections()
    {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void readFrom(QTcpSocket* socket)
    {
        if (socket->property("answered").toBool()) {
            socket->readAll();
            return;
        }
        QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
        const std::optional<FakeRequest> request = parseRequest(buffer);
        if (!request) {
            socket->setProperty("buffer", buffer);
            return;
        }
        socket->setProperty("buffer", QVariant());
        socket->setProperty("answered", true);
        const FakeReply reply = answerFor(*request);
        if (reply.delayMs > 0)  // never early, as a coarse timer may be: tests count on the delay
            QTimer::singleShot(reply.delayMs, Qt::PreciseTimer, socket, [this, socket, reply] { send(socket, reply); });
        else
            send(socket, reply);
    }

    FakeReply answerFor(const FakeRequest& request)
    {
        FakeHandler handler;
        {
            QMutexLocker lock(&m_mutex);
            m_requests.append(request);
            for (auto route = m_routes.rbegin(); route != m_routes.rend(); ++route) {
                if (route->matches(request)) {
                    handler = route->handler;
                    break;
                }
            }
        }
        if (!handler)
            return FakeReply::bytes("no route for " + request.pathAndQuery().toUtf8(), "text/plain", 404);
        return handler(request);
    }

    void send(QTcpSocket* socket, const FakeReply& reply)
    {
        if (reply.drop == FakeReply::Drop::BeforeReply) {
            socket->abort();
            return;
        }
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
        for (const auto& [name, value] : reply.headers) {
            QByteArray text = value;
            if (name.compare("Location", Qt::CaseInsensitive) == 0 && text.startsWith('/'))
                text.prepend("http://127.0.0.1:" + QByteArray::number(m_port));
            head += name + ": " + text + "\r\n";
        }
        if (!reply.streamChunk.isEmpty()) {
            if (reply.declareLength)
                head += "Content-Length: " + QByteArray::number(reply.streamTotal) + "\r\n";
            socket->write(head + "Connection: close\r\n\r\n");
            if (reply.streamIntervalMs > 0)
                trickle(socket, reply.streamChunk, reply.streamTotal, reply.streamIntervalMs);
            else
                stream(socket, reply.streamChunk, reply.streamTotal);
            return;
        }
        head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
        head += "Connection: close\r\n\r\n";
        socket->write(head);
        if (reply.drop == FakeReply::Drop::MidBody) {
            socket->write(reply.body.left(reply.body.size() / 2));
            socket->flush();
            socket->disconnectFromHost();
            return;
        }
        socket->write(reply.body);
        socket->disconnectFromHost();
    }

    // Writes `chunk` again whenever the client has taken what was written,
    // until `total` bytes are out (never, when negative) or the client goes.
    static void stream(QTcpSocket* socket, const QByteArray& chunk, qint64 total)
    {
        auto written = std::make_shared<qint64>(0);
        const auto refill = [socket, chunk, total, written] {
            if (socket->bytesToWrite() > chunk.size())
                return;
            if (total >= 0 && *written >= total) {
                socket->disconnectFromHost();
                return;
            }
            const qint64 size = total < 0 ? chunk.size() : std::min<qint64>(chunk.size(), total - *written);
            socket->write(chunk.left(size));
            *written += size;
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, refill);
        refill();
    }

    // Writes `chunk` every `intervalMs` until `total` bytes are out or the client goes.
    static void trickle(QTcpSocket* socket, const QByteArray& chunk, qint64 total, int intervalMs)
    {
        auto* timer = new QTimer(socket);
        auto written = std::make_shared<qint64>(0);
        connect(timer, &QTimer::timeout, socket, [socket, timer, chunk, total, written] {
            if (*written >= total) {
                timer->stop();
                socket->disconnectFromHost();
                return;
            }
            const qint64 size = std::min<qint64>(chunk.size(), total - *written);
            socket->write(chunk.left(size));
            *written += size;
        });
        timer->start(intervalMs);
    }

    QTcpServer* m_server = nullptr;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    std::vector<Route> m_routes;
    QList<FakeRequest> m_requests;
};

namespace {

// Runs `work` on the core's thread and waits for it.
template <typename Work>
void runOn(FakeServerCore* core, QThread* thread, Work work)
{
    if (!thread) {
        work();
        return;
    }
    QMetaObject::invokeMethod(core, std::move(work), Qt::BlockingQueuedConnection);
}

}  // namespace

FakeServer::FakeServer(Threading threading) : m_core(std::make_unique<FakeServerCore>())
{
    if (threading == Threading::OwnThread) {
        m_thread = std::make_unique<QThread>();
        m_thread->setObjectName("FakeServer");
        m_core->moveToThread(m_thread.get());
        m_thread->start();
    }
    runOn(m_core.get(), m_thread.get(), [this] { m_port = m_core->listen(); });
}

FakeServer::~FakeServer()
{
    stop();
}

void FakeServer::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    runOn(m_core.get(), m_thread.get(), [this] { m_core->close(); });
    if (m_thread) {
        m_thread->quit();
        m_thread->wait();
    }
}

QString FakeServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QString FakeServer::url(const QString& pathAndQuery) const
{
    return baseUrl() + pathAndQuery;
}

void FakeServer::route(const QByteArray& method, const QString& path, const FakeReply& reply)
{
    route(method, path, std::nullopt, [reply](const FakeRequest&) { return reply; });
}

void FakeServer::route(const QByteArray& method, const QString& path, const QString& query, const FakeReply& reply)
{
    route(method, path, std::optional<QString>(query), [reply](const FakeRequest&) { return reply; });
}

void FakeServer::route(const QByteArray& method, const QString& path, std::optional<QString> query, FakeHandler handler)
{
    m_core->addRoute(Route{method, path, std::move(query), std::move(handler)});
}

QList<FakeRequest> FakeServer::requests() const
{
    return m_core->requests();
}

qsizetype FakeServer::requestCount() const
{
    return requests().size();
}

void FakeServer::clearRequests()
{
    m_core->clearRequests();
}

void routeEndlessBehindRedirects(FakeServer& server)
{
    const FakeReply endless = FakeReply::streamed(QByteArray(256 * 1024, 'e'), -1, "application/octet-stream");
    server.route("GET", "/hop1", FakeReply::redirect("/endless"));
    server.route("GET", "/hop3", FakeReply::redirect("/hop2", 301));
    server.route("GET", "/hop2", FakeReply::redirect("/hop1", 307));
    server.route("GET", "/endless", endless);
    server.route("POST", "/hop1", FakeReply::redirect("/endless", 307));
    server.route("POST", "/hop3", FakeReply::redirect("/hop2", 307));
    server.route("POST", "/hop2", FakeReply::redirect("/hop1", 307));
    server.route("POST", "/endless", endless);
}

}  // namespace testsupport
