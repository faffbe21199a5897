#include "chapterdbapi.h"

#include "model/chaptermodel.h"
#include "model/languageutilities.h"
#include "model/moviemodel.h"
#include "online/chapterdbentries.h"
#include "online/jsonscalars.h"
#include "online/servicelog.h"
#include "online/webtransport.h"
#include "platform/serviceconfig.h"
#include "platform/xmldocument.h"

#include <QUrl>

#include <array>

namespace ChapterDbAPI {

namespace {

// The reply declares a default namespace; matching on local names keeps the
// queries working with or without it. "source/duration" becomes
// "./*[local-name()='source']/*[local-name()='duration']".
QString localNamePath(const QString& path)
{
    QString query = QStringLiteral(".");
    for (const QString& name : path.split(QLatin1Char('/')))
        query += QStringLiteral("/*[local-name()='%1']").arg(name);
    return query;
}

// Characters that may stand in a query value as they are; "&", "=", "+", "#"
// and "%" are escaped so that a title cannot change the query.
constexpr auto kQueryValueSafe = "!$'()*,:/?@";

QString queryValue(const QString& value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value, kQueryValueSafe));
}

struct Fetched {
    FetchResult result;
    QString domain;
};

Fetched fetch(const QString& relativeAddress, bool withKey)
{
    const platform::ServiceEndpoint service = platform::ServiceConfig::current().chapterDatabase();
    Fetched fetched;
    fetched.domain = QUrl(service.baseUrl).host();
    const QUrl url = QUrl::fromEncoded((service.baseUrl + relativeAddress).toUtf8(), QUrl::StrictMode);
    if (service.baseUrl.isEmpty() || !url.isValid()) {
        fetched.result.error = QStringLiteral("no usable address for the chapter database");
        fetched.result.url = url;
        return fetched;
    }
    QNetworkRequest request(url);
    if (withKey)
        request.setRawHeader("ApiKey", service.apiKey.toUtf8());
    fetched.result = WebTransport::fetch(request, "GET", {}, WebTransport::limitsFor(ReplyKind::Document));
    return fetched;
}

void logLine(const QString& line)
{
    ServiceLog::log(line);
}

// A reply that is no valid answer of the service, logged with `line`.
std::unexpected<NoChapters> failed(const QString& line)
{
    logLine(line);
    return std::unexpected(NoChapters::Failed);
}

// The first node of each of a set's title, duration, set id and chapter
// list, in that order; none (after a log line) when one is missing.
std::optional<std::array<platform::XmlNode, 4>> chapterSetParts(const platform::XmlNode& set)
{
    static const std::array<QString, 4> paths = {QStringLiteral("title"), QStringLiteral("source/duration"),
                                                 QStringLiteral("ref/chapterSetId"), QStringLiteral("chapters")};
    std::array<platform::XmlNode, 4> parts;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const QList<platform::XmlNode> nodes = set.nodesForXPath(localNamePath(paths[i]));
        if (nodes.isEmpty()) {
            logLine(QStringLiteral("Can't find node with xpath ./%1 of chapterInfo: no such node").arg(paths[i]));
            return std::nullopt;
        }
        parts[i] = nodes.first();
    }
    return parts;
}

// Reads one chapterInfo element; none (after a log line) when a part is missing.
std::optional<ChapterSetDescription> describeChapterSet(const platform::XmlNode& set)
{
    const QStringList language = set.textsForXPath(QStringLiteral("@xml:lang"));
    if (language.isEmpty()) {
        logLine(QStringLiteral("Can't find xml:lang in chapterInfo"));
        return std::nullopt;
    }
    const QString confirmations = set.attribute(QStringLiteral("confirmations"));
    if (confirmations.isNull()) {
        logLine(QStringLiteral("Can't find confirmation in chapterInfo"));
        return std::nullopt;
    }
    const std::optional<std::array<platform::XmlNode, 4>> parts = chapterSetParts(set);
    if (!parts)
        return std::nullopt;
    const auto& [title, duration, setId, chapters] = *parts;

    ChapterSetDescription description;
    description.language = LanguageUtilities::twoDigitLanguageCode(language.first());
    description.confirmations = online::leadingInteger(confirmations);
    description.title = title.text();
    description.duration = online::chapterDbMilliseconds(duration.text());
    description.chapterSetId = setId.text();
    QList<online::ChapterDbEntry> entries;
    for (const platform::XmlNode& chapter : chapters.childElements())
        entries.append(
            {QString(), chapter.attribute(QStringLiteral("name")), chapter.attribute(QStringLiteral("time"))});
    description.chapters =
        online::chaptersFromChapterDbEntries(entries, description.duration, online::ChapterNumbering::Running);
    return description;
}

quint64 distance(std::optional<qint64> movieDuration, quint64 setDuration)
{
    const quint64 movie = movieDuration && *movieDuration > 0 ? static_cast<quint64>(*movieDuration) : 0;
    return movie > setDuration ? movie - setDuration : setDuration - movie;
}

