// The search view against the fake movie database: searches, pages, the
// copy into the record with the chosen cover, the information table, the
// search button's state and the web site.
#include "app/imageselectcontroller.h"

#include "app/appdelegate.h"
#include "app/coverimageview.h"
#include "app/korvalanecontroller.h"
#include "app/movielistcontroller.h"
#include "app/tmdbcollectionview.h"
#include "app/workspace.h"
#include "model/movielist.h"
#include "online/tmdbapi.h"
#include "online/tmdblookup_fixture.h"
#include "platform/localized.h"
#include "platform/settings.h"
#include "support/moviefactory.h"
#include "support/testenvironment.h"
#include "ui_imageselectview.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTextTable>
#include <QTimeZone>
#include <QTimer>

#include <optional>

using namespace tmdblookuptest;
using testsupport::FakeReply;

namespace {

constexpr char kGermanTitle[] = "Alien - Das unheimliche Wesen aus einer fremden Welt";

// The first hit of the stored Alien search alone.
QByteArray oneHitReply()
{
    QJsonObject reply = QJsonDocument::fromJson(testsupport::serviceData("tmdb/search-alien-1979.json")).object();
    reply["results"] = QJsonArray{reply["results"].toArray().first()};
    reply["total_results"] = 1;
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

// The text of one cell of the first table in `document`.
QString cellText(QTextDocument& document, int row, int column)
{
    for (QTextFrame* frame : document.rootFrame()->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(frame)) {
            const QTextTableCell cell = table->cellAt(row, column);
            QTextCursor cursor = cell.firstCursorPosition();
            cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
            return cursor.selectedText();
        }
    }
    return "<no table>";
}

class ImageSelectControllerTest : public TmdbLookupTest {
protected:
    void SetUp() override
    {
        m_offlineAddress = qgetenv("KORVALANE_TMDB_URL");
        TmdbLookupTest::SetUp();
        server.route("GET", "/3/search/movie", searchQuery("Nostromo", "de"), FakeReply::bytes(oneHitReply()));
        for (const QString& query : {searchQuery("Unbekannt", "de"), searchQuery("Unbekannt")})
            server.route("GET", "/3/search/movie", query, FakeReply::fromFile("tmdb/search-empty.json"));
        AppDelegate::initialize({QStringLiteral("de-DE")});
        m_controller = std::make_unique<KorvalaneController>();
        view = m_controller->imageSelectController();
        ASSERT_NE(view, nullptr);
    }

    void TearDown() override
    {
        m_controller.reset();
        TmdbLookupTest::TearDown();
        // Later tests of the application reach no service either.
        qputenv("KORVALANE_TMDB_URL", m_offlineAddress);
    }

    // A record titled `title`, added to the list and selected alone.
    std::shared_ptr<MovieModel> addSelectedRecord(const QString& title)
    {
        auto record = std::make_shared<MovieModel>();
        record->setTitle(title);
        MovieList& list = m_controller->movieListController();
        list.addObject(record);
        list.setSelectionIndexes({list.arrangedObjects().size() - 1});
        return record;
    }

    // Types `text` into the search field and presses the search button.
    void search(const QString& text)
    {
        view->ui().tmdbSearchField->clear();
        QTest::keyClicks(view->ui().tmdbSearchField, text);
        QTest::mouseClick(view->ui().tmdbSearchButton, Qt::LeftButton);
    }

