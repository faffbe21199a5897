#pragma once

#include "model/movielist.h"

#include <QDir>
#include <QString>
#include <QStringList>

#include <functional>

class KorvalaneApp;
class QImage;
class QWidget;

// Drives the real application the way a user would, through its menu
// commands and the search view's buttons: opens a folder with the open
// dialog, searches one movie by hand and copies the result in, runs the
// batch search over every movie while watching the progress sheet, saves
// them all, types a number of chapters for one movie, opens the preferences,
// searches once for a movie the database does not know, takes a title from a
// file name that holds none, searches once without the movie database's key
// and quits with an edit not saved, cancelling the question. On the way it writes pictures of the
// windows into the picture folder and reports every step on standard
// output, so a person can follow what happened.
class ScreenshotDriver {
public:
    ScreenshotDriver(KorvalaneApp& app, const QString& libraryFolder, const QString& pictureFolder);

    // Runs every step; false when one of them did not come about (the
    // output says which).
    bool run();
    // Opens the library and writes a picture of the whole screen as
    // <name>.png, showing where and how large the main window opened; false
    // when the window does not lie inside the screen.
    bool pictureOfTheScreen(const QString& name);

private:
    bool openLibrary();
    bool searchByHand(const QString& fileName);
    bool batchSearchAll();
    bool saveAll();
    bool showPreferences();
    // Chooses a number of chapters for one movie in the editor.
    bool changeChapterCount(const QString& fileName, int chapters);
    // A hand search for a movie the database does not know, and what the status bar says.
    bool searchWithoutHits(const QString& fileName);
    // Title From File Name on a name without a year in parentheses.
    bool showSplitTitleAlert(const QString& fileName);
    bool showMissingKeyAlert();
    bool showQuitQuestion();

    // Pumps events until `done` holds or `timeoutMs` pass; the result of `done`.
    static bool waitFor(const std::function<bool()>& done, int timeoutMs);
    // Runs `act` once on the first application-modal window that opens
    // while `command` runs (which may block in the window's own loop).
    static void whenModalOpens(const std::function<void(QWidget&)>& act, const std::function<void()>& command);
    int rowOf(const QString& fileName) const;
    void selectRows(const MovieList::IndexSet& rows);
    // Writes `picture` as <name>.png into the picture folder.
    bool save(const QImage& picture, const QString& name) const;
    bool grabMainWindow(const QString& name) const;
    void report(const QString& line) const;
    QStringList libraryEntries() const;

    KorvalaneApp& m_app;
    QDir m_library;
    QDir m_pictures;
};
