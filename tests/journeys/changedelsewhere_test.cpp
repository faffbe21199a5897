// Movies that another program changes after the main window loaded them:
// retagged to another length, rewritten in place at the same length, or only
// touched, or changed with their time put back (by kid3 on a file whose time
// is a whole second, or to the nanosecond), each with and without a cover
// left in the file. Saving them is
// refused with an alert that names the cause and the full path; the files stay
// as the other program left them, the window keeps the user's edit, and
// opening the movie again takes the change up and saves.
#include "journey.h"

#include "app/korvalanecontroller.h"
#include "platform/fileplace.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableView>

#include <filesystem>
#include <functional>

namespace journeys {
namespace {

using namespace movieroad;
using ChangedElsewhereJourney = Journey;

TEST_F(ChangedElsewhereJourney, ASaveNeverWritesOverAnotherProgramsChange)
{
    // Six movies of one title would take each other's names in a working folder.
    saveWhereTheFilesLie();
    const auto retag = [this](const QString& path) {
        ASSERT_TRUE(m_factory.atomicParsleyTag(path, {"--title", "Retagged", "--comment", "their comment"}));
    };
    const auto rewriteInPlace = [](const QString& path) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const QByteArray bytes = file.readAll();
        ASSERT_EQ(bytes.count("Before"), 1);
        ASSERT_TRUE(file.seek(bytes.indexOf("Before")) && file.write("Theirs") == 6);
    };
    // A change that leaves the length and the time as they were: only the bytes tell.
    const auto keepingSizeAndTime = [](const std::function<void(const QString&)>& change) {
        return [change](const QString& path) {
            const std::optional<platform::FileIdentity> before = platform::FileIdentity::of(path);
            change(path);
            ASSERT_EQ(platform::FileIdentity::of(path), before);
        };
    };
    // The time put back to the nanosecond afterwards, as os.utime does.
    const auto timePutBack = [&](const std::function<void(const QString&)>& change) {
        return keepingSizeAndTime([change](const QString& path) {
            const auto time = std::filesystem::last_write_time(path.toStdString());
            change(path);
            std::filesystem::last_write_time(path.toStdString(), time);
        });
    };
    // mutagen puts the cover after the title, where kid3 put it first: it no longer lies where it was read.
    const auto mutagenRetag = [this](const QString& path) {
        ASSERT_TRUE(m_factory.mutagenTag(path, {{"©nam", "Other"}}));
    };
    // kid3 (under the tests' own home) puts back the time it found, to the second. A file it
    // tagged before has room for a shorter title.
    const auto kid3 = [](const QString& path, const QString& edit) {
        const QFileInfo file(path);
        ASSERT_TRUE(testsupport::MovieFactory::run(
                        "kid3-cli", {"-c", "config File.preserveTime true", "-c", "cd '" + file.path() + "'", "-c",
                                     "select '" + file.fileName() + "'", "-c", edit, "-c", "save"})
                        .ok());
    };
    const auto taggedByKid3AtAWholeSecond = [&](const QString& path) {
        kid3(path, "set comment 'from kid3'");
        const std::filesystem::path file = path.toStdString();
        std::filesystem::last_write_time(file, std::chrono::floor<std::chrono::seconds>(last_write_time(file)));
    };
    const auto kid3Retag = keepingSizeAndTime([&](const QString& path) { kid3(path, "set title 'Other'"); });
    const auto touch = [](const QString& path) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(file.fileTime(QFileDevice::FileModificationTime).addSecs(-60),
                                     QFileDevice::FileModificationTime));
    };
    const struct {
        const char* name;
        std::function<void(const QString&)> change;
        bool withCover;
        // What opening the file again shows, and what the save after that keeps.
        const char* theirTitle;
        const char* theirComment;
        std::function<void(const QString&)> before = {};  // what the file went through before it was loaded
    } cases[] = {
        {"retagged to another length", retag, false, "Retagged", "their comment"},
        {"retagged to another length, with a cover", retag, true, "Retagged", "their comment"},
        {"rewritten in place", rewriteInPlace, false, "Theirs", ""},
        {"rewritten in place, with a cover", rewriteInPlace, true, "Theirs", ""},
        {"touched", touch, false, "Before", ""},
        {"touched, with a cover", touch, true, "Before", ""},
        {"rewritten in place, its time put back", timePutBack(rewriteInPlace), false, "Theirs", ""},
        {"rewritten in place, its time put back, with a cover", timePutBack(rewriteInPlace), true, "Theirs", ""},
        {"retagged by kid3 keeping its time", kid3Retag, false, "Other", "from kid3", taggedByKid3AtAWholeSecond},
        {"retagged by kid3 keeping its time, with a cover", kid3Retag, true, "Other", "from kid3",
         taggedByKid3AtAWholeSecond},
        {"retagged by mutagen, its time put back, the cover moved", timePutBack(mutagenRetag), true, "Other",
         "from kid3", taggedByKid3AtAWholeSecond},
    };
    // Large enough that reading leaves it in the file.
    const QString cover = m_factory.makeImage("cover.jpg", 320, 240);
    for (const auto& c : cases) {
        testsupport::MovieRecipe recipe;
        recipe.metadata = {{"title", "Before"}};
        recipe.coverImages = c.withCover ? QStringList{cover} : QStringList{};
        const QString made = makeMovie(QString(c.name) + ".m4v", recipe);
        if (c.before)
            c.before(made);
    }
    const int movies = static_cast<int>(std::size(cases));
    openWorkFolder(movies);
    Ui::MainWindow& ui = m_controller->ui();
    const auto editAndSave = [&](const QString& name) {
        clickRow(rowOf(name));
        typeTitle("Mine");
        trigger(ui.actionSave);
    };

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString(c.name) + ".m4v";
        const QString path = workFolder() + "/" + name;
        ASSERT_EQ(record(name)->coverIsSet(), c.withCover);
        c.change(path);
        const QByteArray theirs = fileBytes(path);
        const qsizetype alerts = m_alerts.shown().size();
        editAndSave(name);
        ASSERT_EQ(m_alerts.shown().size(), alerts + 1);
        EXPECT_EQ(m_alerts.shown().last(), platform::Alert::aboutFile("fileError", "fileChangedSinceRead", path));
        EXPECT_TRUE(fileBytes(path) == theirs) << "the file is as the other program left it";
        // The window keeps the user's edit, ready to save, under the file's own name.
        EXPECT_EQ(ui.titleEdit->text(), "Mine");
        EXPECT_TRUE(ui.movieListTableView->model()->index(rowOf(name), 1).data().toString().startsWith("Mine"));
        EXPECT_EQ(record(name)->status(), MovieModel::kStatusReadyToTag);
        EXPECT_TRUE(ui.actionSave->isEnabled());

        // Removed and opened again, the movie shows the other program's change and saves.
        clickRow(rowOf(name));
        trigger(ui.actionRemoveCurrent);
        ASSERT_LT(rowOf(name), 0);
        openWorkFolder(movies);
        clickRow(rowOf(name));
        EXPECT_EQ(ui.titleEdit->text(), c.theirTitle);
        editAndSave(name);
        EXPECT_EQ(m_alerts.shown().size(), alerts + 1) << "no alert for the save of the file as read again";
        EXPECT_EQ(record(name)->status(), MovieModel::kStatusTagged);
        const QMap<QString, QString> atoms = atomicParsleyAtoms(path);
        EXPECT_EQ(atoms.value("©nam"), "Mine");
        EXPECT_EQ(atoms.contains("covr"), c.withCover);
        EXPECT_EQ(atoms.value("©cmt"), c.theirComment) << "the other program's tag is kept";
    }
}

}  // namespace
}  // namespace journeys
