// The details of a found movie: title, descriptions, studio, date, flags and
// genres, set on the record that the lookup fills.
#include "online/tmdbapi.h"

#include "model/helpers.h"
#include "model/moviemodel.h"
#include "online/tmdbapi_lookupsupport.h"
#include "online/tmdbmoviegenres.h"
#include "platform/settings.h"

namespace {

QVariantMap detailsReply(TMDbAPI& client, const QString& movieId, const QString& language)
{
    return client.executeJSONUrlRequest(TMDbAPI::apiUrl(
        QStringLiteral("/3/movie/%1?api_key=%2&language=%3").arg(movieId, TMDbAPI::apiKey(), language)));
}

QStringList namesOf(const QVariantList& entries)
{
    QStringList names;
    for (const QVariant& entry : entries)
        names.append(entry.toMap().value(QStringLiteral("name")).toString());
    return names;
}

// The database's own names, or the built-in genres they map to, as the user chose.
void applyGenres(MovieModel& movie, const QVariantList& genres)
{
    const platform::Settings& settings = platform::Settings::shared();
    if (!settings.boolValue(QStringLiteral("UseTMDBGenres"))) {
        movie.setGenre(TMDbMovieGenres::getiTunesGenreForTMDbGenre(genres));
        QStringList styled;
        for (const TMDbMovieGenres::StyledGenreText& text : TMDbMovieGenres::getiTunesGenresForTMDbGenres(genres))
            styled.append(text.toRichText());
        movie.setAllGenres(styled);
        return;
    }
    const QStringList names = namesOf(genres);
    movie.setAllGenres(names);
    if (settings.boolValue(QStringLiteral("ListTMDbGenresAsList"))) {
        // No genres as a list is the empty text, not none (join gives a null text).
        const QString joined = names.join(QStringLiteral(", "));
        movie.setGenre(joined.isNull() ? QStringLiteral("") : joined);
    } else if (!names.isEmpty()) {
        movie.setGenre(names.first());
    }
}

}  // namespace

void TMDbAPI::getMovieInfos(const QString& movieId, const QString& language)
{
    const QVariantMap reply = detailsReply(*this, movieId, language);
    MovieModel& record = *m_movie;

    if (reply.contains(QStringLiteral("genres")))
        applyGenres(record, reply.value(QStringLiteral("genres")).toList());
    if (reply.contains(QStringLiteral("overview"))) {
        const QString overview = removeParenthesizedText(reply.value(QStringLiteral("overview")).toString());
        record.setShortDescription(overview);
        record.setLongDescription(overview);
    }
    if (reply.contains(QStringLiteral("production_companies"))) {
        const QVariantList companies = reply.value(QStringLiteral("production_companies")).toList();
        if (!companies.isEmpty())
            record.setStudio(companies.first().toMap().value(QStringLiteral("name")).toString());
    }
    if (reply.contains(QStringLiteral("release_date")))
        record.setReleaseDate(tmdblookup::releaseDateFromText(reply.value(QStringLiteral("release_date")).toString()));
    if (reply.contains(QStringLiteral("title")))
        record.setTitle(reply.value(QStringLiteral("title")).toString());
    if (reply.value(QStringLiteral("adult")).toString() == u"true")
        record.setExplicitFlag(1);
    if (reply.contains(QStringLiteral("imdb_id")))
        record.setImdbID(reply.value(QStringLiteral("imdb_id")).toString());
}

void TMDbAPI::getMovieGenres(const QString& movieId)
{
    const QVariantMap reply = detailsReply(*this, movieId, QStringLiteral("en"));
    applyGenres(*m_movie, reply.value(QStringLiteral("genres")).toList());
}
