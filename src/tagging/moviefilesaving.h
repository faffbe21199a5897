#pragma once

#include "model/movielist.h"
#include "tagging/metadatautilities.h"

#include <QString>
#include <QUrl>

#include <functional>

// Saving records back into their movie files, renaming them by the naming
// scheme inside the working folder, the side files a Plex library reads, and
// handing saved files to the media library: the saving half of the movie
// file manager.
namespace MovieFileManager {

// Saves the selected records (or all) that are ready and not yet tagged, or
// every one of them when forced; stops at the first record that cannot be
// written, with an alert that names it and, when others were still to come,
// counts the movies left unsaved and names them in its details. True when
// every record tried was saved.
bool saveFiles(MovieList& movieList, const QUrl& newDirectory, bool selectedOnly, bool force, const QString& language,
               const QString& locale);
// Writes the record into its file and, inside the working folder, renames the
// file and writes the Plex side files. False (after an alert) when the file
// could not be written; file and record then stay as they were.
bool saveFile(MovieModel& movie, const QUrl& newDirectory, const QString& language, const QString& locale);
// Shows why the movie file at `fileUrl` was not written, with its full path;
// when saving stopped there, also how many movies were left unsaved (it and
// `notTried`), naming them all in the details.
void showWriteFailureAlert(MetaDataUtilities::WriteFailure failure, const QUrl& fileUrl,
                           const MovieList::Records& notTried = {});
// Moves the file to its new name through "<new name>.tmp" beside it. False
// (after an alert and a log line) when it could not; no file is lost then:
// when the second move fails the file goes back to its present name, and
// `location` (when given) tells where the file is in the end.
bool saveRenameFile(const QUrl& currentFileUrl, const QUrl& newFileUrl, QUrl* location = nullptr);
// Writes the cover JPEG and the SRT subtitle beside the movie file (and first
// moves the file into a folder of its own, when so set). Failures are silent.
void savePLEXAssets(MovieModel& movie, const QUrl& fileUrl, const QString& language);

// Hands the file to the system's media-library application.
bool importFileToMediaLibrary(const QUrl& fileUrl);
// Starts the import on a worker thread without awaiting it, then gives the
// media-library application a second before the next file: `wait` spends
// that second (a caller with a live window pumps it); without one the
// thread sleeps.
void handToMediaLibrary(const QUrl& fileUrl, const std::function<void(double seconds)>& wait = {});
bool importFileToiTunes(const QUrl& fileUrl);
bool importFileToTVApp(const QUrl& fileUrl);

}  // namespace MovieFileManager
