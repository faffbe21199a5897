#include "app/harness/appfixture.h"
#include "app/movielistdelegate.h"
#include "app/movielisttablemodel.h"
#include "app/servicekeycheck.h"
#include "app/statusnews.h"
#include "online/moviegenre.h"
#include "platform/localized.h"
#include "platform/settings.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QMainWindow>
#include <QMimeData>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTextBlock>

namespace {

class MainWindow : public AppFixture {
protected:
    Ui::MainWindow& ui() const { return m_controller->ui(); }
    MovieModel& movie(int row) const { return *list().arrangedObjects().at(row); }
    void selectRows(const MovieList::IndexSet& rows) const { list().updateTableViewSelection(rows); }

    static void typeInto(QLineEdit* edit, const QString& text)
    {
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    // How many pixels of a row's status light are clearly yellow, as drawn.
    int yellowPixelsOfLight(int row) const
    {
        QTableView* view = ui().movieListTableView;
        const QRect cell = view->visualRect(view->model()->index(row, MovieListTableModel::StatusColumn));
        const QImage shown = view->viewport()->grab(cell).toImage();
        int yellow = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QColor c = shown.pixelColor(x, y);
                yellow += c.red() > 200 && c.green() > 160 && c.blue() < 100 ? 1 : 0;
            }
        return yellow;
    }

