// Movies that another program changes after the main window loaded them:
// retagged to another length, rewritten in place at the same length, or only
// touched, each with and without a cover left in the file. Saving them is
// refused with an alert that names the cause and the full path; the files stay
// as the other program left them, the window keeps the user's edit, and
// opening the movie again takes the change up and saves.
#include "journey.h"

#include "app/korvalanecontroller.h"
#include "platform/settings.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QLineEdit>
#include <QTableView>

#include <functional>

namespace journeys {
namespace {

using namespace movieroad;

// Another program's change of the file at `path`.
using Change = std::function<void(testsupport::MovieFactory&, const QString& path)>;

void retagToAnotherLength(testsupport::MovieFactory& factory, const QString& path)
{
    ASSERT_TRUE(factory.atomicParsleyTag(path, {"--title", "Retagged", "--comment", "their comment"}));
}

// The title's bytes rewritten where they lie: the length stays, the bytes and the time change.
void rewriteInPlace(testsupport::MovieFactory&, const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.count("Before"), 1);
    ASSERT_TRUE(file.seek(bytes.indexOf("Before")));
    ASSERT_EQ(file.write("Theirs"), 6);
}

void touchOnly(testsupport::MovieFactory&, const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QDateTime modified = file.fileTime(QFileDevice::FileModificationTime);
    ASSERT_TRUE(file.setFileTime(modified.addSecs(-60), QFileDevice::FileModificationTime));
}

class ChangedElsewhereJourney : public Journey {
protected:
    void SetUp() override
    {
        Journey::SetUp();
        // Saved where they lie under their own names: six movies of one title would
        // otherwise take each other's names.
        platform::Settings::shared().remove("WorkingDirectoryBookmark");
        set("WritePLEXFiles", false);
    }

    QString titleShownInRow(const QString& fileName) const
    {
        const QAbstractItemModel* rows = m_controller->ui().movieListTableView->model();
        return rows->index(rowOf(fileName), 1).data().toString();
    }

    // The user gives the movie of `fileName` the title "Mine" and saves it.
    void editAndSave(const QString& fileName)
    {
        clickRow(rowOf(fileName));
        typeTitle("Mine");
        trigger(m_controller->ui().actionSave);
    }
};

TEST_F(ChangedElsewhereJourney, ASaveNeverWritesOverAnotherProgramsChange)
{
    const QString cover = m_factory.makeImage("cover.jpg", 64, 48);
    const struct {
        const char* name;
        Change change;
        bool withCover;
        // What opening the file again shows, and what the save after it keeps.
        const char* theirTitle;
        const char* theirComment;
    } cases[] = {
        {"retagged to another length", retagToAnotherLength, false, "Retagged", "their comment"},
        {"retagged to another length, with a cover", retagToAnotherLength, true, "Retagged", "their comment"},
        {"rewritten in place", rewriteInPlace, false, "Theirs", ""},
        {"rewritten in place, with a cover", rewriteInPlace, true, "Theirs", ""},
        {"touched", touchOnly, false, "Before", ""},
        {"touched, with a cover", touchOnly, true, "Before", ""},
    };
    for (const auto& c : cases) {
        testsupport::MovieRecipe recipe;
        recipe.metadata = {{"title", "Before"}};
        if (c.withCover)
            recipe.coverImages = {cover};
        makeMovie(QString(c.name) + ".m4v", recipe);
    }
    openWorkFolder(static_cast<int>(std::size(cases)));
    Ui::MainWindow& ui = m_controller->ui();

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString(c.name) + ".m4v";
        const QString path = workFolder() + "/" + name;
        ASSERT_EQ(record(name)->coverIsSet(), c.withCover);
        c.change(m_factory, path);
        const QByteArray theirs = fileBytes(path);

        const qsizetype alertsBefore = m_alerts.shown().size();
        editAndSave(name);
        ASSERT_EQ(m_alerts.shown().size(), alertsBefore + 1);
        EXPECT_EQ(m_alerts.shown().last(), platform::Alert::aboutFile("fileError", "fileChangedSinceRead", path));
        EXPECT_TRUE(fileBytes(path) == theirs) << "the file is as the other program left it";
        // The window keeps the user's edit, ready to save, under the file's own name.
        EXPECT_EQ(ui.titleEdit->text(), "Mine");
        EXPECT_TRUE(titleShownInRow(name).startsWith("Mine")) << titleShownInRow(name).toStdString();
        EXPECT_EQ(record(name)->status(), MovieModel::kStatusReadyToTag);
        EXPECT_TRUE(ui.actionSave->isEnabled());

        // Removed and opened again, the movie shows the other program's change and saves.
        clickRow(rowOf(name));
        trigger(ui.actionRemoveCurrent);
        ASSERT_LT(rowOf(name), 0);
        openWorkFolder(static_cast<int>(std::size(cases)));
        clickRow(rowOf(name));
        EXPECT_EQ(ui.titleEdit->text(), c.theirTitle);
        EXPECT_EQ(record(name)->coverIsSet(), c.withCover);
        editAndSave(name);
        EXPECT_EQ(m_alerts.shown().size(), alertsBefore + 1) << "no alert for the save of the file as read again";
        EXPECT_EQ(record(name)->status(), MovieModel::kStatusTagged);
        const QMap<QString, QString> atoms = atomicParsleyAtoms(path);
        EXPECT_EQ(atoms.value("©nam"), "Mine");
        EXPECT_EQ(atoms.contains("covr"), c.withCover);
        EXPECT_EQ(atoms.value("©cmt"), c.theirComment) << "the other program's tag is kept";
    }
}

}  // namespace
}  // namespace journeys
