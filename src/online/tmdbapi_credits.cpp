// Cast and crew, and the certification and release date for the user's
// country, set on the record that the lookup fills.
#include "online/tmdbapi.h"

#include "model/contentrating.h"
#include "model/moviemodel.h"
#include "online/tmdbapi_lookupsupport.h"
#include "platform/settings.h"

#include <algorithm>
#include <utility>

namespace {

QVariantMap movieReply(TMDbAPI& client, const QString& movieId, const QString& part)
{
    return client.executeJSONUrlRequest(
        TMDbAPI::apiUrl(QStringLiteral("/3/movie/%1/%2?api_key=%3").arg(movieId, part, TMDbAPI::apiKey())));
}

void appendOnce(QStringList& names, const QString& name)
{
    if (!names.contains(name))
        names.append(name);
}

// Sets a list field only when there is something to set.
void setIfAny(MovieModel& movie, void (MovieModel::*setter)(const std::optional<QStringList>&),
              const QStringList& names)
{
    if (!names.isEmpty())
        (movie.*setter)(names);
}

// The country entry of `locale`: the first whose code matches, in reply order.
std::optional<QVariantMap> countryEntry(const QVariantList& countries, const QString& locale)
{
    for (const QVariant& entry : countries) {
        const QVariantMap country = entry.toMap();
        const QString code = QStringLiteral("iso_3166_1");
        if (country.contains(code) && country.value(code).toString().toLower() == locale)
            return country;
    }
    return std::nullopt;
}

// German certifications arrive as "16" or "FSK 16"; the rating tables name
// them in the form the user chose.
QString germanRatingName(const QString& certification)
{
    const QString age = tmdblookup::trimmedOf(certification, u"FSKfsk ");
    if (platform::Settings::shared().boolValue(QStringLiteral("UseFSKRatingsInsteadOfAbJahren")))
        return QStringLiteral("FSK %1").arg(age);
    return QStringLiteral("ab %1 Jahren").arg(age);
}

}  // namespace

void TMDbAPI::getCastAndCrewInfos(const QString& movieId)
{
    const QVariantMap reply = movieReply(*this, movieId, QStringLiteral("casts"));
    MovieModel& record = *m_movie;
    setIfAny(record, &MovieModel::setArtists, getActorsFromCastAndCrew(reply));

    QStringList directors;
    QStringList producers;
    QStringList writers;
    extracted_method(reply.value(QStringLiteral("crew")).toList(), directors, producers, writers);
    setIfAny(record, &MovieModel::setDirectors, directors);
    setIfAny(record, &MovieModel::setProducers, producers);
    setIfAny(record, &MovieModel::setScreenWriters, writers);
}

QStringList TMDbAPI::getActorsFromCastAndCrew(const QVariantMap& castAndCrew)
{
    // Each member's order is read once, not in every comparison of the sort.
    QList<std::pair<int, QVariantMap>> cast;
    for (const QVariant& entry : castAndCrew.value(QStringLiteral("cast")).toList()) {
        QVariantMap member = entry.toMap();
        const int order = tmdblookup::intValueOfText(member.value(QStringLiteral("order")).toString());
        cast.append({order, std::move(member)});
    }
    // Stable, so entries of equal order keep the reply's order.
    std::stable_sort(cast.begin(), cast.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList actors;
    for (const auto& [order, member] : cast) {
        if (member.contains(QStringLiteral("name")))
            appendOnce(actors, member.value(QStringLiteral("name")).toString());
    }
    return actors;
}

void TMDbAPI::extracted_method(const QVariantList& crew, QStringList& directors, QStringList& producers,
                               QStringList& writers)
{
    for (const QVariant& entry : crew) {
        const QVariantMap member = entry.toMap();
        const QString departmentKey = QStringLiteral("department");
        const QString jobKey = QStringLiteral("job");
        const QString nameKey = QStringLiteral("name");
        if (!member.contains(departmentKey) || !member.contains(jobKey) || !member.contains(nameKey))
            continue;
        const QString department = member.value(departmentKey).toString();
        const QString job = member.value(jobKey).toString();
        const QString name = member.value(nameKey).toString();
        if (department == u"Directing" && job == u"Director")
            appendOnce(directors, name);
        else if (department == u"Production" && job == u"Producer")
            appendOnce(producers, name);
        else if (department == u"Writing" && (job == u"Screenplay" || job == u"Writer"))
            appendOnce(writers, name);
    }
}

void TMDbAPI::getCertificationAnReleaseDate(const QString& movieId, const QString& locale)
{
    const QVariantMap reply = movieReply(*this, movieId, QStringLiteral("releases"));
    const QString country = locale == u"en" ? QStringLiteral("us") : locale;
    const std::optional<QVariantMap> entry = countryEntry(reply.value(QStringLiteral("countries")).toList(), country);
    if (!entry)
        return;

    MovieModel& record = *m_movie;
    QString certification = entry->value(QStringLiteral("certification")).toString();
    if (!certification.isEmpty()) {
        if (country == u"de")
            certification = germanRatingName(certification);
        record.setRating(ContentRating(country).ratingValueForName(certification));
    }
    const QString date = entry->value(QStringLiteral("release_date")).toString();
    if (!date.isEmpty())
        record.setReleaseDate(tmdblookup::releaseDateFromText(date));
}
