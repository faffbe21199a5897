// Commands on whole records: the clipboard of records, titles from file
// names, and the id panel.
#include "app/harness/appfixture.h"
#include "app/idpanel.h"
#include "model/helpers.h"
#include "ui_idpanel.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QSpinBox>
#include <QTest>

namespace {

using RecordCommands = AppFixture;

QStringList titlesOf(const MovieList::Records& records)
{
    QStringList titles;
    for (const auto& record : records)
        titles << record->title();
    return titles;
}

TEST_F(RecordCommands, CutCopiesTheFirstSelectedAndResetsAllOfThem)
{
    loadMovies({"one", "two", "three", "four"}, true);
    const MovieList::Records records = list().arrangedObjects();
    for (const auto& record : records)
        record->setTitle("edited " + record->title());
    list().setSelectionIndexes({0, 1, 2});

    m_controller->cutAndPasteToolbarSelected(0);
    ASSERT_TRUE(m_controller->movieInClipBoad());
    EXPECT_EQ(m_controller->movieInClipBoad()->title(), "edited one");
    EXPECT_EQ(titlesOf(records), (QStringList{"", "", "", "edited four"}));

    // The clipboard holds its own copy: editing the source later does not reach it.
    records[0]->setTitle("changed again");
    list().setSelectionIndexes({3});
    m_controller->cutAndPasteToolbarSelected(2);
    m_controller->cutAndPasteToolbarSelected(2);
    EXPECT_EQ(records[3]->title(), "edited one");
    EXPECT_EQ(m_controller->movieInClipBoad()->title(), "edited one");

    m_controller->cutAndPasteToolbarSelected(1);
    EXPECT_EQ(m_controller->movieInClipBoad()->title(), "edited one");
    m_controller->cutAndPasteToolbarSelected(7);  // no such segment
    EXPECT_EQ(titlesOf(records), (QStringList{"changed again", "", "", "edited one"}));
}

TEST_F(RecordCommands, PasteWithAnEmptyClipboardChangesNothing)
{
    loadMovies({"one", "two"}, true);
    list().arrangedObjects()[1]->setTitle("edited");
    int notices = 0;
    const auto token = list().arrangedObjects()[1]->addListener("title", [&](const QString&) { ++notices; });
    m_controller->pasteAll();
    EXPECT_FALSE(m_controller->movieInClipBoad());
    EXPECT_EQ(titlesOf(list().arrangedObjects()), (QStringList{"one", "edited"}));
    EXPECT_EQ(notices, 0);
}

// File names in the EyeTV and the Plex form; the picture format starts at 3
// so that a name without an HD text shows that it was left alone.
TEST_F(RecordCommands, TitlesFromFileNamesOfBothForms)
{
    struct Case {
        QString fileName;
        QString title;
        qint64 year;
        qint64 hdVideo;
    };
    const Case cases[] = {
        {"Alien (1979) 720p.m4v", "Alien", 1979, 1}, {"Alien (1979) 1080p.m4v", "Alien", 1979, 2},
        {"Alien (1979) HD.m4v", "Alien", 1979, 2},   {"Alien (1979) 2160p.m4v", "Alien", 1979, 3},
        {"Alien (1979) SD.m4v", "Alien", 1979, 0},   {"Alien (1979) 576p.m4v", "Alien", 1979, 0},
        {"Alien (1979).m4v", "Alien", 1979, 3},      {"Der Alte - D 2010, Krimi.m4v", "Der Alte", 2010, 3},
    };
    for (const Case& c : cases) {
        auto movie = std::make_shared<MovieModel>();
        movie->setFileUrl(QUrl::fromLocalFile("/movies/" + c.fileName));
        movie->setHdVideo(3);
        EXPECT_TRUE(m_controller->splitTitle(movie, true)) << c.fileName.toStdString();
        EXPECT_EQ(movie->title(), c.title);
        EXPECT_EQ(yearOfDate(movie->releaseDate()), c.year);
        EXPECT_EQ(movie->releaseDate().time(), QTime(12, 0));
        EXPECT_EQ(movie->hdVideo(), c.hdVideo) << c.fileName.toStdString();
    }
    EXPECT_TRUE(m_alerts->shown().isEmpty());
}

// A name in neither form changes nothing; the alert comes only for a single record.
TEST_F(RecordCommands, ANameInNeitherFormAlertsOnlyForOneRecord)
{
    loadMovies({"holiday clip", "birthday"}, true);
    list().setSelectionIndexes({0, 1});
    m_controller->splitAllTitles();
    EXPECT_TRUE(m_alerts->shown().isEmpty());
    list().setSelectionIndexes({1});
    m_controller->splitAllTitles();
    ASSERT_EQ(m_alerts->shown().size(), 1);
    EXPECT_EQ(m_alerts->shown()[0].headerKey, "splitTitleHeader");
    EXPECT_EQ(titlesOf(list().arrangedObjects()), (QStringList{"holiday clip", "birthday"}));
}

TEST_F(RecordCommands, TheIdPanelTogglesAndEditsTheSelectedRecords)
{
    loadMovies({"one", "two"}, true);
    m_controller->mainWindow()->show();
    m_controller->openIDWindow();
    auto* panel = qobject_cast<IdPanel*>(m_controller->idWindow());
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->isVisible());

    QLineEdit* imdb = panel->ui().imdbIdEdit;
    imdb->clear();
    QTest::keyClicks(imdb, "tt0078748x");  // the letter after the digits is refused
    QTest::keyClick(imdb, Qt::Key_Return);
    for (const auto& record : list().arrangedObjects())
        EXPECT_EQ(record->imdbID(), "tt0078748");
    list().setSelectionIndexes({1});
    panel->ui().catalogueIdSpinBox->setValue(1234);
    EXPECT_EQ(list().arrangedObjects()[1]->cnID(), 1234);
    EXPECT_NE(list().arrangedObjects()[0]->cnID(), 1234);
    if (const QString folder = qEnvironmentVariable("KORVALANE_SCREENSHOTS"); !folder.isEmpty())
        panel->grab().save(folder + "/idpanel.png");

    m_controller->openIDWindow();
    EXPECT_FALSE(panel->isVisible());
}

}  // namespace
