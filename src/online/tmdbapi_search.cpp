// The search of a lookup: the search text, the search and find requests with
// their retry, and the list of hits with their thumbnails.
#include "online/tmdbapi.h"

#include "model/moviesearchitemmodel.h"
#include "online/imagefromurl.h"
#include "online/namedfailure.h"
#include "online/tmdbapi_lookupsupport.h"
#include "online/webrequest.h"
#include "platform/picture.h"
#include "platform/windows1252.h"

#include <QRegularExpression>
#include <QUrl>

namespace {

// What the service's query form allows around the "#year" marker.
constexpr QStringView kQueryPadding = u" +";

// How large a hit's thumbnail is shown, in points.
constexpr int kHitThumbnailWidth = 32;
constexpr int kHitThumbnailHeight = 48;

bool isImdbId(const QString& text)
{
    static const QRegularExpression imdbId(QStringLiteral("^tt[0-9]{5,}"));
    return imdbId.match(text).hasMatch();
}

// Round trip through code page 1252, as the service's search expects; a text
// it cannot hold ends the search instead of being sent half-converted.
QString throughWindows1252(const QString& text)
{
    const std::optional<QByteArray> encoded = platform::encodeWindows1252(text);
    if (!encoded)
        throw NamedFailure(QStringLiteral("TMDbSearchTextNotEncodable"),
                           QStringLiteral("search text has no form in code page 1252: %1").arg(text));
    return platform::decodeWindows1252(*encoded);
}

// The year of a hit when its release date is longer than a bare year.
QString yearOfReleaseDate(const QString& releaseDate)
{
    if (releaseDate.size() < 5)
        return {};
    return releaseDate.left(4);
}

platform::PicturePtr hitThumbnail(const QByteArray& data)
{
    const platform::PicturePtr picture = platform::Picture::fromData(data);
    if (picture->isNull())
        return nullptr;
    // A hit's cell shows every thumbnail at 32 x 48 points, whatever its pixels;
    // drawing decodes it at the size the screen needs.
    return picture->withSize(QSizeF(kHitThumbnailWidth, kHitThumbnailHeight));
}

}  // namespace

QString TMDbAPI::buildSearchString(const QString& text)
{
    if (isImdbId(text))
        return text;
    return tmdblookup::percentEscaped(throughWindows1252(tmdblookup::foldSearchSeparators(text)));
}

QVariantList TMDbAPI::hitList(const QVariantMap& reply, const QString& key)
{
    const QVariant value = reply.value(key);
    if (value.typeId() != QMetaType::QVariantList)
        failRequest(QStringLiteral("Request on TMDb failed: the reply has no \"%1\"").arg(key));
    return value.toList();
}

QVariantList TMDbAPI::movieSearchResult(const QString& searchText, const QString& language)
{
    if (searchText.startsWith(QStringLiteral("tt"))) {
        const QVariantMap reply =
            executeJSONUrlRequest(apiUrl(QStringLiteral("/3/find/%1?api_key=%2&language=%3&external_source=imdb_id")
                                             .arg(searchText, apiKey(), language)));
        return hitList(reply, QStringLiteral("movie_results"));
    }

    static const QRegularExpression withYear(QStringLiteral("^(.*)([\\ \\+]*\\%23[\\ \\+]*)([0-9]{4})([\\ \\+]*)$"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = withYear.match(searchText);
    QString query;
    QVariantMap reply;
    if (match.hasMatch()) {
        query = tmdblookup::trimmedOf(match.captured(1), kQueryPadding);
        reply = executeJSONUrlRequest(apiUrl(QStringLiteral("/3/search/movie?api_key=%1&query=%2&language=%3&year=%4")
                                                 .arg(apiKey(), query, language, match.captured(3))));
    } else {
        query = tmdblookup::trimmedOf(searchText, kQueryPadding);
        reply = executeJSONUrlRequest(
            apiUrl(QStringLiteral("/3/search/movie?api_key=%1&query=%2&language=%3").arg(apiKey(), query, language)));
    }

    const QString totalResults = QStringLiteral("total_results");
    if (reply.value(totalResults).toString() == u"0") {
        reply =
            executeJSONUrlRequest(apiUrl(QStringLiteral("/3/search/movie?api_key=%1&query=%2").arg(apiKey(), query)));
        if (reply.value(totalResults).toString() == u"0")
            throw NamedFailure(QStringLiteral("TMDbMovieNotFound"), QStringLiteral("movie not found: %1").arg(query));
    }
    return hitList(reply, QStringLiteral("results"));
}

platform::PicturePtr TMDbAPI::downloadImageWithURL(const QUrl& url)
{
    // The wait gives the command's modal session its turns, so the window stays live.
    const std::optional<QByteArray> data = fetchImageData(url, [this] {
        m_webRequest->giveModalSessionATurn();
        return true;
    });
    return data ? hitThumbnail(*data) : nullptr;
}

void TMDbAPI::getMovieSearchItems(const QVariantList& hits)
{
    for (const QVariant& entry : hits) {
        const QVariantMap hit = entry.toMap();
        const QString posterPath = QStringLiteral("poster_path");

        platform::PicturePtr thumbnail;
        // A cancel ends a thumbnail's load too; the hit list then ends below.
        if (hit.contains(posterPath) && !m_webRequest->requestIsAborted())
            thumbnail =
                downloadImageWithURL(QUrl(imageBaseUrl() + QStringLiteral("w92") + hit.value(posterPath).toString()));
        const QString year = yearOfReleaseDate(hit.value(QStringLiteral("release_date")).toString());

        if (m_webRequest->requestIsAborted())
            throw NamedFailure(QStringLiteral("TMDbSearchResultsAborted"),
                               QStringLiteral("aborted while loading search results"));

        m_movieSearchList.append(std::make_shared<MovieSearchItemModel>(hit.value(QStringLiteral("id")).toString(),
                                                                        hit.value(QStringLiteral("title")).toString(),
                                                                        year, thumbnail));
    }
}

QString TMDbAPI::searchForMovie(const QString& name, const QString& language, QObject* window)
{
    m_webRequest->setWindow(window);
    const QString searchText = buildSearchString(name);
    const QVariantList hits = movieSearchResult(searchText, language);
    if (hits.isEmpty())
        throw NamedFailure(QStringLiteral("TMDbMovieNotFound"), QStringLiteral("movie not found: %1").arg(searchText));

    QString movieId;
    // An id the reply leaves empty (null) names no movie either.
    const QString id = hits.first().toMap().value(QStringLiteral("id")).toString();
    if (!id.isEmpty())
        movieId = id;
    m_movieSearchList.clear();
    getMovieSearchItems(hits);
    return movieId;
}