    static std::unique_ptr<QMimeData> filesDrag(const QStringList& paths)
    {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        data->setUrls(urls);
        return data;
    }
};

TEST_F(MainWindow, LoadedFilesBecomeSelectedRowsAndEnableTheirCommands)
{
    EXPECT_FALSE(ui().actionSave->isEnabled());
    EXPECT_FALSE(ui().actionRemoveCurrent->isEnabled());
    EXPECT_FALSE(ui().titleEdit->isEnabled());

    loadMovies({"alpha", "beta"});
    const MovieListTableModel& rows = list().tableModel();
    ASSERT_EQ(rows.rowCount(), 2);
    EXPECT_EQ(rows.index(1, MovieListTableModel::TitleColumn).data().toString(), movie(1).titleAndFile());
    EXPECT_EQ(list().tableSelectedRows(), (MovieList::IndexSet{0, 1}));
    EXPECT_TRUE(ui().actionRemoveCurrent->isEnabled());
    EXPECT_TRUE(ui().actionFindTmdbInfoAll->isEnabled());
    EXPECT_TRUE(ui().actionSave->isEnabled());  // untitled files get a title from their name: ready
}

TEST_F(MainWindow, EditingATaggedMovieMakesItReadyAndEnablesSave)
{
    loadMovies({"alpha", "beta"}, true);
    ASSERT_EQ(movie(0).status(), MovieModel::kStatusTagged);
    selectRows({0});
    m_controller->mainWindow()->show();
    EXPECT_EQ(ui().titleEdit->text(), "alpha");
    EXPECT_FALSE(ui().actionSave->isEnabled());
    EXPECT_FALSE(ui().actionSaveAll->isEnabled());
    grabWindow("one-tagged-movie");

    QSignalSpy rowsChanged(&list().tableModel(), &QAbstractItemModel::dataChanged);
    typeInto(ui().titleEdit, "Alpha Returns");
    EXPECT_EQ(movie(0).title(), "Alpha Returns");
    EXPECT_EQ(movie(0).status(), MovieModel::kStatusReadyToTag);
    EXPECT_EQ(movie(1).title(), "beta");
    EXPECT_TRUE(ui().actionSave->isEnabled());
    EXPECT_TRUE(m_controller->saveButtonsEnabled());
    // Only the edited record's row is read again.
    ASSERT_FALSE(rowsChanged.isEmpty());
    for (const QList<QVariant>& change : rowsChanged) {
        EXPECT_EQ(change.at(0).toModelIndex().row(), 0);
        EXPECT_EQ(change.at(1).toModelIndex().row(), 0);
    }
    EXPECT_TRUE(list().tableModel().index(0, 1).data().toString().startsWith("Alpha Returns"));
    // The selected row's light reads yellow like any other, not tinted by the selection; the saved one is not yellow.
    EXPECT_GT(yellowPixelsOfLight(0), 20);
    EXPECT_EQ(yellowPixelsOfLight(1), 0);
    grabWindow("edited-title");
}

TEST_F(MainWindow, TwoSelectedMoviesShowMultipleValuesAndTakeOneEditTogether)
{
    loadMovies({"alpha", "beta"}, true);
    movie(0).setStudio("Same Studio");
    movie(1).setStudio("Same Studio");
    selectRows({0, 1});
    EXPECT_TRUE(ui().titleEdit->text().isEmpty());
    EXPECT_EQ(ui().titleEdit->placeholderText(), platform::localized("multipleValues"));
    EXPECT_EQ(ui().studioEdit->text(), "Same Studio");
    grabWindow("two-movies-selected");

    typeInto(ui().titleEdit, "Double Feature");
    EXPECT_EQ(movie(0).title(), "Double Feature");
    EXPECT_EQ(movie(1).title(), "Double Feature");
    EXPECT_EQ(ui().titleEdit->text(), "Double Feature");
}

TEST_F(MainWindow, RemovingSelectsTheRowBeforeOrClearsTheSearchView)
{
    loadMovies({"m0", "m1", "m2", "m3", "m4"});
    QSignalSpy drawer(&list(), &MovieListController::updateSearchDrawer);
    selectRows({2, 3});
    list().removeCurrent();
    ASSERT_EQ(list().arrangedObjects().size(), 3);
    EXPECT_EQ(movie(2).fileNameWithoutPath(), "m4.m4v");
    EXPECT_EQ(list().selectionIndexes(), MovieList::IndexSet{1});
    EXPECT_EQ(list().tableSelectedRows(), MovieList::IndexSet{1});

    const int drawerUpdatesBefore = static_cast<int>(drawer.size());
    selectRows({0});
    list().removeCurrent();
    ASSERT_EQ(list().arrangedObjects().size(), 2);
    ASSERT_GT(drawer.size(), drawerUpdatesBefore);
    EXPECT_EQ(drawer.last().at(0).value<std::shared_ptr<MovieModel>>(), nullptr);
    EXPECT_EQ(list().selectionIndexes(), list().tableSelectedRows());

    EXPECT_TRUE(list().selectionIndexes().isEmpty());
    list().removeCurrent();  // nothing selected: nothing happens
    EXPECT_EQ(list().arrangedObjects().size(), 2);
    list().removeAll();
    EXPECT_TRUE(list().arrangedObjects().isEmpty());
    EXPECT_FALSE(ui().actionRemoveAll->isEnabled());
}

TEST_F(MainWindow, PasteFillsTheRowSelectedLastAndNothingWithoutARecord)
{
    loadMovies({"a", "b", "c"}, true);
    auto source = std::make_shared<MovieModel>();
    source->setTitle("From Elsewhere");
    source->setStudio("Elsewhere Films");

    selectRows({0, 2});
    list().pasteToCurrent(nullptr);
    EXPECT_EQ(movie(2).title(), "c");
    EXPECT_EQ(list().selectionIndexes(), (MovieList::IndexSet{0, 2}));

    list().pasteToCurrent(source);
    EXPECT_EQ(movie(2).title(), "From Elsewhere");
    EXPECT_EQ(movie(0).title(), "a");
    EXPECT_EQ(list().selectionIndexes(), MovieList::IndexSet{2});
    // The editor shows the pasted values, though pasting announces nothing itself.
    EXPECT_EQ(ui().studioEdit->text(), "Elsewhere Films");

    list().clearCurrent();
    EXPECT_TRUE(movie(2).title().isNull());
    EXPECT_TRUE(ui().studioEdit->text().isEmpty());
    EXPECT_EQ(movie(2).status(), MovieModel::kStatusNoTitle);
}

TEST_F(MainWindow, DropsAreCheckedBeforeAndLoadedAfter)
{
    const QStringList files = makeMovies({"one", "two"});
    const QString other = m_factory.writeFile("notes.txt", "not a movie");
    MovieListDelegate& delegate = m_controller->movieListDelegate();
    QMimeData text;
    text.setText(files.first());

    EXPECT_FALSE(delegate.validateDrop(&text));
    EXPECT_FALSE(delegate.validateDrop(filesDrag({other}).get()));
    EXPECT_TRUE(delegate.validateDrop(filesDrag({other, files.first()}).get()));
    EXPECT_TRUE(delegate.validateDrop(filesDrag({m_factory.dir()}).get()));  // a folder, not looked into

    EXPECT_TRUE(delegate.acceptDrop(filesDrag({files.first()}).get()));
    EXPECT_EQ(list().arrangedObjects().size(), 1);
    EXPECT_FALSE(delegate.validateDrop(filesDrag({files.first()}).get()));  // already in the list
    EXPECT_FALSE(delegate.acceptDrop(&text));

    // A drop on the table goes through the same checks.
    QTableView* table = ui().movieListTableView;
    const auto drag = filesDrag(files);
    QDragEnterEvent enter({5, 5}, Qt::CopyAction, drag.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(table->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop({5, 5}, Qt::CopyAction, drag.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(table->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(list().arrangedObjects().size(), 2);
    EXPECT_EQ(list().selectionIndexes(), MovieList::IndexSet{1});
    EXPECT_TRUE(m_alerts->shown().isEmpty());
}

TEST_F(MainWindow, TheShortDescriptionTurnsRedPastItsLimit)
{
    loadMovies({"a"});
    QTextEdit* view = ui().shortDescTextView;
    const auto redCharacters = [view] {
        int red = 0;
        for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
            for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
                if (fragment.fragment().charFormat().foreground().color() == Qt::red)
                    red += fragment.fragment().length();
            }
        }
        return red;
    };
    for (const auto& [length, red] : {std::pair{255, 0}, {256, 1}, {300, 45}, {255, 0}}) {
        view->setPlainText(QString(length, QLatin1Char('x')));
        EXPECT_EQ(redCharacters(), red) << length;
        EXPECT_EQ(movie(0).shortDescription().size(), length);
    }
}

TEST_F(MainWindow, ASingleSelectionChoosesTheGenreListWhenDatabaseGenresAreOn)
{
    platform::Settings::shared().setValue("UseTMDBGenres", true);
    loadMovies({"a", "b"});
    const QStringList general = MovieGenre::genreNames();
    movie(0).setAllGenres(QStringList{"Drama", "Krimi"});
    movie(1).setAllGenres(QStringList{});
    selectRows({0});
    EXPECT_EQ(m_controller->movieGenresNames(), (QStringList{"Drama", "Krimi"}));
    EXPECT_EQ(ui().genreComboBox->count(), 2);
    selectRows({0, 1});  // several: the list stays
    EXPECT_EQ(m_controller->movieGenresNames(), (QStringList{"Drama", "Krimi"}));
    selectRows({1});
    EXPECT_EQ(m_controller->movieGenresNames(), general);
}

// Loading or removing many movies brings the commands up to date once, at
// its end, and leaves them as the rules say.
TEST_F(MainWindow, ALoadOrARemovalOfManyMoviesUpdatesTheCommandsOnce)
{
    QSignalSpy updates(&list(), &MovieListController::flagsChanged);
    loadMovies({"m1", "m2", "m3", "m4"});
    EXPECT_EQ(updates.size(), 1);
    EXPECT_TRUE(ui().actionSave->isEnabled());
    EXPECT_TRUE(ui().actionRemoveAll->isEnabled());

    selectRows({1, 2, 3});
    updates.clear();
    ui().actionRemoveCurrent->trigger();
    EXPECT_EQ(updates.size(), 1);
    ASSERT_EQ(list().arrangedObjects().size(), 1);
    EXPECT_EQ(list().selectionIndexes(), MovieList::IndexSet{0});
    EXPECT_TRUE(ui().actionSaveAll->isEnabled());

    updates.clear();
    ui().actionRemoveAll->trigger();
    EXPECT_EQ(updates.size(), 1);
    for (QAction* action : {ui().actionSaveAll, ui().actionRemoveAll, ui().actionRemoveCurrent})
        EXPECT_FALSE(action->isEnabled()) << action->objectName().toStdString();
}

// The cover well's size line names a real cover's size, and stays empty under the placeholder.
TEST_F(MainWindow, TheCoverSizeIsShownForARealCoverOnly)
{
    ASSERT_TRUE(m_controller->loadMoviesByURL(makeMovies({"plain"}) + makeMovies({"covered"}, true)));
    selectRows({0});
    EXPECT_TRUE(ui().coverSizeLabel->text().isEmpty());
    selectRows({1});
    EXPECT_EQ(ui().coverSizeLabel->text(), "48 x 64");
    movie(1).clearCover();
    EXPECT_TRUE(ui().coverSizeLabel->text().isEmpty());
}

// A batch search that cannot ask the movie database says so in the status
// bar, naming the movies it left: without a key, and with no server there.
TEST_F(MainWindow, ABatchSearchThatCannotAskSaysWhyInTheStatusBar)
{
    loadMovies({"alpha", "beta"});
    ui().actionFindTmdbInfoAll->trigger();
    EXPECT_EQ(m_controller->news().text(),
              platform::localized("newsServiceKeyMissing",
                                  ServiceKeyCheck::missingKeyAlert(platform::Service::MovieDatabase).arguments));
    EXPECT_TRUE(m_controller->news().text().contains("KORVALANE_TMDB_API_KEY"));

    // With a key the first lookup fails (nothing listens at the address): nothing after it is searched.
    qputenv("KORVALANE_TMDB_API_KEY", "key");
    ui().actionFindTmdbInfoAll->trigger();
    qunsetenv("KORVALANE_TMDB_API_KEY");
    EXPECT_EQ(m_controller->news().text(), "Batch search: 0 found, 0 not found, 2 failed.");
    EXPECT_EQ(m_controller->news().details(),
              (QStringList{platform::localized("newsFailedList"), "alpha.m4v", "beta.m4v"}));
}

}  // namespace
