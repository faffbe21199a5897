#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantList>

#include <optional>

class MovieList;
class MovieModel;

// Finding movie files among what the user opens or drops (files, folders,
// EyeTV recordings) and loading each into a new record of the movie list:
// the loading half of the movie file manager.
namespace MovieFileManager {

// The accepted extensions, in order: "mp4", "m4v", "eyetv".
const QStringList& movieFileExtensions();
// Builds the extension list (again); the list is always the same.
void initialize();

bool isValidMovieFile(const QUrl& url);
// A movie file, or a folder that is not a package.
bool isValidMovieFileOrDirectory(const QUrl& url);
// Whether one of the paths is a movie file or plain folder not among `existingFiles`.
bool isValidMovieFileOrDirectoryInList(const std::optional<QStringList>& paths, const QList<QUrl>& existingFiles);
bool isValidEyeTVFile(const QUrl& url);
bool isValidImageFile(const QUrl& url);

// `items` holds QUrl or QString (a path) elements. True when every movie file
// found was loaded; no list at all answers false without an alert.
bool loadFiles(const std::optional<QVariantList>& items, MovieList& movieList, const QString& language);
// The movie files to load, in order, without those already in the list.
QList<QUrl> enumerateMovieFiles(const QVariantList& items, const QList<QUrl>& existingFiles, const QString& language);
// The movie file inside an EyeTV recording, or an empty URL (after an alert).
QUrl getFileUrlOfEyeTVMovieFile(const QUrl& recordingUrl, const QString& language);
// An unreadable file shows an alert that names it and says how many of the
// files given with it, `filesAfter`, are left unloaded.
bool loadMPEG4orEyeTVFile(const QUrl& url, MovieModel& movie, const QString& language, qsizetype filesAfter = 0);
bool loadFile(const QUrl& url, MovieList& movieList, const QString& language, qsizetype filesAfter = 0);

}  // namespace MovieFileManager
