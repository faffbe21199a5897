#include "webtransport.h"

#include "online/servicelog.h"
#include "platform/notificationcenter.h"
#include "platform/pumpevents.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <array>
#include <atomic>
#include <memory>

namespace WebTransport {

namespace {

std::atomic<qint64> g_idleTimeoutMs{30'000};

// Per reply kind, in the order of its values.
std::atomic<qint64> g_deadlineMs[3]{{60'000}, {180'000}, {180'000}};

std::atomic<qint64>& deadlineOf(ReplyKind kind)
{
    return g_deadlineMs[static_cast<std::size_t>(kind)];
}

// Qt hands a reply's data over in pieces no larger than this, so a refused
// body never sits in memory much beyond its bound.
constexpr qint64 kReadBufferBytes = 256 * 1024;

// As many as a browser follows before it gives up.
constexpr int kMaxRedirects = 20;

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
// error status (400 and up) as an error of its own (content, protocol, server
// or proxy authentication); those replies are answers like any other.
// Network-layer errors, a broken protocol stream and an error beside a lower
// status (a body that does not decompress) mean the response did not arrive.
bool serverAnswered(const QNetworkReply& reply)
{
    const QNetworkReply::NetworkError error = reply.error();
    if (error == QNetworkReply::NoError)
        return true;
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() >= 400 &&
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

// Where a redirect response points, resolved against its own address; none
// when the response is no redirect.
std::optional<QUrl> redirectTarget(const QNetworkReply& reply)
{
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant target = reply.attribute(QNetworkRequest::RedirectionTargetAttribute);
    if (status < 300 || status > 399 || !target.isValid())
        return std::nullopt;
    return reply.url().resolved(target.toUrl());
}

// Headers that carry a credential of the site the request was made for.
constexpr std::array<const char*, 4> kCredentialHeaders{"Api-Key", "ApiKey", "Authorization", "Cookie"};

int portOf(const QUrl& url)
{
    return url.port(url.scheme().toLower() == u"https" ? 443 : 80);
}

bool sameOrigin(const QUrl& first, const QUrl& second)
{
    return first.scheme().compare(second.scheme(), Qt::CaseInsensitive) == 0 &&
           first.host().compare(second.host(), Qt::CaseInsensitive) == 0 && portOf(first) == portOf(second);
}

// Scheme, host and port alone: what a log line may tell of an address.
QString originText(const QUrl& url)
{
    return QStringLiteral("%1://%2:%3").arg(url.scheme(), url.host()).arg(portOf(url));
}

// Takes every credential header off `request`; answers the names of those it had.
QStringList dropCredentials(QNetworkRequest& request)
{
    QStringList dropped;
    for (const char* name : kCredentialHeaders) {
        if (request.hasRawHeader(name)) {
            request.setRawHeader(name, QByteArray());  // a null value removes the header
            dropped << QString::fromLatin1(name);
        }
    }
    return dropped;
}

QString secondsText(std::chrono::milliseconds duration)
{
    return QString::number(std::chrono::duration<double>(duration).count());
}

// The thread every transfer runs on, with its network manager. There a reply is read as it
// arrives, however long the caller's thread stays busy between two turns of its loop: Qt's
// network thread does not reliably hold back what it has not handed over, so a reply read
// only between the caller's turns could pile up far past its bound meanwhile.
class NetworkThread : public QObject {
public:
    // Made with the application's first transfer, gone with the application.
    static NetworkThread& instance()
    {
        static QPointer<NetworkThread> thread;
        if (!thread)
            thread = new NetworkThread;
        return *thread;
    }

    ~NetworkThread() override
    {
        run([this] { m_manager.reset(); });  // a manager goes on its own thread
        m_thread.quit();
        m_thread.wait();
    }

    // Runs `work` on the thread, later or at once (waiting for it).
    void post(std::function<void()> work) { QMetaObject::invokeMethod(&m_context, std::move(work)); }
    void run(const std::function<void()>& work)
    {
        QMetaObject::invokeMethod(&m_context, work, Qt::BlockingQueuedConnection);
    }

    // On the thread only.
    QNetworkAccessManager& manager()
    {
        if (!m_manager) {
            m_manager = std::make_unique<QNetworkAccessManager>();
            // Transfers follow redirects themselves, each new reply bounded like the first.
            m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
        }
        return *m_manager;
    }

private:
    NetworkThread() : QObject(QCoreApplication::instance())
    {
        m_thread.setObjectName(QStringLiteral("web transport"));
        m_context.moveToThread(&m_thread);
        m_thread.start();
    }

    QThread m_thread;
    QObject m_context;
    std::unique_ptr<QNetworkAccessManager> m_manager;
};

// One transfer in flight, on the network thread: follows redirects itself (Qt
// would follow them without the read buffer bound of the first reply), collects
// the last response's body within its bound, restarts the idle timer on every
// sign of life, gives up at the overall deadline, notes why it ended early, and
// calls `finished` once its last reply is done.
class Transfer {
public:
    Transfer(const QNetworkRequest& request, const QByteArray& verb, const QByteArray& body, const FetchLimits& limits,
             std::function<void()> finished)
        : m_request(request), m_verb(verb), m_body(body), m_limits(limits), m_finished(std::move(finished))
    {
        m_idle.setSingleShot(true);
        QObject::connect(&m_idle, &QTimer::timeout, &m_context,
                         [this] { cut(idleTimedOutText(m_limits.idleTimeout)); });
        m_deadline.setSingleShot(true);
        QObject::connect(&m_deadline, &QTimer::timeout, &m_context, [this] { cut(deadlineText(m_limits.deadline)); });
        m_deadline.start(m_limits.deadline);
        send();
    }

    FetchResult result()
    {
        m_idle.stop();
        m_deadline.stop();
        FetchResult result;
        result.url = m_reply->url();
        if (m_failure)
            return failed(std::move(result), *m_failure);
        if (!serverAnswered(*m_reply))
            return failed(std::move(result), m_reply->errorString());
        take();
        if (m_failure)
            return failed(std::move(result), *m_failure);
        const std::optional<qint64> declared = declaredLength(*m_reply);
        // Qt does not always say so when a body stops short after an error status.
        if (declared && m_received.size() < *declared)
            return failed(std::move(result), connectionLostText());
        result.end = FetchResult::End::Answered;
        result.httpStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.charset = charsetOf(m_reply->rawHeader("Content-Type"));
        m_received.squeeze();
        result.body = std::move(m_received);
        return result;
    }

private:
    static FetchResult failed(FetchResult result, const QString& error)
    {
        result.end = FetchResult::End::Failed;
        result.error = error;
        return result;
    }

    // Sends the request as it stands; a reply before it is let go unheard.
    void send()
    {
        if (m_reply)
            QObject::disconnect(m_reply.get(), nullptr, &m_context, nullptr);
        QNetworkAccessManager& manager = NetworkThread::instance().manager();
        m_reply.reset(m_body.isEmpty() ? manager.sendCustomRequest(m_request, m_verb)
                                       : manager.sendCustomRequest(m_request, m_verb, m_body));
        m_reply->setReadBufferSize(kReadBufferBytes);
        // A request with a body starts only when the event loop next runs, and a read buffer
        // size set before that never reaches the network thread: the body of the reply would
        // pile up there unbounded while the loop is busy. Set again once it has started.
        QMetaObject::invokeMethod(
            &m_context, [this] { m_reply->setReadBufferSize(kReadBufferBytes); }, Qt::QueuedConnection);
        m_received = QByteArray();
        QObject::connect(m_reply.get(), &QNetworkReply::metaDataChanged, &m_context, [this] { onResponse(); });
        QObject::connect(m_reply.get(), &QNetworkReply::readyRead, &m_context, [this] { take(); });
        // A cut aborts the reply, which then is finished too.
        QObject::connect(m_reply.get(), &QNetworkReply::finished, &m_context, m_finished);
        // Counted as they arrive, whatever the transport holds before handing them over.
        QObject::connect(m_reply.get(), &QNetworkReply::downloadProgress, &m_context, [this](qint64 received, qint64) {
            if (received > m_limits.maxBodyBytes)
                cut(tooLargeText(m_limits.maxBodyBytes));
        });
        m_idle.start(m_limits.idleTimeout);
    }

    void onResponse()
    {
        if (const std::optional<QUrl> target = redirectTarget(*m_reply)) {
            follow(*target);
            return;
        }
        m_received = QByteArray();
        m_idle.start(m_limits.idleTimeout);
        // A declared length over the bound is refused before a byte of the body arrives.
        const std::optional<qint64> declared = declaredLength(*m_reply);
        if (declared && *declared > m_limits.maxBodyBytes)
            cut(tooLargeText(m_limits.maxBodyBytes));
    }

    // Goes on at `target` as the platform would: never from https to http, and
    // with a GET after a 303, or after a 301 or 302 that answered a POST. To
    // another origin (scheme, host or port) it goes without the credentials
    // of this one, and never with a body (a login's holds a password).
    void follow(const QUrl& target)
    {
        if (++m_redirects > kMaxRedirects) {
            cut(QStringLiteral("Too many redirects"));
            return;
        }
        const QString scheme = target.scheme().toLower();
        const bool downgrade = m_request.url().scheme().toLower() == u"https" && scheme == u"http";
        if ((scheme != u"http" && scheme != u"https") || downgrade) {
            cut(QStringLiteral("Insecure redirect"));
            return;
        }
        const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status == 303 || ((status == 301 || status == 302) && m_verb == "POST")) {
            if (m_verb != "HEAD")
                m_verb = "GET";
            m_body.clear();
        }
        if (!sameOrigin(m_request.url(), target)) {
            if (!m_body.isEmpty()) {
                cut(QStringLiteral("Redirect to another site refused: the request's body is not sent there"));
                return;
            }
            if (const QStringList dropped = dropCredentials(m_request); !dropped.isEmpty())
                ServiceLog::log(QStringLiteral("Redirected from %1 to %2: credentials dropped (%3)")
                                    .arg(originText(m_request.url()), originText(target), dropped.join(u", ")));
        }
        m_request.setUrl(target);
        send();
    }

    void take()
    {
        if (m_failure)
            return;
        m_idle.start(m_limits.idleTimeout);
        const qint64 available = m_reply->bytesAvailable();
        if (m_received.size() + available > m_limits.maxBodyBytes) {
            cut(tooLargeText(m_limits.maxBodyBytes));
            return;
        }
        if (available <= 0)
            return;
        if (m_received.capacity() == 0)
            makeRoom();
        // Straight into the room made: no piece is held twice on its way.
        const qsizetype at = m_received.size();
        m_received.resize(at + available);
        const qint64 read = m_reply->read(m_received.data() + at, available);
        m_received.resize(at + std::max<qint64>(read, 0));
    }

    // Room for the whole body at once: growing step by step would, for a
    // while, hold the old and the new copy of a large body together. Pages
    // not yet written to cost no memory.
    void makeRoom() { m_received.reserve(declaredLength(*m_reply).value_or(m_limits.maxBodyBytes)); }

    // Ends the transfer early for `reason`; nothing of the body is kept.
    void cut(const QString& reason)
    {
        if (m_failure)
            return;
        m_failure = reason;
        m_received = QByteArray();
        m_idle.stop();
        m_deadline.stop();
        m_reply->abort();
    }

    QNetworkRequest m_request;
    QByteArray m_verb;
    QByteArray m_body;
    FetchLimits m_limits;
    ReplyHandle m_reply;
    QTimer m_idle;
    QTimer m_deadline;
    QByteArray m_received;
    std::optional<QString> m_failure;
    std::function<void()> m_finished;
    int m_redirects = 0;
    QObject m_context;  // receiver of every signal: destroyed first, so none arrives after
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
    return FetchLimits{maxBodyBytes, idleTimeout(), slice, deadline(kind)};
}

std::chrono::milliseconds idleTimeout()
{
    return std::chrono::milliseconds(g_idleTimeoutMs.load());
}

void setIdleTimeout(std::chrono::milliseconds timeout)
{
    g_idleTimeoutMs.store(timeout.count());
}

std::chrono::milliseconds deadline(ReplyKind kind)
{
    return std::chrono::milliseconds(deadlineOf(kind).load());
}

void setDeadline(ReplyKind kind, std::chrono::milliseconds deadline)
{
    deadlineOf(kind).store(deadline.count());
}

QString idleTimedOutText(std::chrono::milliseconds idleTimeout)
{
    return QStringLiteral("The request timed out: nothing arrived for %1 seconds.").arg(secondsText(idleTimeout));
}

QString deadlineText(std::chrono::milliseconds deadline)
{
    return QStringLiteral("The request timed out: no complete answer within %1 seconds.").arg(secondsText(deadline));
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
    // Made, ended and destroyed on the network thread; `done` tells this thread that `result` is set.
    struct Job {
        std::unique_ptr<Transfer> transfer;
        FetchResult result;
        std::atomic<bool> done{false};
    };
    const auto job = std::make_shared<Job>();
    NetworkThread* network = &NetworkThread::instance();
    // Ended from the thread's loop, not from within a signal of the transfer's own reply.
    const auto end = [job, network] {
        network->post([job] {
            if (!job->transfer)
                return;
            job->result = job->transfer->result();
            job->transfer.reset();
            job->done = true;
        });
    };
    network->post([job, request, verb, body, limits, end] {
        job->transfer = std::make_unique<Transfer>(request, verb, body, limits, end);
    });
    const double sliceSeconds = std::chrono::duration<double>(limits.slice).count();
    while (!job->done) {
        if (turn && !turn())
            cancelled = true;
        if (cancelled) {
            network->run([job] { job->transfer.reset(); });
            result.end = FetchResult::End::Cancelled;
            result.error = cancelledText();
            return result;
        }
        platform::pumpEvents(sliceSeconds);
    }
    return std::move(job->result);
}

}  // namespace WebTransport
