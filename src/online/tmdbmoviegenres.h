#pragma once

#include <QList>
#include <QString>
#include <QVariantList>

// Maps the movie database's genre names (English and German) to the
// built-in genres of MovieGenre, picks the one genre a movie gets, and
// styles the genre list with the mapped genres in bold. A genre record is a
// QVariantMap whose "name" entry is the genre's name, as the database's
// replies give it.
namespace TMDbMovieGenres {

// One entry of a styled genre list: the view draws it in the system font,
// bold when `bold` is set, in the system's text colour.
struct StyledGenreText {
    QString name;
    bool bold = false;

    // The same as Qt rich text ("<b>Comedy</b>"), with the name escaped.
    QString toRichText() const;
    bool operator==(const StyledGenreText&) const = default;
};

// The built-in genre that a database genre name maps to; null when none.
QString iTunesGenreForName(const QString& tmdbName);
// The priority of a built-in genre (higher wins); -1 for an unknown one.
int priorityOfGenre(const QString& genre);

// The built-in genre for a movie with these genre records: the mapped genre
// of highest priority, the earlier record on a tie; null when none maps.
QString getiTunesGenreForTMDbGenre(const QVariantList& genres);

// One styled text per name of MovieGenre::genreNames(), bold when a record
// maps to that name.
QList<StyledGenreText> getiTunesGenresForTMDbGenres(const QVariantList& genres);

}  // namespace TMDbMovieGenres
