// The one entry of a movie database lookup: every step under one failure
// guard, so callers get a record or none and read status() for the reason.
#include "online/tmdbapi.h"

#include "model/moviemodel.h"
#include "online/namedfailure.h"
#include "online/servicelog.h"
#include "online/webrequest.h"
#include "platform/settings.h"

namespace {

void logFailure(const QString& name, const QString& reason)
{
    ServiceLog::log(QStringLiteral("readTMDBInformation: %1: %2").arg(name, reason));
}

}  // namespace

std::shared_ptr<MovieModel> TMDbAPI::readTmDBInformation(const TMDbLookupRequest& request)
{
    const auto& [name, nameIsId, language, locale, window, progressIndicator, modalSession, lastSearchMovieList,
                 loadCovers] = request;
    try {
        if (imageBaseUrl().isNull())
            getImageBaseUrl();
        m_webRequest->setModalSession(modalSession);
        auto record = std::make_shared<MovieModel>();

        QString movieId;
        if (!nameIsId) {
            movieId = searchForMovie(name, language, window);
            if (movieId.isNull() || m_webRequest->requestIsAborted() || m_webRequest->requestIsError())
                throw NamedFailure(QStringLiteral("MovieNotFoundException"),
                                   QStringLiteral("Request to read movie data failed"));
            record->setFoundMovies(m_movieSearchList);
        } else {
            m_webRequest->setWindow(window);
            record->setFoundMovies(lastSearchMovieList);
            movieId = name;
        }
        m_movie = record;

        getMovieInfos(movieId, language);
        if (!platform::Settings::shared().boolValue(QStringLiteral("UseTMDBGenres")) && language != u"en")
            getMovieGenres(movieId);
        getCastAndCrewInfos(movieId);
        getCertificationAnReleaseDate(movieId, locale);
        if (loadCovers)
            getPosterImages(movieId, language, progressIndicator);
        else
            m_movie->setImageModels(QList<std::shared_ptr<ImageModel>>());
        return m_movie;
    } catch (const NamedFailure& failure) {
        logFailure(failure.name(), failure.reason());
    } catch (const std::exception& failure) {
        // Anything else the platform throws ends the lookup the same way.
        logFailure(QStringLiteral("Exception"), QString::fromLocal8Bit(failure.what()));
    }
    return nullptr;
}
