// The batch search of the main window over the selected records, under its
// progress sheet, with one movie database client: a record the database
// does not know is passed over, a cancel ends the batch and leaves the
// records after it as they were.
#include "app/harness/sheetwatcher.h"
#include "app/movielistcontroller.h"
#include "app/savemovielistwindowcontroller.h"
#include "movieroad.h"
#include "online/tmdbapi.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace movieroad {
namespace {

using testsupport::FakeReply;

constexpr char kKey[] = "api_key=c0ffee00c0ffee00c0ffee00c0ffee00";

class BatchSearchTest : public MovieRoadTest {
protected:
    void SetUp() override
    {
        MovieRoadTest::SetUp();
        // The database knows Alien; "Unbekannt" finds nothing, with or without language.
        m_tmdb.route("GET", "/3/search/movie", QString(kKey) + "&query=Unbekannt&language=de",
                     FakeReply::fromFile("tmdb/search-empty.json"));
        m_tmdb.route("GET", "/3/search/movie", QString(kKey) + "&query=Unbekannt",
                     FakeReply::fromFile("tmdb/search-empty.json"));
        for (const char* name : {"1 Alien #1979.m4v", "2 Unbekannt.m4v", "3 Alien #1979.m4v"})
            ASSERT_FALSE(makeMovie(name).isEmpty());
        ASSERT_TRUE(m_controller->loadMoviesByURL(QStringList{workFolder()}));
        ASSERT_EQ(list().arrangedObjects().size(), 3);
        list().setSortOrder(
            [](const MovieModel& first, const MovieModel& second) { return first.fileUrl() < second.fileUrl(); });
        list().rearrangeObjects();
        // Titles as a user would fix them before searching.
        record(0).setTitle("Alien #1979");
        record(1).setTitle("Unbekannt");
        record(2).setTitle("Alien #1979");
        list().updateTableViewSelection(MovieList::IndexSet{0, 1, 2});
        m_tmdb.clearRequests();
    }

    MovieListController& list() const { return m_controller->movieListController(); }
    MovieModel& record(qsizetype row) const { return *list().arrangedObjects().at(row); }
    qsizetype searchesFor(const QString& query) const
    {
        qsizetype count = 0;
        for (const testsupport::FakeRequest& request : m_tmdb.requests())
            count += request.path == "/3/search/movie" && request.queryItems().queryItemValue("query") == query;
        return count;
    }
    void runCancelled(const std::function<bool()>& cancelNow);
    // Runs `step` on the sheet at every event-loop turn while it is open.
    void watchSheet(std::function<void(SaveMovieListWindowController&)> step)
    {
        testsupport::watchSheet(*m_controller, std::move(step));
    }
};

TEST_F(BatchSearchTest, ARecordTheDatabaseDoesNotKnowIsPassedOver)
{
    qint64 counter = 0;
    QStringList namesShown;
    watchSheet([&](SaveMovieListWindowController& sheet) {
        counter = std::max(counter, sheet.filesWritten());
        if (namesShown.isEmpty() || namesShown.last() != sheet.movieNameTextField()->text())
            namesShown << sheet.movieNameTextField()->text();
    });
    m_controller->findTmdbInfoAll();

    EXPECT_EQ(counter, 3);
    EXPECT_EQ(namesShown, QStringList({"1 Alien #1979.m4v", "2 Unbekannt.m4v", "3 Alien #1979.m4v"}));
    EXPECT_EQ(record(0).title(), kGermanTitle);
    EXPECT_EQ(record(1).title(), "Unbekannt");
    EXPECT_FALSE(record(1).searchResult());
    EXPECT_EQ(record(2).title(), kGermanTitle);
    EXPECT_TRUE(record(2).coverIsSet());
    EXPECT_EQ(record(2).imdbID(), "tt0078748");
    EXPECT_EQ(list().selectionIndexes(), MovieList::IndexSet({0, 1, 2}));
    EXPECT_EQ(m_controller->mainWindow()->findChild<SaveMovieListWindowController*>(), nullptr);
}

TEST_F(BatchSearchTest, TheEditorShowsWhatTheSearchMergedIntoTheSelectedRecords)
{
    // As in the window: the list keeps the order of addition, so no rearranging announces anything.
    list().setSortOrder(nullptr);
    list().updateTableViewSelection(MovieList::IndexSet{0, 2});
    m_controller->findTmdbInfoAll();
    ASSERT_EQ(record(0).title(), kGermanTitle);
    ASSERT_EQ(record(2).title(), kGermanTitle);
    EXPECT_EQ(m_controller->titleEdit()->text(), kGermanTitle);
    EXPECT_EQ(m_controller->ui().directorsEdit->text(), "Ridley Scott");
}

// Presses the sheet's cancel button once `cancelNow` holds, runs the batch
// search and checks what every cancel leaves: the sheet closed, the
// selection restored, the third record never searched.
void BatchSearchTest::runCancelled(const std::function<bool()>& cancelNow)
{
    bool cancelled = false;
    watchSheet([&](SaveMovieListWindowController& sheet) {
        if (!cancelled && sheet.cancelButton()->isEnabled() && cancelNow()) {
            cancelled = true;
            sheet.cancelButton()->click();
        }
    });
    m_controller->findTmdbInfoAll();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(m_controller->mainWindow()->findChild<SaveMovieListWindowController*>(), nullptr);
    EXPECT_EQ(list().selectionIndexes(), MovieList::IndexSet({0, 1, 2}));
    EXPECT_LE(searchesFor("Alien"), 1) << "the third record is never searched";
    EXPECT_EQ(record(2).title(), "Alien #1979");
    EXPECT_FALSE(record(2).searchResult());
}

TEST_F(BatchSearchTest, ACancelDuringTheFirstRecordEndsTheBatchAtOnce)
{
    m_tmdb.route("GET", "/3/search/movie", QString(kKey) + "&query=Alien&language=de&year=1979",
                 FakeReply::fromFile("tmdb/search-alien-1979.json").withDelay(3000));
    runCancelled([this] { return searchesFor("Alien") > 0; });
    EXPECT_EQ(record(0).title(), "Alien #1979");
    EXPECT_FALSE(record(0).searchResult());
    EXPECT_EQ(searchesFor("Unbekannt"), 0);
}

TEST_F(BatchSearchTest, ACancelDuringTheSecondRecordKeepsTheFirstResult)
{
    m_tmdb.route("GET", "/3/search/movie", QString(kKey) + "&query=Unbekannt&language=de",
                 FakeReply::fromFile("tmdb/search-empty.json").withDelay(3000));
    runCancelled([this] { return searchesFor("Unbekannt") > 0; });
    EXPECT_EQ(record(0).title(), kGermanTitle);
    EXPECT_EQ(record(1).title(), "Unbekannt");
}

TEST_F(BatchSearchTest, ACancelInThePauseBetweenRecordsEndsTheBatch)
{
    // No request runs in the pause: the sheet's flag must end the batch.
    runCancelled([this] { return bool(record(0).searchResult()); });
    EXPECT_EQ(record(0).title(), kGermanTitle);
    EXPECT_EQ(searchesFor("Unbekannt"), 0);
}

TEST_F(BatchSearchTest, WithoutASelectionNoSheetOpensAndNothingIsSearched)
{
    list().updateTableViewSelection(MovieList::IndexSet{});
    bool sheetSeen = false;
    watchSheet([&](SaveMovieListWindowController&) { sheetSeen = true; });
    m_controller->findTmdbInfoAll();
    EXPECT_FALSE(sheetSeen);
    EXPECT_EQ(m_tmdb.requestCount(), 0);
}

}  // namespace
}  // namespace movieroad
