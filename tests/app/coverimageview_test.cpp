// The cover well: drops, the edit commands, the cover window and the cover
// dragged out as a JPEG file.
#include "app/coverimageview.h"

#include "app/harness/appfixture.h"
#include "app/imageselectcontroller.h"
#include "app/korvalanecontroller.h"
#include "model/movielist.h"
#include "support/imagebytes.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QMainWindow>
#include <QMimeData>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QString kTatortTitle = "Tatort: Im Schmerz geboren";

platform::PicturePtr picture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return platform::Picture::fromImage(image);
}

class CoverImageViewTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        ASSERT_TRUE(m_folder.isValid());
        well = m_controller->coverImageView();
        ASSERT_NE(well, nullptr);
        for (const char* name : {"Movie.m4v", "Other.m4v", "Third.m4v"}) {
            auto record = std::make_shared<MovieModel>();
            record->setFileUrl(QUrl::fromLocalFile(m_folder.filePath(name)));
            list().addObject(record);
            records << record;
        }
        select({0, 1});
    }

    void select(const MovieList::IndexSet& rows) { list().setSelectionIndexes(rows); }

    // A file in the temporary folder; `bytes` written when given.
    QUrl file(const QString& name, const QByteArray& bytes = "text")
    {
        QFile out(m_folder.filePath(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return QUrl::fromLocalFile(out.fileName());
    }

    static QUrl recording()
    {
        return QUrl::fromLocalFile(QStringLiteral(KORVALANE_TEST_DATA "/tagging/eyetv/Tatort.eyetv"));
    }

    QTemporaryDir m_folder;
    CoverImageView* well = nullptr;
    QList<std::shared_ptr<MovieModel>> records;
};

TEST_F(CoverImageViewTest, DropsAreJudgedByTheFirstFileAndReachEverySelectedRecord)
{
    using Check = std::function<void(const QList<std::shared_ptr<MovieModel>>&, const QUrl& first)>;
    const Check coverOfTenByTwenty = [](const auto& movies, const QUrl&) {
        ASSERT_TRUE(movies[0]->coverIsSet());
        EXPECT_EQ(movies[0]->cover()->size(), QSize(10, 20));
        EXPECT_EQ(movies[1]->cover(), movies[0]->cover());
    };
    const Check chapterFileSet = [](const auto& movies, const QUrl& first) {
        for (const auto& movie : movies)
            EXPECT_EQ(movie->chapterDbFileUrl(), first);
    };
    const Check nothingChanged = [](const auto& movies, const QUrl&) {
        for (const auto& movie : movies) {
            EXPECT_FALSE(movie->coverIsSet());
            EXPECT_TRUE(movie->chapterDbFileUrl().isEmpty());
            EXPECT_TRUE(movie->title().isEmpty());
        }
    };
    const Check filledFromRecording = [](const auto& movies, const QUrl&) {
        for (const auto& movie : movies)
            EXPECT_EQ(movie->title(), kTatortTitle);
    };

    struct Case {
        const char* name;
        QList<QUrl> files;
        bool withPng;
        Qt::DropAction atEntry;
        bool coverSet;
        Check check;
    };
    const QByteArray png = testsupport::pngBytes(QSize(10, 20), Qt::red);
    const QList<Case> cases{
        {"image file", {file("poster.PNG", png)}, false, Qt::CopyAction, true, coverOfTenByTwenty},
        {"image data", {}, true, Qt::CopyAction, true, coverOfTenByTwenty},
        {"chapter file", {file("Movie.chp")}, false, Qt::CopyAction, false, chapterFileSet},
        {"upper-case chapter file", {file("MOVIE.CHP")}, false, Qt::CopyAction, false, nothingChanged},
        {"recording", {recording()}, false, Qt::CopyAction, false, filledFromRecording},
        {"first of several", {file("b.json"), file("a.png", png)}, false, Qt::CopyAction, false, chapterFileSet},
        {"other file", {file("notes.rtf")}, false, Qt::IgnoreAction, false, nothingChanged},
        {"other file with image data", {file("notes.rtf")}, true, Qt::CopyAction, false, nothingChanged},
        {"image file that is none", {file("broken.jpg", "no picture")}, false, Qt::CopyAction, false, nothingChanged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        records.clear();
        for (int i = 0; i < 2; ++i) {
            records << std::make_shared<MovieModel>();
            list().addObject(records.last());
        }
        const qsizetype last = list().arrangedObjects().size() - 1;
        select({last - 1, last});

        QMimeData data;
        if (!c.files.isEmpty())
            data.setUrls(c.files);
        if (c.withPng)
            data.setData("image/png", png);
        EXPECT_EQ(well->draggingEntered(data, Qt::CopyAction | Qt::MoveAction), c.atEntry);
        EXPECT_EQ(well->draggingEntered(data, Qt::MoveAction), Qt::IgnoreAction);
        if (c.atEntry == Qt::IgnoreAction)
            continue;
        EXPECT_EQ(well->performDragOperation(data), c.coverSet);
        c.check(records, c.files.value(0));
    }
}

TEST_F(CoverImageViewTest, NothingIsTakenWithoutASelectedRecord)
{
    select({});
    QMimeData data;
    data.setData("image/png", testsupport::pngBytes(QSize(4, 4), Qt::red));
    EXPECT_EQ(well->draggingEntered(data, Qt::CopyAction), Qt::IgnoreAction);
    well->dropFileOrCoverHasOcurred(file("Movie.chp"));
    for (const auto& record : records)
        EXPECT_TRUE(record->chapterDbFileUrl().isEmpty());
}

TEST_F(CoverImageViewTest, CopyCutAndDeleteWorkOnARealCoverOnly)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    int coverNotices = 0;
    const auto listener = records[0]->addListener("cover", [&](const QString&) { ++coverNotices; });
    for (const auto& command : {&CoverImageView::copy, &CoverImageView::cut, &CoverImageView::deleteCover}) {
        clipboard->setText("kept");
        (well->*command)();
        EXPECT_EQ(clipboard->text(), "kept");
        EXPECT_FALSE(clipboard->mimeData()->hasImage());
    }
    EXPECT_EQ(coverNotices, 0);

    // A cut takes the cover of every selected record.
    records[0]->setCover(picture(30, 40));
    records[1]->setCover(picture(5, 5));
    records[2]->setCover(picture(6, 6));
    well->cut();
    EXPECT_EQ(qvariant_cast<QImage>(clipboard->mimeData()->imageData()).size(), QSize(30, 40));
    EXPECT_FALSE(records[0]->coverIsSet());
    EXPECT_FALSE(records[1]->coverIsSet());
    EXPECT_TRUE(records[2]->coverIsSet());
}

TEST_F(CoverImageViewTest, PasteGivesEachSelectedRecordItsOwnCover)
{
    QGuiApplication::clipboard()->setImage(picture(12, 9)->image());
    well->paste();
    ASSERT_TRUE(records[0]->coverIsSet());
    ASSERT_TRUE(records[1]->coverIsSet());
    EXPECT_EQ(records[0]->cover()->size(), QSize(12, 9));
    EXPECT_NE(records[0]->cover(), records[1]->cover());
    EXPECT_FALSE(records[2]->coverIsSet());

    // A file on the clipboard counts only when it is a picture.
    auto* files = new QMimeData;
    files->setUrls({file("notes.rtf")});
    QGuiApplication::clipboard()->setMimeData(files);
    const auto before = records[0]->cover();
    well->paste();
    EXPECT_EQ(records[0]->cover(), before);

    auto* image = new QMimeData;
    image->setUrls({file("poster.png", testsupport::pngBytes(QSize(3, 7), Qt::blue))});
    QGuiApplication::clipboard()->setMimeData(image);
    well->paste();
    EXPECT_EQ(records[0]->cover()->size(), QSize(3, 7));
}

TEST_F(CoverImageViewTest, TheCoverWindowShowsTheCoverAtMost650Wide)
{
    struct Case {
        QSize cover;
        QSize shown;
    };
    m_controller->mainWindow()->show();
    QWidget* coverWindow = m_controller->imageSelectController()->coverWindow();
    for (const Case& c : {Case{{1300, 800}, {650, 400}}, Case{{600, 900}, {600, 900}}}) {
        records[0]->setCover(picture(c.cover.width(), c.cover.height()));
        QTest::mouseDClick(well, Qt::LeftButton);
        EXPECT_TRUE(coverWindow->isVisible());
        // That size, unless the screen is smaller: then as large as it allows, in proportion.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        if (screen.size().boundedTo(c.shown) == c.shown) {
            EXPECT_EQ(coverWindow->size(), c.shown);
        } else {
            EXPECT_TRUE(screen.contains(coverWindow->frameGeometry()));
            EXPECT_NEAR(double(coverWindow->width()) / coverWindow->height(),
                        double(c.shown.width()) / c.shown.height(), 0.01);
        }
    }
    coverWindow->hide();
    records[0]->clearCover();
    QTest::mouseDClick(well, Qt::LeftButton);
    EXPECT_FALSE(coverWindow->isVisible());
}

