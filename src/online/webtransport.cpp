#include "webtransport.h"

#include "platform/notificationcenter.h"
#include "platform/pumpevents.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

namespace WebTransport {

namespace {

std::atomic<qint64> g_idleTimeoutMs{30'000};

// Qt hands a reply's data over in pieces no larger than this, so a refused
// body never sits in memory much beyond its bound.
constexpr qint64 kReadBufferBytes = 256 * 1024;

// Cuts an unfinished transfer and lets Qt delete the reply when it is done with it.
struct ReplyDeleter {
    void operator()(QNetworkReply* reply) const
    {
        reply->abort();
        reply->deleteLater();
    }
};
using ReplyHandle = std::unique_ptr<QNetworkReply, ReplyDeleter>;

// Whether the server answered with a status line. Qt reports every HTTP
// error status as an error of its own (content, protocol, server or proxy
// authentication); those replies are answers like any other. Network-layer
// errors and a broken protocol stream mean the response did not arrive.
bool serverAnswered(const QNetworkReply& reply)
{
    const QNetworkReply::NetworkError error = reply.error();
    if (error == QNetworkReply::NoError)
        return true;
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() &&
           error > QNetworkReply::UnknownNetworkError && error != QNetworkReply::ProtocolFailure;
}

// The length the response declares; none when it declares none, or when it
// counts compressed bytes.
std::optional<qint64> declaredLength(const QNetworkReply& reply)
{
    if (reply.hasRawHeader("Content-Encoding"))
        return std::nullopt;
    bool known = false;
    const qint64 declared = reply.rawHeader("Content-Length").toLongLong(&known);
    return known ? std::optional<qint64>(declared) : std::nullopt;
}

// The value of the "charset" parameter of a Content-Type header, without quotes.
QByteArray charsetOf(const QByteArray& contentType)
{
    const QList<QByteArray> parts = contentType.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray parameter = parts[i].trimmed();
        const qsizetype equals = parameter.indexOf('=');
        if (equals < 0 || parameter.left(equals).trimmed().toLower() != "charset")
            continue;
        QByteArray value = parameter.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}

// One transfer in flight: collects the body within its bound, restarts the
// idle timer on every sign of life, and notes why it ended early.
class Transfer {
public:
    Transfer(QNetworkReply* reply, const FetchLimits& limits) : m_reply(reply), m_limits(limits)
    {
        m_reply->setReadBufferSize(kReadBufferBytes);
        m_idle.setSingleShot(true);
        QObject::connect(&m_idle, &QTimer::timeout, &m_context, [this] { cut(m_timedOut); });
        QObject::connect(m_reply.get(), &QNetworkReply::metaDataChanged, &m_context, [this] { onResponse(); });
        // Only the last response's body counts.
        QObject::connect(m_reply.get(), &QNetworkReply::redirected, &m_context, [this] { onResponse(); });
        QObject::connect(m_reply.get(), &QNetworkReply::readyRead, &m_context, [this] { take(); });
        m_idle.start(m_limits.idleTimeout);
    }

    bool isFinished() const { return m_reply->isFinished(); }

    FetchResult result()
    {
        m_idle.stop();
        FetchResult result;
        result.url = m_reply->url();
        if (m_tooLarge)
            return failed(std::move(result), tooLargeText(m_limits.maxBodyBytes));
        if (m_timedOut)
            return failed(std::move(result), timedOutText());
        if (!serverAnswered(*m_reply))
            return failed(std::move(result), m_reply->errorString());
        take();
        if (m_tooLarge)
            return failed(std::move(result), tooLargeText(m_limits.maxBodyBytes));
        const std::optional<qint64> declared = declaredLength(*m_reply);
        // Qt does not always say so when a body stops short after an error status.
        if (declared && m_body.size() < *declared)
            return failed(std::move(result), connectionLostText());
        result.end = FetchResult::End::Answered;
        result.httpStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.charset = charsetOf(m_reply->rawHeader("Content-Type"));
        m_body.squeeze();
        result.body = std::move(m_body);
        return result;
    }

private:
    static FetchResult failed(FetchResult result, const QString& error)
    {
        result.end = FetchResult::End::Failed;
        result.error = error;
        return result;
    }

    void onResponse()
    {
        m_body = QByteArray();
        m_idle.start(m_limits.idleTimeout);
        // A declared length over the bound is refused before a byte of the body arrives.
        const std::optional<qint64> declared = declaredLength(*m_reply);
        if (declared && *declared > m_limits.maxBodyBytes)
            cut(m_tooLarge);
        else
            m_declared = declared;
    }

    void take()
    {
        if (m_tooLarge || m_timedOut)
            return;
        m_idle.start(m_limits.idleTimeout);
        const qint64 available = m_reply->bytesAvailable();
        if (m_body.size() + available > m_limits.maxBodyBytes) {
            cut(m_tooLarge);
            return;
        }
        if (available > 0 && m_body.capacity() == 0)
            makeRoom();
        m_body += m_reply->readAll();
    }

    // Room for the whole body at once: growing step by step would, for a
    // while, hold the old and the new copy of a large body together. Pages
    // not yet written to cost no memory.
    void makeRoom() { m_body.reserve(m_declared.value_or(m_limits.maxBodyBytes)); }

    // Ends the transfer early for the reason `flag` stands for; nothing of the body is kept.
    void cut(bool& flag)
    {
        flag = true;
        m_body = QByteArray();
        m_idle.stop();
        m_reply->abort();
    }

    ReplyHandle m_reply;
    FetchLimits m_limits;
    QTimer m_idle;
    QByteArray m_body;
    std::optional<qint64> m_declared;
    bool m_tooLarge = false;
    bool m_timedOut = false;
    QObject m_context;  // receiver of the reply's signals: destroyed first, so none arrives after
};

}  // namespace

FetchLimits limitsFor(ReplyKind kind, std::chrono::milliseconds slice)
{
    qint64 maxBodyBytes = kMaxDocumentBytes;
    switch (kind) {
        case ReplyKind::Document:
            maxBodyBytes = kMaxDocumentBytes;
            break;
        case ReplyKind::Image:
            maxBodyBytes = kMaxImageBytes;
            break;
        case ReplyKind::SubtitleFile:
            maxBodyBytes = kMaxSubtitleFileBytes;
            break;
    }
    return FetchLimits{maxBodyBytes, idleTimeout(), slice};
}

std::chrono::milliseconds idleTimeout()
{
    return std::chrono::milliseconds(g_idleTimeoutMs.load());
}

void setIdleTimeout(std::chrono::milliseconds timeout)
{
    g_idleTimeoutMs.store(timeout.count());
}

QString timedOutText()
{
    return QStringLiteral("The request timed out.");
}

QString connectionLostText()
{
    return QStringLiteral("The network connection was lost.");
}

QString cancelledText()
{
    return QStringLiteral("cancelled");
}

QString tooLargeText(qint64 maxBodyBytes)
{
    return QStringLiteral("reply larger than %1 bytes cut off").arg(maxBodyBytes);
}

QNetworkAccessManager& networkManager()
{
    // Owned by the application object, so it goes before Qt's network
    // machinery does; made again should a test create a new application.
    static QPointer<QNetworkAccessManager> manager;
    if (!manager) {
        manager = new QNetworkAccessManager(QCoreApplication::instance());
        manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    }
    return *manager;
}

FetchResult fetch(const QNetworkRequest& request, const QByteArray& verb, const QByteArray& body,
                  const FetchLimits& limits, const WaitTurn& turn)
{
    FetchResult result;
    result.url = request.url();
    const QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() != application->thread()) {
        result.error = QStringLiteral("web requests run on the application's thread only");
        return result;
    }

    bool cancelled = false;
    const platform::NotificationCenter::Token abortObservation =
        platform::NotificationCenter::defaultCenter().addObserver(
            QString::fromLatin1(kWebRequestAbortNotification),
            [&cancelled](const QString&, const void*) { cancelled = true; });
    QNetworkAccessManager& manager = networkManager();
    Transfer transfer(
        body.isEmpty() ? manager.sendCustomRequest(request, verb) : manager.sendCustomRequest(request, verb, body),
        limits);
    const double sliceSeconds = std::chrono::duration<double>(limits.slice).count();
    while (!transfer.isFinished()) {
        if (turn && !turn())
            cancelled = true;
        if (cancelled) {
            result.end = FetchResult::End::Cancelled;
            result.error = cancelledText();
            return result;
        }
        platform::pumpEvents(sliceSeconds);
    }
    return transfer.result();
}

}  // namespace WebTransport
