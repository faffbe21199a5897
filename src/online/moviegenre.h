#pragma once

#include <QString>
#include <QStringList>

#include <expected>
#include <functional>
#include <optional>

// The application's genre vocabulary: the sixteen built-in genres (those the
// media library knows) with a detection pattern each, the movie database's
// genre names, and the user's own genres from the settings.
//
// The first use in a process builds the tables and, while no database genre
// list is held, loads one through the genre name loader (without language
// and country); that waits for one request.
namespace MovieGenre {

// Fetches the database's genre names for a language and a country (either
// may be empty); the reason of the failure when that fails. The application
// installs TMDbAPI::loadGenreNames at start-up.
using GenreNameLoader =
    std::function<std::expected<QStringList, QString>(const QString& language, const QString& country)>;
void setGenreNameLoader(GenreNameLoader loader);

// The sixteen built-in genre names, in their order.
const QStringList& builtInGenreNames();

// The genres offered to the user: the built-in names, or the database's
// names with "UseTMDBGenres", or none with "OnlyUserDefinedGenres"; then the
// user's "UserDefinedGenres", and when there are any, the whole list sorted
// case-insensitively.
QStringList genreNames();

// The built-in genre whose pattern matches anywhere in `text` (the patterns
// are tried in a fixed order, "Sci-Fi & Fantasy" first); null when none does.
QString extractGenreFromString(const QString& text);

// Loads the database's genre names for a language and a country (either may
// be empty) and keeps them; a failed load, or none without a loader, keeps
// the 19 fallback names.
void setTMDbGenreNames(const QString& language, const QString& country);

// The database genre list as last loaded; nullopt before the first load.
std::optional<QStringList> tmdbGenreNames();

// The names kept when a load fails, in their order.
const QStringList& fallbackGenreNames();

// Forgets the database genre list and the first use (not the loader), so a
// test can watch the first use again.
void resetForTests();

}  // namespace MovieGenre
