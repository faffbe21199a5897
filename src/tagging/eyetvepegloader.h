#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <optional>

class MovieModel;

// Fills a movie record from the programme guide data that an EyeTV recording
// (a folder with the extension "eyetv") keeps in its ".eyetvp" property list.
// The property list is only read.
namespace EyeTVEPegLoader {

// True when guide data was found and taken into `movie`; otherwise the record is untouched.
bool loadEyeTVEPegInfos(const QUrl& recordingUrl, MovieModel& movie, const QString& countryLocale);

// The top-level dictionary of the recording's first ".eyetvp" entry, or none.
std::optional<QVariantMap> loadEyeTvProperties(const QUrl& recordingUrl);

// The rating string for the guide's MPAA rating (or, for "de", its FSK age);
// a null text when absent or not in the country's table.
QString getRatingFromEyeTvInfo(const QString& countryLocale, const QString& mpaaRating, const QString& fskRating);

// Each text split into one name per line (null text: none).
void getActorsAndDirectorFromEyeTvInfo(const QString& director, const QString& actors,
                                       std::optional<QStringList>* directors, std::optional<QStringList>* actorList);

// The first genre recognised in the three texts, in this order; a null text when none.
QString getGenreFromEyeTvInfo(const QString& content, const QString& abstract, const QString& tvtvtext);

}  // namespace EyeTVEPegLoader
