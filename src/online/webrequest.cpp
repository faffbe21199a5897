#include "webrequest.h"

#include "online/qxjson.h"
#include "online/servicelog.h"
#include "platform/log.h"
#include "platform/modalsession.h"
#include "platform/pumpevents.h"

#include <QNetworkRequest>
#include <QStringDecoder>
#include <QUrl>

namespace {

// The address as a log line shows it (the line's redaction hides its keys): the
// query as it was sent, the fragment left out.
QString urlForLog(const QUrl& url)
{
    QString shown = url.toString(QUrl::RemoveQuery | QUrl::RemoveFragment);
    if (url.hasQuery())
        shown += u'?' + url.query(QUrl::FullyEncoded);
    return shown;
}

}  // namespace

WebRequest::WebRequest()
{
    m_abortObservation = platform::NotificationCenter::defaultCenter().addObserver(
        QString::fromLatin1(kWebRequestAbortNotification), [this](const QString&, const void*) { cancelSearch(); });
}

WebRequest::~WebRequest() = default;

bool WebRequest::executeRequest(const QString& url, ReplyKind kind)
{
    m_requestIsAborted = false;
    m_requestIsError = false;
    m_requestIsRunning = false;
    m_requestIsSuccessful = false;
    m_requestData.clear();
    m_httpStatus.reset();

    const QUrl address(url, QUrl::StrictMode);
    if (url.isEmpty() || !address.isValid() || address.isRelative()) {
        m_requestIsError = true;
        return false;
    }
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferNetwork);
    m_requestIsRunning = true;
    // The abort handler clears requestIsRunning, which ends the wait.
    FetchResult result = WebTransport::fetch(request, "GET", {}, WebTransport::limitsFor(kind, kSlice), [this] {
        giveModalSessionATurn();
        return m_requestIsRunning;
    });
    if (m_requestIsAborted) {
        // Also an abort in the slice that completed the transfer: nothing of it counts.
        m_requestIsRunning = false;
        return false;
    }
    if (result.answered()) {
        m_httpStatus = result.httpStatus;
        m_requestData = std::move(result.body);
        connectionDidFinishLoading();
    } else {
        didFailWithError(result.error, urlForLog(result.url));
    }
    return m_requestIsSuccessful;
}

void WebRequest::pumpSlice(double seconds) const
{
    giveModalSessionATurn();
    platform::pumpEvents(seconds);
}

void WebRequest::giveModalSessionATurn() const
{
    if (m_modalSession)
        m_modalSession->runModalSession();
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
    if (!result)
        platform::log(QStringLiteral("Can't resolve JSON structure"));
    const QVariant document = result && !result->isEmpty() ? result->first() : QVariant();
    if (!isSuccessStatus(m_httpStatus) || !document.isValid())
        answerIsNoReply();
    return document;
}

void WebRequest::cancelSearch()
{
    // A transfer in flight ends at its next slice, when its wait turn sees this.
    m_requestIsAborted = true;
    m_requestIsRunning = false;
}

void WebRequest::didFailWithError(const QString& description, const QString& failingUrl)
{
    ServiceLog::log(QStringLiteral("Connection failed! Error - %1 %2").arg(description, failingUrl));
    m_requestIsError = true;
    m_requestIsRunning = false;
}

void WebRequest::answerIsNoReply()
{
    m_requestIsSuccessful = false;
    m_requestIsError = true;
}

void WebRequest::connectionDidFinishLoading()
{
    m_requestIsRunning = false;
    m_requestIsSuccessful = true;
}