int durationPoints(quint64 difference)
{
    int points = 0;
    if (difference < 600'000)
        points += 100;
    if (difference < 300'000)
        points += 100;
    if (difference < 60'000)
        points += 100;
    if (difference < 10'000)
        points += 200;
    return points;
}

int titlePoints(const QString& movieTitle, const QString& setTitle)
{
    if (setTitle.isEmpty())
        return 0;
    const QString movie = movieTitle.toLower();
    const QString set = setTitle.toLower();
    if (movie == set)
        return 400;
    if (movie.size() > set.size() && movie.startsWith(set))
        return 100;
    if (!movie.isEmpty() && set.startsWith(movie))
        return 100;
    return 0;
}

}  // namespace

QString searchTitle(const QString& title)
{
    const qsizetype separator = title.indexOf(QStringLiteral(" - "));
    return separator >= 4 ? title.left(separator) : title;
}

int chapterSetScore(const QString& movieTitle, std::optional<qint64> msecDuration,
                    const ChapterSetDescription& description, const QString& language)
{
    int score = 0;
    if (language == description.language)
        score += 200;
    score += durationPoints(distance(msecDuration, description.duration));
    score += titlePoints(movieTitle, description.title);
    if (description.confirmations > 50)
        score += 100;
    return score;
}

Result<QByteArray> searchChapterDb(const QString& title, const QString& durationAsTime)
{
    if (title.isEmpty())
        return std::unexpected(NoChapters::NoneFound);
    // Title and duration are escaped as query values, so an "&" or "+" in a title stays part of it.
    const QString address = QStringLiteral("/chapters/search?title=%1&duration=%2")
                                .arg(queryValue(searchTitle(title)), queryValue(durationAsTime));
    const Fetched fetched = fetch(address, true);
    const FetchResult& result = fetched.result;
    if (!result.answered())
        return failed(QStringLiteral("can't execute chapterdb searach: %1").arg(result.error));
    if (!result.httpStatus)
        return failed(QStringLiteral("got no valid HTTP-response form %1").arg(fetched.domain));
    if (*result.httpStatus != 200)
        return failed(
            QStringLiteral("got HTTP-response error form %1: %2").arg(fetched.domain).arg(*result.httpStatus));
    return result.body;
}

Result<QList<ChapterSetDescription>> parseChaptersXML(const QByteArray& data)
{
    const std::optional<platform::XmlDocument> document = platform::XmlDocument::parseXml(data);
    if (!document)
        return failed(QStringLiteral("Can't get xml from chapter result: %1")
                          .arg(data.isEmpty() ? QStringLiteral("the reply is empty")
                                              : QStringLiteral("the reply is not well-formed XML")));
    const platform::XmlNode results = document->root();
    if (results.isNull())
        return failed(QStringLiteral("Can't get result tag from chapter result"));
    const QList<platform::XmlNode> sets = results.childElements();
    // The service's answer without a set; any other document without children is none of its replies.
    if (sets.isEmpty() && results.name() == u"results")
        return QList<ChapterSetDescription>();
    if (sets.isEmpty())
        return failed(QStringLiteral("Can't get chapterInfo tags from chapter result"));
    QList<ChapterSetDescription> descriptions;
    for (const platform::XmlNode& set : sets) {
        std::optional<ChapterSetDescription> description = describeChapterSet(set);
        if (!description)
            return std::unexpected(NoChapters::Failed);
        descriptions.append(std::move(*description));
    }
    return descriptions;
}

Result<ChapterList> selectBestChaptersForMovie(const MovieModel& movie,
                                               const QList<ChapterSetDescription>& chapterDescriptions,
                                               const QString& language)
{
    int bestScore = 0;
    const ChapterSetDescription* best = nullptr;
    for (const ChapterSetDescription& description : chapterDescriptions) {
        const int score = chapterSetScore(movie.title(), movie.msecDuration(), description, language);
        if (score > bestScore) {
            bestScore = score;
            best = &description;
        }
    }
    if (!best)
        return std::unexpected(NoChapters::NoneFound);
    const std::optional<qint64> length = movie.msecDuration();
    return getChaptersFromWebSite(best->chapterSetId, length && *length > 0 ? static_cast<quint64>(*length) : 0);
}

Result<ChapterList> getChaptersFromWebSite(const QString& chapterSetId, quint64 msecDuration)
{
    // The id is one path segment: a "/" or "?" in it must not lead elsewhere.
    const Fetched fetched =
        fetch(QStringLiteral("/browse/") + QString::fromLatin1(QUrl::toPercentEncoding(chapterSetId)), false);
    const FetchResult& result = fetched.result;
    if (!result.answered())
        return failed(QStringLiteral("can't execute chapterdb browse: %1").arg(result.error));
    if (!result.answeredOk())
        return failed(
            QStringLiteral("can't execute chapterdb browse: HTTP result error code: %1").arg(*result.httpStatus));
    const std::optional<platform::XmlDocument> page = platform::XmlDocument::parseHtml(result.body, result.charset);
    if (!page)
        return failed(QStringLiteral("can't execute chapterdb browse"));
    const QList<platform::XmlNode> bodies = page->root().nodesForXPath(QStringLiteral(".//tbody"));
    if (bodies.isEmpty())
        return failed(
            QStringLiteral("Can't find node with xpath table of chapter browse result: the page has no table body"));
    QList<online::ChapterDbEntry> entries;
    for (const platform::XmlNode& row : bodies.first().childElements()) {
        const QList<platform::XmlNode> cells = row.childElements();
        if (cells.size() < 3)
            continue;
        entries.append({cells[0].text().trimmed(), cells[1].text().trimmed(), cells[2].text().trimmed()});
    }
    return online::chaptersFromChapterDbEntries(entries, msecDuration, online::ChapterNumbering::FromEntry);
}

}  // namespace ChapterDbAPI
