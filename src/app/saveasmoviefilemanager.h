#pragma once

#include <QString>
#include <QUrl>

#include <memory>

class MovieList;
class MovieModel;
class QWidget;
class SaveMovieListWindowController;

// Save-as: copies the movie files of the selected records into a folder the
// user chooses, under the names the naming scheme gives, and tags each copy
// from its record. The source files are never written; afterwards each
// record refers to its copy. An unfinished copy is never tagged: a cancelled
// copy is removed without a word, a failed one is reported.
namespace SaveAsMovieFileManager {

// Makes a progress sheet, hands it out through `controller`, and shows it
// over `mainWindow`; returns the sheet's window.
QWidget* openProgressWindow(std::unique_ptr<SaveMovieListWindowController>& controller, QWidget* mainWindow);

// Copies and tags the selected records that are not tagged yet. False when
// nothing was done: no selected record is ready to tag, or the user
// dismissed the folder chooser; true once the run took place, even when a
// copy failed or was cancelled.
bool saveAs(MovieList& movieList, QWidget* mainWindow, const QString& language, const QString& locale);

// Copies the record's file to `destinationUrl` and tags the copy while the
// sheet stays live; only then does the record point at the copy. True when
// both worked; otherwise the record still refers to its source.
bool saveAsRunLoop(MovieModel& movie, const QUrl& destinationUrl, SaveMovieListWindowController& sheet,
                   const QString& language);

}  // namespace SaveAsMovieFileManager
