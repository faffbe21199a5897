// Every command that changes movie records, given through the main window on
// one and then on two selected movies, each followed by Save Anyway: after
// each, the editor, the chapter table and the cover well show what the saved
// files hold, as ffprobe and AtomicParsley read them back.
#include "journey.h"

#include "app/coverimageview.h"
#include "app/imageselectcontroller.h"
#include "app/korvalanecontroller.h"
#include "platform/localized.h"
#include "support/testenvironment.h"
#include "ui_imageselectview.h"
#include "ui_mainwindow.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <cstdlib>
#include <functional>
#include <optional>
#include <set>

namespace journeys {
namespace {

using namespace movieroad;

// What one saved file holds, read by the independent readers.
struct SavedFile {
    QString name;
    QStringList chapterNames;
    QList<qint64> chapterStartsMs;
    QString title;
    QString description;
    QList<QByteArray> artwork;
};

// A text field of the editor: its text, or that the selected records differ.
struct Shown {
    QString text;
    bool multipleValues;
};

class ShownIsSavedJourney : public Journey {
protected:
    struct Step {
        const char* name;
        std::function<void()> command;
        // What the command leads the window to show: rows of the chapter table
        // with one and with two movies selected, and whether the cover well shows a cover.
        int chapterRows[2];
        std::optional<bool> coverShown = std::nullopt;
    };

    void SetUp() override
    {
        Journey::SetUp();
        saveWhereTheFilesLie();
        ASSERT_TRUE(m_chapterFolder.isValid());
        makeMovie("Alien #1979.m4v");
        makeMovie("Garden Party.m4v");
        openWorkFolder(2);
    }

    // Runs the whole round of commands on the movies in `rows`, saving and
    // comparing after each.
    void walk(const MovieList::IndexSet& rows)
    {
        for (const Step& step : steps()) {
            SCOPED_TRACE(step.name);
            select(rows);
            step.command();
            // Each command reaches a state worth comparing, not two empty ones.
            EXPECT_EQ(m_controller->ui().chapterListView->model()->rowCount(), step.chapterRows[rows.size() - 1]);
            if (step.coverShown) {
                EXPECT_EQ(m_controller->coverImageView()->shownCover() != noCoverImage(), *step.coverShown);
            }
            trigger(m_controller->ui().actionSaveAnyway);
            ASSERT_TRUE(m_alerts.shown().isEmpty()) << step.name;
            expectWindowShowsWhatIsSaved();
        }
    }

private:
    std::vector<Step> steps()
    {
        Ui::MainWindow& ui = m_controller->ui();
        QSpinBox* count = ui.chapterCountSpinBox;
        QSpinBox* minutes = ui.chapterIntervalSpinBox;
        return {
            {"chapter count typed",
             [=, this] {
                 choose(ui.chapterSettingComboBox, platform::localized("chapterCount"));
                 typeInto(count, "3");
             },
             {3, 3}},
            {"chapter count by the arrows", [=] { QTest::keyClick(count, Qt::Key_Up); }, {4, 4}},
            {"one chapter every few minutes",
             [=, this] {
                 choose(ui.chapterSettingComboBox, platform::localized("chapterMinute"));
                 typeInto(minutes, "1");
             },
             {1, 1}},
            {"chapter file loaded",
             [=, this] {
                 choose(ui.chapterSettingComboBox, platform::localized("chapterDb"));
                 m_chooser.queueAnswer(
                     {chapterFile("loaded.txt", {{"00:00:00.000", "Anfang"}, {"00:00:12.500", "Schluss"}})});
                 trigger(ui.actionChapterDbLoad);
             },
             // Only the first selected movie takes the chosen file.
             {2, 0}},
            {"chapter file dropped on the cover well",
             [=, this] {
                 dropOnCoverWell(
                     chapterFile("dropped-chapters.txt",
                                 {{"00:00:00.000", "Eins"}, {"00:00:08.000", "Zwei"}, {"00:00:20.000", "Drei"}}));
             },
             {3, 3}},
            {"Copy to movie from the search view", [this] { copyFromTheSearchView(); }, {3, 3}, true},
            {"batch search merge", [=, this] { trigger(ui.actionFindTmdbInfoAll); }, {3, 3}, true},
            {"copy of the record", [=, this] { trigger(ui.actionCopyAll); }, {3, 3}, true},
            // The chapters stay: the chapter setting goes back to keeping the file's.
            {"reset", [=, this] { trigger(ui.actionClearCurrent); }, {3, 3}, false},
            // Into the movie selected last, which is then the only one selected.
            {"paste of the copied record", [=, this] { trigger(ui.actionPasteAll); }, {3, 3}, true},
        };
    }

    void select(const MovieList::IndexSet& rows)
    {
        QTableView* table = m_controller->ui().movieListTableView;
        clickRow(int(rows.first()));
        for (qsizetype row : rows.mid(1))
            QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              table->visualRect(table->model()->index(int(row), 1)).center());
        QApplication::processEvents();
        ASSERT_EQ(list().selectionIndexes(), rows);
    }