TEST_F(CoverImageViewTest, TheCoverIsDraggedOutAsAJpegNamedAfterTheMovie)
{
    QTemporaryDir destination;
    EXPECT_FALSE(well->namesOfPromisedFilesDroppedAtDestination(destination.path()));
    EXPECT_EQ(well->coverDragData(), nullptr);

    records[0]->setCover(picture(40, 60));
    const std::optional<QString> written = well->namesOfPromisedFilesDroppedAtDestination(destination.path());
    ASSERT_TRUE(written);
    EXPECT_EQ(*written, QDir(destination.path()).filePath("Movie.jpg"));
    QImageReader reader(*written);
    EXPECT_EQ(reader.format(), "jpeg");
    EXPECT_EQ(reader.size(), QSize(40, 60));

    const std::unique_ptr<QMimeData> drag = well->coverDragData();
    ASSERT_NE(drag, nullptr);
    ASSERT_EQ(drag->urls().size(), 1);
    EXPECT_EQ(QFileInfo(drag->urls().first().toLocalFile()).fileName(), "Movie.jpg");
    EXPECT_TRUE(QFileInfo::exists(drag->urls().first().toLocalFile()));
    EXPECT_TRUE(drag->hasImage());
}

TEST_F(CoverImageViewTest, TheWellShowsTheSelectedRecordsCover)
{
    records[1]->setCover(picture(7, 3));
    EXPECT_EQ(well->shownCover(), noCoverImage());
    select({1});
    EXPECT_EQ(well->shownCover(), records[1]->cover());
    records[1]->clearCover();
    EXPECT_EQ(well->shownCover(), noCoverImage());
    // A poster is decoded at the well's size, not whole.
    records[2]->setCover(picture(1000, 1500));
    select({2});
    EXPECT_EQ(well->shownCover()->pixelSize(), QSize(1000, 1500));
    EXPECT_LE(well->shownImage().height(), well->height());
    EXPECT_FALSE(well->shownImage().isNull());
}

}  // namespace