    void selectCandidate(int row)
    {
        QAbstractItemView* covers = view->ui().tmdbCollectionView;
        covers->selectionModel()->select(covers->model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
    }

    int page() const { return view->ui().selectionTabView->currentIndex(); }

    QByteArray m_offlineAddress;
    std::unique_ptr<KorvalaneController> m_controller;
    ImageSelectController* view = nullptr;
};

TEST_F(ImageSelectControllerTest, ASearchEndsOnThePageThatFitsItsHits)
{
    struct Case {
        const char* text;
        bool noCovers;
        int hits;
        int page;
    };
    const Case cases[] = {
        {"Alien #1979", false, 3, ImageSelectController::HitsPage},
        {"Nostromo", false, 1, ImageSelectController::CoversPage},
        {"Nostromo", true, 1, ImageSelectController::HitsPage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + (c.noCovers ? " without covers" : ""));
        settings().setValue("DoNotAutomaticLoadCoverPictures", c.noCovers);
        view->ui().selectionTabView->setCurrentIndex(ImageSelectController::InformationPage);
        search(c.text);
        ASSERT_NE(view->movie(), nullptr);
        EXPECT_EQ(view->movie()->title(), kGermanTitle);
        EXPECT_EQ(view->searchResultArray().size(), c.hits);
        EXPECT_EQ(view->ui().tmdbSearchTableView->model()->rowCount(), c.hits);
        const qsizetype candidates = view->movie()->imageModels().value_or(ImageModelList()).size();
        EXPECT_EQ(candidates == 0, c.noCovers);
        EXPECT_EQ(view->ui().tmdbCollectionView->model()->rowCount(), candidates);
        EXPECT_EQ(page(), c.page);
        EXPECT_FALSE(view->isLoadingFromTMDb());
        EXPECT_TRUE(view->ui().progressIndicator->isHidden());
        EXPECT_TRUE(view->ui().tmdbCancelButton->isHidden());
    }
}

TEST_F(ImageSelectControllerTest, ALookupAttachesACopyToTheSelectedRecordOnly)
{
    const auto record = addSelectedRecord("Alien #1979");
    record->setMsecDuration(6'000'000);
    record->setHdVideo(2);
    search("Alien #1979");

    ASSERT_NE(record->searchResult(), nullptr);
    EXPECT_NE(record->searchResult(), view->movie());
    EXPECT_EQ(record->searchResult()->title(), kGermanTitle);
    EXPECT_EQ(record->searchResult()->msecDuration(), 6'000'000);
    EXPECT_EQ(view->movie()->hdVideo(), 2);
    // The record's own fields change only by the copy command.
    EXPECT_EQ(record->title(), "Alien #1979");

    // Selecting a record shows its attached result, or nothing.
    addSelectedRecord("Other");
    EXPECT_EQ(view->movie(), nullptr);
    m_controller->movieListController().setSelectionIndexes({0});
    EXPECT_EQ(view->movie(), record->searchResult());
}

TEST_F(ImageSelectControllerTest, AMissShowsTheNotFoundLabelForAMomentAndChangesNothing)
{
    search("Alien #1979");
    const std::shared_ptr<MovieModel> shown = view->movie();
    view->ui().selectionTabView->setCurrentIndex(ImageSelectController::CoversPage);

    EXPECT_FALSE(view->loadTMDb("Unbekannt", false, true));
    EXPECT_TRUE(view->ui().tmdbNotFoundLabel->isVisibleTo(view));
    EXPECT_EQ(view->movie(), shown);
    EXPECT_EQ(view->searchResultArray().size(), 3);
    EXPECT_EQ(page(), ImageSelectController::CoversPage);
    QTRY_VERIFY_WITH_TIMEOUT(!view->ui().tmdbNotFoundLabel->isVisibleTo(view), testsupport::kWindowWaitMs);
}

TEST_F(ImageSelectControllerTest, TheCancelButtonEndsALookupWithoutTheNotFoundLabel)
{
    server.route("GET", "/3/search/movie", searchQuery("Langsam", "de"),
                 FakeReply::fromFile("tmdb/search-alien-1979.json").withDelay(3000));
    bool cancelShown = false;
    QTimer::singleShot(200, view, [&] {
        cancelShown = view->ui().tmdbCancelButton->isVisibleTo(view);
        QTest::mouseClick(view->ui().tmdbCancelButton, Qt::LeftButton);
    });
    EXPECT_FALSE(view->loadTMDb("Langsam", false, true));
    EXPECT_TRUE(cancelShown);
    EXPECT_FALSE(view->ui().tmdbNotFoundLabel->isVisibleTo(view));
    EXPECT_EQ(view->movie(), nullptr);
}

TEST_F(ImageSelectControllerTest, ADoubleClickOnAHitShowsCoversOrElseInformation)
{
    view->window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window(), testsupport::kWindowWaitMs));
    for (const bool noCovers : {false, true}) {
        SCOPED_TRACE(noCovers ? "without covers" : "with covers");
        settings().setValue("DoNotAutomaticLoadCoverPictures", noCovers);
        search("Alien #1979");
        QTableView* hits = view->ui().tmdbSearchTableView;
        const QRect row = hits->visualRect(hits->model()->index(0, 0));
        server.clearRequests();
        // A user's double click: the first click, then the second press.
        QTest::mouseClick(hits->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseDClick(hits->viewport(), Qt::LeftButton, {}, row.center());

        EXPECT_TRUE(requestLines().contains("/3/movie/348?api_key=" + QString(kApiKey) + "&language=de"))
            << requestLines().join(" ").toStdString();
        EXPECT_EQ(searchRequests().size(), 0);
        EXPECT_EQ(page(), noCovers ? ImageSelectController::InformationPage : ImageSelectController::CoversPage);
        const QModelIndexList selected = hits->selectionModel()->selectedRows();
        ASSERT_EQ(selected.size(), 1);
        EXPECT_EQ(selected.first().row(), 0);
        // The hit list stays the one of the search.
        EXPECT_EQ(view->searchResultArray().size(), 3);
    }
}

TEST_F(ImageSelectControllerTest, CopyWithoutALoadedCandidateGivesTheResultThePlaceholder)
{
    for (const bool posterFails : {false, true}) {
        SCOPED_TRACE(posterFails ? "poster that fails to load" : "no candidate chosen");
        const auto record = addSelectedRecord("Nostromo");
        const auto ownCover = platform::Picture::fromImage(QImage(8, 8, QImage::Format_RGB32));
        record->setCover(ownCover);
        search("Nostromo");
        if (posterFails) {
            selectCandidate(0);
            const QUrl large = view->imageModelArray().at(0)->largeUrl();
            server.route("GET", large.path(), FakeReply::bytes("not a picture", "image/jpeg"));
        }
        ASSERT_TRUE(view->ui().copyButton->isEnabled());

        QTest::mouseClick(view->ui().copyButton, Qt::LeftButton);

        ASSERT_NE(record->searchResult(), nullptr);
        EXPECT_EQ(record->searchResult()->cover(), noCoverImage());
        EXPECT_EQ(record->cover(), ownCover);
        EXPECT_EQ(record->title(), kGermanTitle);
        EXPECT_EQ(record->directors(), QStringList{"Ridley Scott"});
    }
}

TEST_F(ImageSelectControllerTest, CommandsWithNothingToWorkOnDoNothing)
{
    view->ui().selectionTabView->setCurrentIndex(ImageSelectController::InformationPage);
    view->queryTmDB();  // empty search field
    EXPECT_FALSE(view->loadTMDb(QString(), false, true));
    EXPECT_EQ(page(), ImageSelectController::InformationPage);

    search("Alien #1979");
    server.clearRequests();
    view->loadTMDbByDoubleClick(QModelIndex());
    view->reloadTMDbCovers();  // no hit selected
    view->copyTmdbInfo();      // no record selected
    const auto record = addSelectedRecord("Alien #1979");
    view->updateSearchDrawer(nullptr);
    view->copyTmdbInfo();  // no result shown
    EXPECT_EQ(record->title(), "Alien #1979");
    EXPECT_EQ(server.requestCount(), 0);
}

TEST_F(ImageSelectControllerTest, TheChosenSizePicksTheCandidatesAddress)
{
    struct Case {
        int size;
        const char* step;
    };
    for (const Case& c : {Case{0, "w342"}, Case{1, "w500"}, Case{2, "original"}, Case{5, "original"}}) {
        SCOPED_TRACE(c.size);
        const auto record = addSelectedRecord("Nostromo");
        search("Nostromo");
        ASSERT_EQ(page(), ImageSelectController::CoversPage);
        selectCandidate(1);
        view->setCoverImageSize(c.size);
        server.clearRequests();

        view->copyTmdbInfo();

        const QString poster = view->imageModelArray().at(1)->url().path().section('/', -1);
        ASSERT_EQ(server.requestCount(), 1);
        EXPECT_EQ(server.requests().first().path, "/t/p/" + QString(c.step) + "/" + poster);
        ASSERT_TRUE(record->coverIsSet());
        EXPECT_EQ(record->cover()->size(), kRenditionPixels.value(c.step));
        EXPECT_EQ(record->searchResult()->cover()->size(), kRenditionPixels.value(c.step));
        EXPECT_EQ(view->movie()->cover()->size(), kRenditionPixels.value(c.step));
    }
}

TEST_F(ImageSelectControllerTest, TheInformationTableShowsEachFieldOrADash)
{
    auto result = std::make_shared<MovieModel>();
    result->setTitle("");
    result->setGenre("Horror");
    result->setRating("xx-movie|Unbekannt|1|");
    result->setDirectors(QStringList{"Ridley Scott", "Jim Mo"});
    result->setArtists(QStringList());
    view->updateSearchDrawer(result);

    QTextDocument& table = *view->ui().tmdbTextView->document();
    const QStringList expected{"", "Horror", "-", "-", "-", "Ridley Scott, Jim Mo", "-", "-", "-", "-"};
    for (int row = 0; row < expected.size(); ++row)
        EXPECT_EQ(cellText(table, row, 1), expected[row]) << "row " << row;
    EXPECT_EQ(cellText(table, 0, 0), platform::localized("info_title"));
    EXPECT_FALSE(view->canCopyTags());
    EXPECT_FALSE(view->ui().copyButton->isEnabled());

    result->setTitle("Alien");
    result->setRating("de-movie|ab 16 Jahren|500|");
    result->setReleaseDate(QDateTime(QDate(1979, 10, 25), QTime(12, 0), QTimeZone::utc()));
    view->updateSearchDrawer(result);
    EXPECT_EQ(cellText(table, 0, 1), "Alien");
    EXPECT_EQ(cellText(table, 2, 1), "25.10.1979");
    EXPECT_EQ(cellText(table, 3, 1), "ab 16 Jahren");
    EXPECT_TRUE(view->ui().copyButton->isEnabled());
}

TEST_F(ImageSelectControllerTest, TheSearchButtonFollowsTheSearchField)
{
    QLineEdit* field = view->ui().tmdbSearchField;
    QPushButton* button = view->ui().tmdbSearchButton;
    QTest::keyClicks(field, "A");
    EXPECT_TRUE(button->isEnabled());
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_FALSE(button->isEnabled());

    // Set by the window: only "no text at all" disables.
    view->setSearchFieldText("Alien");
    EXPECT_TRUE(button->isEnabled());
    view->setSearchFieldText(QString());
    EXPECT_FALSE(button->isEnabled());
    view->setSearchFieldText("");
    EXPECT_TRUE(button->isEnabled());

    // The window puts the selected record's title there.
    const auto record = addSelectedRecord("Alien");
    EXPECT_EQ(field->text(), "Alien");
    record->setTitle("Aliens");
    EXPECT_EQ(field->text(), "Aliens");
    // Without a selection the field keeps its text, and so the button.
    m_controller->movieListController().setSelectionIndexes({});
    EXPECT_EQ(field->text(), "Aliens");
    EXPECT_TRUE(button->isEnabled());
}

// The field takes the selected record's title as words to search for; a
// record without a title, or no selection, leaves what the field holds.
TEST_F(ImageSelectControllerTest, TheSearchFieldTakesTheSelectedTitleAsWords)
{
    QLineEdit* field = view->ui().tmdbSearchField;
    MovieList& list = m_controller->movieListController();
    struct Case {
        std::optional<QString> title;  // none: no record selected
        QString shown;
    };
    const Case cases[] = {
        {"My_Movie.2", "My Movie 2"},
        {QString(), "My Movie 2"},  // no title
        {"Alien", "Alien"},
        {std::nullopt, "Alien"},
        {"", ""},  // an empty title is still the record's title
        {"Mr._Smith_Goes.To.Washington", "Mr  Smith Goes To Washington"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.value_or("(no selection)").toStdString());
        if (c.title) {
            const auto record = addSelectedRecord(*c.title);
            EXPECT_EQ(record->title(), *c.title) << "the record's title stays as it is";
        } else {
            list.setSelectionIndexes({});
        }
        EXPECT_EQ(field->text(), c.shown);
    }

    // A new title of the selected record reaches the field the same way.
    const auto record = addSelectedRecord("Alien");
    record->setTitle("The_Thing.1982");
    EXPECT_EQ(field->text(), "The Thing 1982");
}

TEST_F(ImageSelectControllerTest, TheWebSiteOpensOnTheSearchText)
{
    struct Case {
        QString text;
        QString address;
    };
    const Case cases[] = {
        {"", "https://www.themoviedb.org"},
        {"Alien #1979", "https://www.themoviedb.org/search?query=Alien+%231979"},
        // Beyond the API's code page the web site still gets the title.
        {"東京 物語", "https://www.themoviedb.org/search?query=%E6%9D%B1%E4%BA%AC+%E7%89%A9%E8%AA%9E"},
    };
    RecordingWorkspace workspace;
    for (const Case& c : cases) {
        view->setSearchFieldText(c.text);
        view->openTMDbWebSite();
        ASSERT_FALSE(workspace.opened().isEmpty());
        EXPECT_EQ(workspace.opened().last().toString(QUrl::FullyEncoded), c.address);
    }
}

TEST_F(ImageSelectControllerTest, ADoubleClickOnACoverOpensTheCoverWindowAtItsMediumSize)
{
    search("Nostromo");
    TMDbCollectionView* covers = view->ui().tmdbCollectionView;
    view->window()->show();
    covers->show();
    const QRect first = covers->visualRect(covers->model()->index(0, 0));
    QTest::mouseClick(covers->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_FALSE(view->coverWindow()->isVisible());

    QTest::mouseDClick(covers->viewport(), Qt::LeftButton, {}, first.center());
    const std::shared_ptr<ImageModel> candidate = view->imageModelArray().at(0);
    EXPECT_TRUE(view->coverWindow()->isVisible());
    EXPECT_EQ(view->coverWindow()->size(), candidate->mediumSize().toSize());
    EXPECT_EQ(server.requests().last().path, candidate->mediumUrl().path());
}

TEST_F(ImageSelectControllerTest, AHandSearchPutsTheChosenCoverIntoTheCoverWell)
{
    // With KORVALANE_SCREENSHOTS naming a folder, each step's window is kept there for a look.
    const auto look = [this](const QString& step) {
        if (const QString folder = qEnvironmentVariable("KORVALANE_SCREENSHOTS"); !folder.isEmpty())
            m_controller->mainWindow()->grab().save(folder + "/handsearch-" + step + ".png");
    };
    testsupport::MovieFactory factory;
    testsupport::MovieRecipe recipe;
    recipe.seconds = 1.0;
    ASSERT_TRUE(m_controller->loadMoviesByURL(QStringList{factory.make(recipe, "Alien.m4v")}));
    const std::shared_ptr<MovieModel> record = m_controller->getSelectedMovie();
    ASSERT_NE(record, nullptr);
    m_controller->mainWindow()->resize(1400, 820);
    m_controller->mainWindow()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_controller->mainWindow(), testsupport::kWindowWaitMs));
    look("1-loaded");

    search("Alien #1979");
    ASSERT_EQ(page(), ImageSelectController::HitsPage);
    look("2-hits");
    QTableView* hits = view->ui().tmdbSearchTableView;
    const QPoint first = hits->visualRect(hits->model()->index(0, 0)).center();
    QTest::mouseClick(hits->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(hits->viewport(), Qt::LeftButton, {}, first);
    ASSERT_EQ(page(), ImageSelectController::CoversPage);
    TMDbCollectionView* covers = view->ui().tmdbCollectionView;
    QTest::mouseClick(covers->viewport(), Qt::LeftButton, {},
                      covers->visualRect(covers->model()->index(1, 0)).center());
    look("3-covers");

    QTest::mouseClick(view->ui().copyButton, Qt::LeftButton);
    look("4-copied");
    EXPECT_EQ(record->title(), kGermanTitle);
    ASSERT_TRUE(record->coverIsSet());
    EXPECT_EQ(record->cover()->size(), kRenditionPixels.value("original"));
    EXPECT_EQ(m_controller->coverImageView()->shownCover(), record->cover());
}

}  // namespace
