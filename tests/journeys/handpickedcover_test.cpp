// A movie looked up by hand in the search view, another cover than the first
// picked on the covers page and copied in, and the movie saved as a tagged
// copy into another folder under the progress sheet: the copy carries the
// picked cover, the source stays as it was.
#include "journey.h"

#include "app/coverimageview.h"
#include "app/harness/sheetwatcher.h"
#include "app/imageselectcontroller.h"
#include "app/korvalanecontroller.h"
#include "app/savemovielistwindowcontroller.h"
#include "ui_imageselectview.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace journeys {
namespace {

using namespace movieroad;
using HandPickedCoverJourney = Journey;

TEST_F(HandPickedCoverJourney, ThePickedCoverIsCopiedInAndSavedIntoACopyElsewhere)
{
    const QString source = makeMovie("Alien #1979.m4v");
    openWorkFolder(1);
    const std::shared_ptr<MovieModel> movie = list().arrangedObjects().first();
    const QByteArray sourceBytes = fileBytes(source);
    const QString titleBefore = movie->title();
    Ui::ImageSelectView& search = m_controller->imageSelectController()->ui();

    // The hand search lists the hits; a double click loads one and shows its covers.
    search.tmdbSearchField->setFocus();
    search.tmdbSearchField->selectAll();
    QTest::keyClicks(search.tmdbSearchField, "Alien");
    QTest::keyClick(search.tmdbSearchField, Qt::Key_Return);
    EXPECT_EQ(search.selectionTabView->currentIndex(), ImageSelectController::HitsPage);
    QAbstractItemModel* hits = search.tmdbSearchTableView->model();
    ASSERT_GE(hits->rowCount(), 2);
    const QRect firstHit = search.tmdbSearchTableView->visualRect(hits->index(0, 0));
    QTest::mouseClick(search.tmdbSearchTableView->viewport(), Qt::LeftButton, {}, firstHit.center());
    QTest::mouseDClick(search.tmdbSearchTableView->viewport(), Qt::LeftButton, {}, firstHit.center());
    QApplication::processEvents();
    ASSERT_EQ(search.selectionTabView->currentIndex(), ImageSelectController::CoversPage);
    EXPECT_EQ(movie->title(), titleBefore) << "a lookup alone changes no field of the record";

    // Another candidate than the first is picked and copied in.
    QListView* covers = search.tmdbCollectionView;
    const ImageModelList& candidates = m_controller->imageSelectController()->imageModelArray();
    ASSERT_GE(candidates.size(), 3);
    ASSERT_EQ(covers->model()->rowCount(), candidates.size());
    const int picked = 2;
    covers->scrollTo(covers->model()->index(picked, 0));
    QTest::mouseClick(covers->viewport(), Qt::LeftButton, {},
                      covers->visualRect(covers->model()->index(picked, 0)).center());
    QTest::mouseClick(search.copyButton, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(movie->title(), kGermanTitle);
    ASSERT_TRUE(movie->coverIsSet());
    // The fake database serves each candidate in a colour of its own.
    const QImage pickedImage = QImage::fromData(served(candidates.at(picked)->largeUrl()));
    const QImage firstImage = QImage::fromData(served(candidates.at(0)->largeUrl()));
    ASSERT_FALSE(pickedImage.isNull());
    ASSERT_FALSE(nearColour(pickedImage.pixelColor(0, 0), firstImage.pixelColor(0, 0)));
    const QImage taken = movie->cover()->image();
    EXPECT_EQ(taken.size(), pickedImage.size());
    EXPECT_TRUE(nearColour(taken.pixelColor(0, 0), pickedImage.pixelColor(0, 0)));
    const QImage shown = m_controller->coverImageView()->shownImage();
    EXPECT_TRUE(nearColour(shown.pixelColor(shown.width() / 2, shown.height() / 2), pickedImage.pixelColor(0, 0)))
        << "the cover well shows it";
    const std::optional<QByteArray> coverBytes = movie->cover()->jpegData();
    ASSERT_TRUE(coverBytes);

    // Save-as into another folder under the progress sheet.
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    m_chooser.queueAnswer({QUrl::fromLocalFile(elsewhere.path())});
    int mostFilesShown = 0;
    testsupport::watchSheet(*m_controller, [&](SaveMovieListWindowController& sheet) {
        mostFilesShown = std::max(mostFilesShown, sheet.moviesProgressIndicator()->value());
    });
    trigger(m_controller->ui().actionSaveAs);
    EXPECT_TRUE(m_alerts.shown().isEmpty());
    EXPECT_EQ(mostFilesShown, 1);
    EXPECT_EQ(m_controller->mainWindow()->findChild<SaveMovieListWindowController*>(), nullptr);
    EXPECT_EQ(fileBytes(source), sourceBytes) << "the source was written";
    const QString copy = QUrl(movie->fileUrl()).toLocalFile();
    EXPECT_EQ(QFileInfo(copy).absolutePath(), QDir(elsewhere.path()).absolutePath());
    EXPECT_TRUE(movie->isTagged());

    const QList<testsupport::MovieFactory::Artwork> artwork = m_factory.atomicParsleyArtwork(copy);
    ASSERT_EQ(artwork.size(), 1);
    EXPECT_EQ(artwork.first().bytes, *coverBytes);
    EXPECT_EQ(atomicParsleyAtoms(copy).value("©nam"), kGermanTitle);
}

}  // namespace
}  // namespace journeys
