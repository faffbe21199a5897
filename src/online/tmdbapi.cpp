#include "tmdbapi.h"

#include "online/namedfailure.h"
#include "online/webrequest.h"
#include "platform/log.h"
#include "platform/serviceconfig.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

const QString kRequestFailed = QStringLiteral("TMDbRequestFailed");
const QString kRequestFailedReason = QStringLiteral("Request on TMDb failed");

QMutex& imageBaseMutex()
{
    static QMutex mutex;
    return mutex;
}

QString& imageBase()
{
    static QString address;
    return address;
}

}  // namespace

const QString TMDbAPI::kDefaultImageBaseUrl = QStringLiteral("https://image.tmdb.org/t/p/");

TMDbAPI::TMDbAPI() : m_webRequest(std::make_shared<WebRequest>())
{
}

TMDbAPI::~TMDbAPI() = default;

QString TMDbAPI::apiUrl(const QString& pathAndQuery)
{
    QString base = platform::ServiceConfig::current().movieDatabase().baseUrl;
    while (base.endsWith(u'/'))
        base.chop(1);
    return base + pathAndQuery;
}

QString TMDbAPI::apiKey()
{
    return platform::ServiceConfig::current().movieDatabase().apiKey;
}

QString TMDbAPI::imageBaseUrl()
{
    QMutexLocker lock(&imageBaseMutex());
    return imageBase();
}

void TMDbAPI::setImageBaseUrl(const QString& address)
{
    QMutexLocker lock(&imageBaseMutex());
    imageBase() = address;
}

TMDbAPI::Status TMDbAPI::status() const
{
    if (m_webRequest->requestIsAborted())
        return Status::Cancelled;
    if (m_webRequest->requestIsRunning())
        return Status::Running;
    if (m_webRequest->requestIsSuccessful())
        return Status::NotFound;
    return Status::Failed;
}

QVariantMap TMDbAPI::executeJSONUrlRequest(const QString& address)
{
    if (apiKey().isEmpty()) {
        platform::log(platform::ServiceConfig::keyNotSetLogLine(platform::Service::MovieDatabase));
        // Nothing was sent, so nothing was cancelled either.
        m_webRequest->setRequestIsAborted(false);
        failRequest(kRequestFailedReason);
    }
    const QVariant reply = m_webRequest->executeJSONRequest(address);
    const QVariantMap dictionary = reply.toMap();
    if (dictionary.contains(QStringLiteral("status_code")))
        failRequest(dictionary.value(QStringLiteral("status_message")).toString());
    // An error page, a body that is no JSON dictionary (a top-level array
    // included): no reply of this service, so the request failed.
    if (!m_webRequest->requestIsSuccessful() || reply.typeId() != QMetaType::QVariantMap) {
        const std::optional<int> httpStatus = m_webRequest->httpStatus();
        failRequest(httpStatus && !isSuccessStatus(httpStatus)
                        ? QStringLiteral("%1: HTTP status %2").arg(kRequestFailedReason).arg(*httpStatus)
                        : kRequestFailedReason);
    }
    return dictionary;
}

void TMDbAPI::failRequest(const QString& reason)
{
    // A cancel stays what it was: status() reads it first.
    m_webRequest->setRequestIsRunning(false);
    m_webRequest->setRequestIsSuccessful(false);
    m_webRequest->setRequestIsError(true);
    throw NamedFailure(kRequestFailed, reason);
}

void TMDbAPI::getImageBaseUrl()
{
    setImageBaseUrl(kDefaultImageBaseUrl);
    const QVariantMap reply =
        executeJSONUrlRequest(apiUrl(QStringLiteral("/3/configuration?api_key=%1").arg(apiKey())));
    // An empty address (null in the reply) would make every poster address
    // relative, so only a real one replaces the default.
    const QVariant configured = reply.value(QStringLiteral("images")).toMap().value(QStringLiteral("base_url"));
    if (configured.typeId() == QMetaType::QString && !configured.toString().isEmpty())
        setImageBaseUrl(configured.toString());
}

QStringList TMDbAPI::getGenreNames(const QString& language, const QString& country)
{
    QString tag;
    if (!language.isEmpty())
        tag = country.isEmpty() ? language : QStringLiteral("%1_%2").arg(language, country.toUpper());
    const QString pathAndQuery = tag.isNull()
                                     ? QStringLiteral("/3/genre/movie/list?api_key=%1").arg(apiKey())
                                     : QStringLiteral("/3/genre/movie/list?api_key=%1&language=%2").arg(apiKey(), tag);
    const QVariantMap reply = executeJSONUrlRequest(apiUrl(pathAndQuery));
    QStringList names;
    for (const QVariant& genre : reply.value(QStringLiteral("genres")).toList()) {
        const QVariantMap entry = genre.toMap();
        if (entry.contains(QStringLiteral("name")))
            names.append(entry.value(QStringLiteral("name")).toString());
    }
    return names;
}

std::expected<QStringList, QString> TMDbAPI::loadGenreNames(const QString& language, const QString& country)
{
    try {
        TMDbAPI api;
        return api.getGenreNames(language, country);
    } catch (const NamedFailure& failure) {
        return std::unexpected(failure.reason());
    }
}