    // Replaces what the box shows by `text` and leaves it with Tab.
    static void typeInto(QSpinBox* box, const QString& text)
    {
        ASSERT_TRUE(box->isEnabled());
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Tab);
    }

    QUrl chapterFile(const QString& name, const QList<std::pair<QString, QString>>& chapters)
    {
        QFile file(m_chapterFolder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        int number = 1;
        for (const auto& [start, title] : chapters) {
            const QString id = QString("CHAPTER%1").arg(number++, 2, 10, QLatin1Char('0'));
            file.write(QString("%1=%2\n%1NAME=%3\n").arg(id, start, title).toUtf8());
        }
        return QUrl::fromLocalFile(file.fileName());
    }

    // A file dragged from the file manager and dropped on the cover well.
    void dropOnCoverWell(const QUrl& file)
    {
        CoverImageView* well = m_controller->coverImageView();
        QMimeData data;
        data.setUrls({file});
        const QPointF centre = well->rect().center();
        QDragEnterEvent enter(centre.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(well, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(well, &drop);
        QApplication::processEvents();
    }

    // A hand search, its second cover picked, and "Copy to movie".
    void copyFromTheSearchView()
    {
        Ui::ImageSelectView& search = m_controller->imageSelectController()->ui();
        search.tmdbSearchField->setFocus();
        search.tmdbSearchField->selectAll();
        QTest::keyClicks(search.tmdbSearchField, "Alien");
        QTest::keyClick(search.tmdbSearchField, Qt::Key_Return);
        QAbstractItemModel* hits = search.tmdbSearchTableView->model();
        ASSERT_GE(hits->rowCount(), 1);
        const QRect firstHit = search.tmdbSearchTableView->visualRect(hits->index(0, 0));
        QTest::mouseClick(search.tmdbSearchTableView->viewport(), Qt::LeftButton, {}, firstHit.center());
        QTest::mouseDClick(search.tmdbSearchTableView->viewport(), Qt::LeftButton, {}, firstHit.center());
        QApplication::processEvents();
        QListView* covers = search.tmdbCollectionView;
        ASSERT_GE(covers->model()->rowCount(), 2);
        QTest::mouseClick(covers->viewport(), Qt::LeftButton, {},
                          covers->visualRect(covers->model()->index(1, 0)).center());
        QTest::mouseClick(search.copyButton, Qt::LeftButton);
        QApplication::processEvents();
    }

    SavedFile readBack(const MovieModel& record)
    {
        const QString path = record.fileUrl().toLocalFile();
        SavedFile saved;
        saved.name = record.fileUrl().fileName();
        const QJsonObject probe = this->probe(path);
        saved.chapterNames = chapterTitles(probe);
        saved.chapterStartsMs = chapterStartsMs(probe);
        const QMap<QString, QString> atoms = atomicParsleyAtoms(path);
        saved.title = atoms.value("©nam");
        saved.description = atoms.value("ldes");
        for (const auto& artwork : m_factory.atomicParsleyArtwork(path))
            saved.artwork << artwork.bytes;
        return saved;
    }

    static Shown shownBy(const QString& text, const QString& placeholder)
    {
        const bool multiple = text.isEmpty() && placeholder == platform::localized("multipleValues");
        return {text.trimmed(), multiple};
    }

    // One value in the editor: every file holds it; "Multiple values": the files differ.
    static void expectFilesHold(const char* what, const Shown& shown, const QList<SavedFile>& files,
                                QString SavedFile::*value)
    {
        std::set<QString> held;
        for (const SavedFile& file : files)
            held.insert(file.*value);
        if (shown.multipleValues) {
            EXPECT_GT(held.size(), 1u) << what << " shows multiple values, the files agree";
            return;
        }
        for (const SavedFile& file : files)
            EXPECT_EQ(file.*value, shown.text) << what << " of " << file.name.toStdString();
    }

    void expectWindowShowsWhatIsSaved()
    {
        const MovieList::Records selected = list().selectedObjects();
        ASSERT_FALSE(selected.isEmpty());
        QList<SavedFile> files;
        for (const auto& record : selected)
            files << readBack(*record);
        Ui::MainWindow& ui = m_controller->ui();

        // The editor's title and long description.
        expectFilesHold("the title", shownBy(ui.titleEdit->text(), ui.titleEdit->placeholderText()), files,
                        &SavedFile::title);
        expectFilesHold("the long description",
                        shownBy(ui.longDescTextView->toPlainText(), ui.longDescTextView->placeholderText()), files,
                        &SavedFile::description);

        // The chapter count, while it is the choice, is the number of chapters saved.
        if (ui.chapterCountSpinBox->isEnabled()) {
            for (const SavedFile& file : files)
                EXPECT_EQ(file.chapterNames.size(), ui.chapterCountSpinBox->value()) << file.name.toStdString();
        }

        // The chapter table lists what every file holds; empty, the files hold none or differ.
        const QAbstractItemModel& table = *ui.chapterListView->model();
        QStringList names;
        QList<qint64> startSeconds;
        for (int row = 0; row < table.rowCount(); ++row) {
            names << table.index(row, 2).data().toString();
            const QStringList clock = table.index(row, 1).data().toString().split(':');
            startSeconds << clock.value(0).toLongLong() * 3600 + clock.value(1).toLongLong() * 60 +
                                clock.value(2).toLongLong();
        }
        if (names.isEmpty()) {
            const bool differ = std::any_of(files.cbegin(), files.cend(), [&](const SavedFile& file) {
                return file.chapterNames != files.first().chapterNames;
            });
            EXPECT_TRUE(differ || files.first().chapterNames.isEmpty())
                << "the table is empty, the files hold " << files.first().chapterNames.join(", ").toStdString();
        }
        for (const SavedFile& file : files) {
            if (names.isEmpty())
                break;
            EXPECT_EQ(file.chapterNames, names) << file.name.toStdString();
            ASSERT_EQ(file.chapterStartsMs.size(), startSeconds.size()) << file.name.toStdString();
            for (int i = 0; i < startSeconds.size(); ++i)
                EXPECT_LT(std::abs(file.chapterStartsMs[i] - startSeconds[i] * 1000), 1000)
                    << file.name.toStdString() << " chapter " << i + 1;
        }

        // The cover well shows the first selected movie's cover: the one saved, or none.
        const platform::PicturePtr cover = m_controller->coverImageView()->shownCover();
        if (!cover || cover == noCoverImage()) {
            EXPECT_TRUE(files.first().artwork.isEmpty()) << files.first().name.toStdString();
        } else {
            ASSERT_EQ(files.first().artwork.size(), 1) << files.first().name.toStdString();
            EXPECT_EQ(files.first().artwork.first(), cover->jpegData().value_or(QByteArray()));
        }
    }

    QTemporaryDir m_chapterFolder;
};

// Typed into one movie after the other (a list entry, the same again, a text of one's own) and left in every way,
// a command finding the field still focused: the record, the saved file and the editor coming back hold it.
using TypedIsSavedJourney = Journey;

TEST_F(TypedIsSavedJourney, EveryWayOfLeavingAFieldKeepsWhatWasTyped)
{
    saveWhereTheFilesLie();
    const QString first = makeMovie("Film 00.m4v");
    for (int movie = 1; movie <= 15; ++movie)
        ASSERT_TRUE(QFile::copy(first, workFolder() + QString("/Film %1.m4v").arg(movie, 2, 10, QChar('0'))));
    openWorkFolder(16);
    QApplication::setActiveWindow(m_controller->mainWindow());
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_controller->mainWindow(), testsupport::kWindowWaitMs));
    Ui::MainWindow& ui = m_controller->ui();
    const std::pair<const char*, std::function<void(int movie)>> ways[] = {
        {"Save by Ctrl+S", [](int) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier); }},
        {"Tab", [](int) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }},
        {"Return", [](int) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }},
        {"a click into another field", [&](int) { QTest::mouseClick(ui.studioEdit, Qt::LeftButton); }},
        {"a click on another movie", [this](int movie) { clickRow(movie + 1); }},
    };
    const std::tuple<const char*, QLineEdit*, const char*, QStringList> fields[] = {
        {"genre", ui.genreComboBox->lineEdit(), "©gen", {"Drama", "Horror", "Comedy", "Western", "Thriller"}},
        {"title", ui.titleEdit, "©nam", {}}};
    std::map<QString, QStringList> typed;
    for (const auto& [key, field, atom, listed] : fields) {
        for (int way = 0; way < std::ssize(ways); ++way) {
            const QString value = listed.value(way, QString("Titel %1").arg(way));
            for (const QString& text : {value, value, QString("Eigener Text %1").arg(way)}) {
                const int movie = int(typed[key].size());
                clickRow(movie);
                QTest::mouseClick(field, Qt::LeftButton);
                field->selectAll();
                QTest::keyClicks(QApplication::focusWidget(), text);
                ways[way].second(movie);
                EXPECT_EQ(list().arrangedObjects().at(movie)->valueForKey(key).toString(), text) << ways[way].first;
                typed[key] << text;
            }
        }
    }

    trigger(ui.actionSaveAll);
    ASSERT_TRUE(m_alerts.shown().isEmpty());
    for (int movie = 0; movie < 15; ++movie) {
        clickRow(movie);
        const QMap<QString, QString> atoms =
            atomicParsleyAtoms(list().arrangedObjects()[movie]->fileUrl().toLocalFile());
        for (const auto& [key, field, atom, listed] : fields) {
            EXPECT_EQ(atoms.value(atom), typed[key].at(movie)) << key << " saved for movie " << movie;
            EXPECT_EQ(field->text(), typed[key].at(movie)) << key << " shown for movie " << movie;
        }
    }
}

TEST_F(ShownIsSavedJourney, OneSelectedMovie)
{
    walk({0});
}

TEST_F(ShownIsSavedJourney, TwoSelectedMovies)
{
    walk({0, 1});
}

}  // namespace
}  // namespace journeys
