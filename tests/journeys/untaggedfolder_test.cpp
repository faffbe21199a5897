// A folder of three untagged movies opened in the main window, looked up by
// the batch search with its subtitle and chapters, and the one the database
// knows saved: the file carries what the window showed and is renamed for Plex.
#include "journey.h"

#include "app/korvalanecontroller.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QLineEdit>

namespace journeys {
namespace {

using namespace movieroad;
using UntaggedFolderJourney = Journey;

TEST_F(UntaggedFolderJourney, BatchSearchedAndSavedMovieCarriesEverythingTheWindowShowed)
{
    const QString alien = makeMovie("Alien #1979.m4v");
    const QStringList media = m_factory.mediaPacketChecksums(alien);
    makeMovie("Garden Party.m4v");
    makeMovie("Holiday 2003.m4v");

    // Opening the folder lists its three movies, all selected and ready to look up.
    openWorkFolder(3);
    EXPECT_EQ(list().selectionIndexes(), (MovieList::IndexSet{0, 1, 2}));
    EXPECT_TRUE(m_controller->ui().actionFindTmdbInfoAll->isEnabled());

    // The batch search passes over the two the database does not know.
    trigger(m_controller->ui().actionFindTmdbInfoAll);
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
    clickRow(row);
    EXPECT_EQ(m_controller->getSelectedMovie(), movie);
    EXPECT_EQ(m_controller->titleEdit()->text(), kGermanTitle);
    trigger(m_controller->ui().actionSave);
    EXPECT_TRUE(m_alerts.shown().isEmpty());
    EXPECT_EQ(movie->status(), MovieModel::kStatusTagged);
    const QString base = kPlexName;
    const QString saved = workFolder() + "/" + base + ".m4v";
    EXPECT_EQ(movie->fileUrl(), QUrl::fromLocalFile(saved));
    EXPECT_EQ(workEntries(),
              (QStringList{base + ".de.srt", base + ".jpg", base + ".m4v", "Garden Party.m4v", "Holiday 2003.m4v"}));
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
}  // namespace journeys
