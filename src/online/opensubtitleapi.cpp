#include "opensubtitleapi.h"

#include "online/jsonscalars.h"
#include "online/servicelog.h"
#include "online/subtitlescore.h"
#include "platform/serviceconfig.h"
#include "platform/utf8check.h"

#include <QJsonDocument>
#include <QStringDecoder>
#include <QUrl>

#include <algorithm>
#include <expected>
#include <utility>

namespace {

constexpr auto kLogPrefix = "OpenSubtitleRequestFailed: ";
// Far more results than any film has; a reply that keeps promising more pages is not followed further.
constexpr qint64 kMaxPages = 100;

void logFailure(const QString& text)
{
    ServiceLog::log(QLatin1String(kLogPrefix) + text);
}

bool isNumber(const QJsonValue& value, double number)
{
    return value.isDouble() && value.toDouble() == number;
}

// The object a command's reply holds, or the text its failure is logged with.
std::expected<QJsonObject, QString> replyObject(const FetchResult& result)
{
    if (!result.answered())
        return std::unexpected(result.error);
    if (result.httpStatus.value_or(0) != 200)
        return std::unexpected(QStringLiteral("HTTP result error code: %1").arg(result.httpStatus.value_or(0)));
    if (result.body.isEmpty())
        return std::unexpected(QStringLiteral("No result from open subtitles"));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(result.body, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return std::unexpected(parseError.errorString());
    if (!document.isObject())
        return std::unexpected(QStringLiteral("Unexpected reply from open subtitles"));
    const QJsonValue status = document.object().value(QLatin1String("status"));
    if (!status.isUndefined() && !isNumber(status, 200))
        return std::unexpected(
            QStringLiteral("Status error from open subtitles: %1").arg(online::jsonDescription(status)));
    return document.object();
}

// Whether a search reply holds its result list; a reply without one is none of the
// service's answers to a search, and tells nothing about what it has.
bool holdsResults(const QJsonObject& reply)
{
    if (reply.value(QLatin1String("data")).isArray())
        return true;
    logFailure(QStringLiteral("search reply without a \"data\" list"));
    return false;
}

// Decodes a subtitle file strictly: the same byte check as a subtitle read
// from disk, then a decode that refuses anything that is not well-formed.
std::optional<QString> subtitleText(const QByteArray& bytes)
{
    if (const std::optional<QString> problem = platform::checkSrtUTF8(bytes)) {
        logFailure(*problem);
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        logFailure(QStringLiteral("subtitle file is not valid UTF-8"));
        return std::nullopt;
    }
    return text;
}

}  // namespace

OpenSubtitleAPI::OpenSubtitleAPI(QObject* window, const QString& language)
    : m_window(window), m_hadWindow(window != nullptr), m_language(language)
{
}

OpenSubtitleAPI::~OpenSubtitleAPI() = default;

void OpenSubtitleAPI::setCurrentLanguage(const QString& language)
{
    m_language = language;
}

bool OpenSubtitleAPI::windowIsGone() const
{
    return m_hadWindow && m_window.isNull();
}

FetchResult OpenSubtitleAPI::fetch(const QNetworkRequest& request, const QByteArray& verb, const QByteArray& payload,
                                   ReplyKind kind)
{
    return WebTransport::fetch(request, verb, payload, WebTransport::limitsFor(kind),
                               [this] { return !windowIsGone(); });
}

std::optional<QJsonObject> OpenSubtitleAPI::executeCommand(const QString& command, const QString& method,
                                                           const std::optional<QJsonObject>& body, const QString& query)
{
    std::expected<QJsonObject, std::optional<int>> reply = runCommand(command, method, body, query);
    if (!reply)
        return std::nullopt;
    return std::move(*reply);
}

std::expected<QJsonObject, std::optional<int>> OpenSubtitleAPI::runCommand(const QString& command,
                                                                           const QString& method,
                                                                           const std::optional<QJsonObject>& body,
                                                                           const QString& query)
{
    const platform::ServiceEndpoint service = platform::ServiceConfig::current().subtitleService();
    const QString address =
        QStringLiteral("%1/%2%3").arg(service.baseUrl, command, query.isEmpty() ? QString() : QLatin1Char('?') + query);
    const QUrl url = QUrl::fromEncoded(address.toUtf8());
    if (service.baseUrl.isEmpty() || !url.isValid()) {
        logFailure(QStringLiteral("no usable address for the subtitle service"));
        return std::unexpected(std::nullopt);
    }

    QNetworkRequest request(url);
    request.setRawHeader("Content-Type", "application/json");
    request.setRawHeader("Accept", "*/*");
    request.setRawHeader("Api-Key", service.apiKey.toUtf8());
    request.setRawHeader("User-Agent", "Korvalane");
    if (!m_token.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + m_token.toUtf8());

    const QByteArray payload = body ? QJsonDocument(*body).toJson(QJsonDocument::Compact) : QByteArray();
    const FetchResult result = fetch(request, method.toUtf8(), payload, ReplyKind::Document);
    if (result.end == FetchResult::End::Cancelled)
        return std::unexpected(std::nullopt);

    const std::expected<QJsonObject, QString> reply = replyObject(result);
    if (!reply) {
        logFailure(reply.error());
        return std::unexpected(result.httpStatus);
    }
    return *reply;
}

std::optional<QJsonArray> OpenSubtitleAPI::executePagedQuery(const QString& command, const QString& method,
                                                             const QString& query)
{
    const QString escaped = QString::fromLatin1(QUrl::toPercentEncoding(query, "!$&'()*+,;=:[]"));
    std::optional<QJsonObject> reply = executeCommand(command, method, std::nullopt, escaped);
    if (!reply || !holdsResults(*reply))
        return std::nullopt;

    QJsonArray result;
    const std::optional<qint64> total = online::jsonInteger(reply->value(QLatin1String("total_pages")));
    if (total == 0)
        return result;
    qint64 previousPage = 0;
    for (qint64 fetched = 1;; ++fetched) {
        for (const QJsonValue& entry : reply->value(QLatin1String("data")).toArray())
            result.append(entry);
        const std::optional<qint64> page = online::jsonInteger(reply->value(QLatin1String("page")));
        // A reply without page numbers, or with pages that do not move forward, ends the walk.
        if (!total || !page || *page >= *total || *page <= previousPage)
            return result;
        if (fetched >= kMaxPages) {
            logFailure(QStringLiteral("stopped after %1 result pages").arg(kMaxPages));
            return result;
        }
        previousPage = *page;
        reply = executeCommand(command, method, std::nullopt,
                               QStringLiteral("%1&page=%2").arg(escaped, QString::number(*page + 1)));
        if (!reply || !holdsResults(*reply))
            return result;
    }
}

std::expected<void, OpenSubtitleAPI::LoginFailure> OpenSubtitleAPI::logIn()
{
    const platform::ServiceEndpoint service = platform::ServiceConfig::current().subtitleService();
    QJsonObject body;
    body.insert(QLatin1String("username"), service.user);
    body.insert(QLatin1String("password"), service.password);
    const auto reply = runCommand(QStringLiteral("login"), QStringLiteral("POST"), body, {});
    if (!reply) {
        // Only a refusal speaks about the account; an outage says nothing about it.
        const std::optional<int> status = reply.error();
        const bool refused = status == 400 || status == 401 || status == 403;
        return std::unexpected(refused ? LoginFailure::Refused : LoginFailure::Failed);
    }
    const QJsonValue token = reply->value(QLatin1String("token"));
    if (!token.isString() || token.toString().isEmpty()) {
        // Without a token nothing later would be authorised; treat it as the failed login it is.
        m_token.clear();
        logFailure(QStringLiteral("login reply without a token"));
        return std::unexpected(LoginFailure::Failed);
    }
    m_token = token.toString();
    return {};
}

void OpenSubtitleAPI::logOut()
{
    if (m_token.isEmpty())
        return;
    executeCommand(QStringLiteral("logout"), QStringLiteral("DELETE"), std::nullopt, {});
    m_token.clear();
}

std::optional<QList<QJsonObject>> OpenSubtitleAPI::searchSubtitles(const QString& imdbId, bool addEnglish)
{
    const qint64 number = online::leadingInteger(QString(imdbId).remove(QStringLiteral("tt")));
    const QString languages = addEnglish ? m_language + QStringLiteral(",en") : m_language;
    const QString query = QStringLiteral("foreign_parts_only=exclude&hearing_impaired=exclude&imdb_id=%1&languages=%2")
                              .arg(number)
                              .arg(languages);
    const std::optional<QJsonArray> entries =
        executePagedQuery(QStringLiteral("subtitles"), QStringLiteral("GET"), query);
    if (!entries)
        return std::nullopt;
    QList<QJsonObject> subtitles;
    for (const QJsonValue& entry : *entries) {
        const QJsonValue attributes = entry.toObject().value(QLatin1String("attributes"));
        if (attributes.isObject())
            subtitles.append(attributes.toObject());
    }
    return subtitles;
}

std::optional<QJsonValue> OpenSubtitleAPI::selectBestSubtitle(const QList<QJsonObject>& subtitles, const QString& name,
                                                              qint64 year, bool isHD) const
{
    // Only subtitles of exactly one file are candidates; each keeps its file id.
    QList<std::pair<QJsonObject, QJsonValue>> candidates;
    online::SubtitleWish wish{m_language, name, year, isHD, -1};
    for (const QJsonObject& attributes : subtitles) {
        const std::optional<QJsonValue> fileId = online::singleSubtitleFileId(attributes);
        if (!fileId)
            continue;
        candidates.append({attributes, *fileId});
        wish.highestDownloads = std::max(wish.highestDownloads, online::subtitleDownloads(attributes).value_or(-1));
    }

    int bestScore = -1;
    std::optional<QJsonValue> chosen;
    for (const auto& [candidate, fileId] : candidates) {
        const int score = online::subtitleScore(candidate, wish);
        if (score > bestScore) {
            bestScore = score;
            chosen = fileId;
        }
    }
    return chosen;
}

std::optional<QString> OpenSubtitleAPI::downloadSubtitle(const QJsonValue& fileId)
{
    QJsonObject body;
    body.insert(QLatin1String("file_id"), fileId);
    const std::optional<QJsonObject> reply =
        executeCommand(QStringLiteral("download"), QStringLiteral("POST"), body, {});
    if (!reply || !reply->value(QLatin1String("link")).isString())
        return std::nullopt;

    const QString link = reply->value(QLatin1String("link")).toString();
    const QUrl url(link, QUrl::StrictMode);
    // Only a web address is followed: a link into the local file system is not a subtitle download.
    if (!url.isValid() || (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http"))) {
        logFailure(QStringLiteral("could not load subtitle url: %1").arg(link));
        return std::nullopt;
    }
    const FetchResult file = fetch(QNetworkRequest(url), "GET", {}, ReplyKind::SubtitleFile);
    if (file.end == FetchResult::End::Cancelled)
        return std::nullopt;
    if (!file.answered()) {
        logFailure(QStringLiteral("error while reading subtitle from url: %1").arg(file.error));
        return std::nullopt;
    }
    if (file.body.isEmpty()) {
        logFailure(QStringLiteral("could not load subtitle url: %1").arg(link));
        return std::nullopt;
    }
    if (file.httpStatus && (*file.httpStatus < 200 || *file.httpStatus > 299)) {
        logFailure(
            QStringLiteral("error while reading subtitle from url: HTTP result error code: %1").arg(*file.httpStatus));
        return std::nullopt;
    }
    return subtitleText(file.body);
}
