// A folder of three untagged movies opened in the main window, looked up by
// the batch search with its subtitle and chapters, and the one the database
// knows saved: the file carries what the window showed and is renamed for Plex.
#include "movieroad.h"

#include "app/korvalanecontroller.h"
#include "app/movielistcontroller.h"
#include "app/movielisttablemodel.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>

#include <memory>

namespace movieroad {
namespace {

class UntaggedFolderJourney : public MovieRoadTest {
protected:
    void SetUp() override
    {
        MovieRoadTest::SetUp();
        useEveryServiceWithPlexFiles();
        // Titles the database does not know find nothing.
        m_tmdb.route("GET", "/3/search/movie", testsupport::FakeReply::fromFile("tmdb/search-empty.json"));
        m_tmdb.route("GET", "/3/search/movie", QString("api_key=c0ffee00c0ffee00c0ffee00c0ffee00&query=Alien&language=de&year=1979"),
                     testsupport::FakeReply::fromFile("tmdb/search-alien-1979.json"));
        m_controller = std::make_unique<KorvalaneController>();
        m_controller->mainWindow()->show();
    }

    void TearDown() override
    {
        m_controller.reset();
        MovieRoadTest::TearDown();
    }

    MovieListController& list() const { return m_controller->movieListController(); }

    int rowOf(const QString& fileName) const
    {
        const MovieList::Records& records = list().arrangedObjects();
        for (int row = 0; row < records.size(); ++row)
            if (records[row]->fileUrl().fileName() == fileName)
                return row;
        return -1;
    }

    void selectRow(int row)
    {
        list().updateTableViewSelection(MovieList::IndexSet{row});
        QApplication::processEvents();
    }

    std::unique_ptr<KorvalaneController> m_controller;
};

TEST_F(UntaggedFolderJourney, BatchSearchedAndSavedMovieCarriesEverythingTheWindowShowed)
{
    const QString alien = makeMovie("Alien #1979.m4v");
    const QStringList media = m_factory.mediaPacketChecksums(alien);
    makeMovie("Garden Party.m4v");
    makeMovie("Holiday 2003.m4v");

    // Opening the folder lists its three movies, all selected and ready to look up.
    ASSERT_TRUE(m_controller->loadMoviesByURL(QStringList{workFolder()}));
    QApplication::processEvents();
    EXPECT_EQ(list().tableModel().rowCount(), 3);
    EXPECT_EQ(list().selectionIndexes(), (MovieList::IndexSet{0, 1, 2}));
    EXPECT_TRUE(m_controller->ui().actionFindTmdbInfoAll->isEnabled());

    // The batch search passes over the two the database does not know.
    m_controller->findTmdbInfoAll();
    QApplication::processEvents();
    EXPECT_TRUE(m_alerts.shown().isEmpty());
    const int row = rowOf("Alien #1979.m4v");
    ASSERT_GE(row, 0);
    const std::shared_ptr<MovieModel> movie = list().arrangedObjects().at(row);
    EXPECT_EQ(movie->title(), kGermanTitle);
    EXPECT_TRUE(movie->coverIsSet());
    EXPECT_TRUE(movie->subtitle().contains("Frachtschiff Nostromo"));
    for (const QString& other : {QString("Garden Party.m4v"), QString("Holiday 2003.m4v")}) {
        const int otherRow = rowOf(other);
        ASSERT_GE(otherRow, 0) << other.toStdString();
        EXPECT_FALSE(list().arrangedObjects().at(otherRow)->searchResult()) << other.toStdString();
    }

    // The editor shows the found title for the selected movie.
    selectRow(row);
    EXPECT_EQ(m_controller->getSelectedMovie(), movie);
    EXPECT_EQ(m_controller->titleEdit()->text(), kGermanTitle);
    ASSERT_TRUE(m_controller->ui().actionSave->isEnabled());

    m_controller->save();
    QApplication::processEvents();
    EXPECT_TRUE(m_alerts.shown().isEmpty());
    EXPECT_EQ(movie->status(), MovieModel::kStatusTagged);
    const QString base = kPlexName;
    const QString saved = workFolder() + "/" + base + ".m4v";
    EXPECT_EQ(movie->fileUrl(), QUrl::fromLocalFile(saved));
    EXPECT_EQ(workEntries(), (QStringList{base + ".de.srt", base + ".jpg", base + ".m4v", "Garden Party.m4v",
                                          "Holiday 2003.m4v"}));
    EXPECT_EQ(m_factory.mediaPacketChecksums(saved), media);

    const QJsonObject probe = this->probe(saved);
    EXPECT_EQ(formatTags(probe).value("title").toString(), kGermanTitle);
    EXPECT_EQ(chapterTitles(probe), kDbChapterNames);
    EXPECT_EQ(chapterStartsMs(probe), kDbChapterStartsMs);
    ASSERT_EQ(streamsOfType(probe, "subtitle").size(), 1);
    EXPECT_TRUE(m_factory.subtitleAsSrt(saved).contains("Frachtschiff Nostromo, auf dem Heimweg."));
    const QMap<QString, QString> atoms = atomicParsleyAtoms(saved);
    EXPECT_EQ(atoms.value("©nam"), kGermanTitle);
    EXPECT_TRUE(atoms.value("covr").contains("1 piece of artwork")) << atoms.value("covr").toStdString();
    EXPECT_EQ(atoms.value("iTunEXTC"), movie->rating());
}

}  // namespace
}  // namespace movieroad
