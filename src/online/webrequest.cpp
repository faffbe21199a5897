#include "webrequest.h"

#include "online/qxjson.h"
#include "platform/log.h"
#include "platform/modalsession.h"
#include "platform/pumpevents.h"
#include "platform/serviceconfig.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>

#include <atomic>

namespace {

std::atomic<double> g_timeoutSeconds{30.0};

// Keys, tokens and passwords travel in some query strings; the log never shows them.
bool isSecretName(const QString& name)
{
    const QString lower = name.toLower();
    return lower.contains(u"key") || lower.contains(u"token") || lower.contains(u"password");
}

// The address as the log may show it: secret query values hidden, and any
// configured key or password elsewhere in it too.
QString urlForLog(const QUrl& url)
{
    QString shown = url.toString(QUrl::RemoveQuery | QUrl::RemoveFragment);
    if (url.hasQuery()) {
        QStringList items = url.query(QUrl::FullyEncoded).split(u'&');
        for (QString& item : items) {
            const qsizetype equals = item.indexOf(u'=');
            if (equals > 0 && isSecretName(item.left(equals)))
                item = item.left(equals + 1) + QStringLiteral("<hidden>");
        }
        shown += u'?' + items.join(u'&');
    }
    return platform::ServiceConfig::current().redact(shown);
}

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

// A body shorter than its declared length: the connection was lost on the
// way. Qt does not always say so when the status was an error status.
bool cutShort(const QNetworkReply& reply, qsizetype received)
{
    if (reply.hasRawHeader("Content-Encoding"))
        return false;  // the declared length counts the compressed bytes
    bool known = false;
    const qint64 declared = reply.rawHeader("Content-Length").toLongLong(&known);
    return known && received < declared;
}

}  // namespace

void WebRequest::DeleteLater::operator()(QObject* object) const
{
    object->deleteLater();
}

WebRequest::WebRequest() : m_manager(std::make_unique<QNetworkAccessManager>()), m_timeout(std::make_unique<QTimer>())
{
    m_timeout->setSingleShot(true);
    QObject::connect(m_timeout.get(), &QTimer::timeout, &m_receiver, [this] { onTimeout(); });
    m_abortObservation = platform::NotificationCenter::defaultCenter().addObserver(
        QString::fromLatin1(kWebRequestAbortNotification), [this](const QString&, const void*) { cancelSearch(); });
}

WebRequest::~WebRequest()
{
    m_abortObservation.reset();
    dropConnection();
}

double WebRequest::timeoutSeconds()
{
    return g_timeoutSeconds.load();
}

void WebRequest::setTimeoutSeconds(double seconds)
{
    g_timeoutSeconds.store(seconds);
}

bool WebRequest::executeRequest(const QString& url)
{
    m_requestIsAborted = false;
    m_requestIsError = false;
    m_requestIsRunning = false;
    m_requestIsSuccessful = false;
    m_requestData.clear();
    dropConnection();

    const QUrl address(url, QUrl::StrictMode);
    if (url.isEmpty() || !address.isValid() || address.isRelative()) {
        m_requestIsError = true;
        return false;
    }
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferNetwork);
    m_requestConnection.reset(m_manager->get(request));
    QNetworkReply* reply = m_requestConnection.get();
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &m_receiver, [this] { didReceiveResponse(); });
    QObject::connect(reply, &QNetworkReply::redirected, &m_receiver, [this] { didReceiveResponse(); });
    QObject::connect(reply, &QNetworkReply::readyRead, &m_receiver, [this] { didReceiveData(); });
    QObject::connect(reply, &QNetworkReply::finished, &m_receiver, [this] { onFinished(); });
    m_timeout->start(static_cast<int>(timeoutSeconds() * 1000.0));
    m_requestIsRunning = true;

    while (m_requestIsRunning)
        pumpSlice(kSliceSeconds);
    if (!m_requestIsSuccessful)
        m_requestData.clear();
    return m_requestIsSuccessful;
}

void WebRequest::pumpSlice(double seconds) const
{
    if (m_modalSession)
        m_modalSession->runModalSession();
    platform::pumpEvents(seconds);
}

QVariant WebRequest::executeJSONRequest(const QString& url)
{
    if (!executeRequest(url))
        return {};
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(m_requestData);
    if (decoder.hasError())
        text.clear();
    const std::optional<QVariantList> result = QXJSON::QXJSONStringToObject(text);
    if (!result) {
        platform::log(QStringLiteral("Can't resolve JSON structure"));
        return {};
    }
    if (result->isEmpty())
        return {};
    return result->first();
}

void WebRequest::cancelSearch()
{
    m_requestIsAborted = true;
    m_requestIsRunning = false;
    dropConnection();
}

void WebRequest::didReceiveResponse()
{
    m_requestData.clear();
    m_timeout->start();
}

void WebRequest::didReceiveData()
{
    m_requestData += m_requestConnection->readAll();
    m_timeout->start();
}

void WebRequest::didFailWithError(const QString& description, const QString& failingUrl)
{
    platform::log(QStringLiteral("Connection failed! Error - %1 %2").arg(description, failingUrl));
    m_requestIsError = true;
    m_requestIsRunning = false;
}

void WebRequest::connectionDidFinishLoading()
{
    m_requestIsRunning = false;
    m_requestIsSuccessful = true;
}

void WebRequest::onFinished()
{
    m_timeout->stop();
    QNetworkReply& reply = *m_requestConnection;
    if (!serverAnswered(reply)) {
        didFailWithError(reply.errorString(), urlForLog(reply.url()));
        return;
    }
    m_requestData += reply.readAll();
    if (cutShort(reply, m_requestData.size())) {
        didFailWithError(QStringLiteral("The network connection was lost."), urlForLog(reply.url()));
        return;
    }
    connectionDidFinishLoading();
}

void WebRequest::onTimeout()
{
    if (!m_requestConnection)
        return;
    const QUrl url = m_requestConnection->url();
    dropConnection();
    didFailWithError(QStringLiteral("The request timed out."), urlForLog(url));
}

// Cuts the connection so that it delivers nothing more, then cancels it.
void WebRequest::dropConnection()
{
    m_timeout->stop();
    if (!m_requestConnection)
        return;
    QObject::disconnect(m_requestConnection.get(), nullptr, &m_receiver, nullptr);
    m_requestConnection->abort();
    m_requestConnection.reset();
}
