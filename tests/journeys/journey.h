#pragma once

// The steps a user takes in the main window, shared by the journeys: the
// window shown as at start against the fake services (every service on, Plex
// names and side files into the working folder), commands given through the
// window's own actions and widgets, and the preferences changed in their
// window.

#include "movieroad.h"

#include "app/filechooser.h"
#include "app/movielistcontroller.h"

#include <functional>
#include <memory>

class PreferenceWindowController;
class QAction;
class QComboBox;
class QLineEdit;

namespace journeys {

class Journey : public movieroad::MovieRoadTest {
protected:
    void SetUp() override;

    MovieListController& list() const { return m_controller->movieListController(); }
    // The record of the file named `fileName`, or null.
    std::shared_ptr<MovieModel> record(const QString& fileName) const;
    int rowOf(const QString& fileName) const;

    // Saves leave each file where it lies under its own name, without Plex
    // side files: no working folder is set.
    void saveWhereTheFilesLie();
    // Opens the working folder as a user would, checks that `rows` movies are listed.
    void openWorkFolder(int rows);
    // A click on the row in the movie table.
    void clickRow(int row);
    // Gives a command through its menu action (checked to be enabled first).
    void trigger(QAction* action);
    // `text` typed over what the field holds and confirmed with Return.
    static void typeInto(QLineEdit* edit, const QString& text);
    // The title typed into the editor and confirmed with Return.
    void typeTitle(const QString& title) { typeInto(m_controller->titleEdit(), title); }
    // Opens the preferences window through its menu command, lets `change`
    // act on it as a user would, and closes it with its close button.
    void changePreferences(const std::function<void(PreferenceWindowController&)>& change);
    // The bytes the fake services answer at `url`.
    static QByteArray served(const QUrl& url);
    // The item showing `text` chosen as a user does.
    static void choose(QComboBox* box, const QString& text);

    // Answers the open and folder panels.
    RecordingFileChooser m_chooser;
};

}  // namespace journeys
