// Save-as through the main window: tagged copies in a chosen folder, the
// sources untouched, the records moved to their copies, and the progress
// sheet's cancel button.
#include "app/filechooser.h"
#include "app/harness/appfixture.h"
#include "app/harness/sheetwatcher.h"
#include "app/savemovielistwindowcontroller.h"
#include "platform/localized.h"
#include "platform/log.h"
#include "platform/pumpevents.h"
#include "platform/settings.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>

#include <functional>

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The alert names the copy that failed, with its full path as the details.
platform::Alert cantSaveAs(const QString& copyPath)
{
    return {"fileError", "cantSaveAsFile", {QFileInfo(copyPath).fileName()}, copyPath};
}

class SaveAsTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        ASSERT_TRUE(m_folder.isValid());
        m_previousScale = platform::pumpSliceScale();
        platform::setPumpSliceScale(0.05);
    }
    void TearDown() override
    {
        platform::setPumpSliceScale(m_previousScale);
        AppFixture::TearDown();
    }

    std::shared_ptr<MovieModel> record(qsizetype row) const { return list().arrangedObjects().at(row); }
    QStringList folderEntries() const { return QDir(m_folder.path()).entryList(QDir::Files, QDir::Name); }
    // Runs `step` on the sheet at every event-loop turn of the next command.
    void watchSheet(std::function<void(SaveMovieListWindowController&)> step)
    {
        testsupport::watchSheet(*m_controller, std::move(step));
    }

    RecordingFileChooser m_chooser;
    platform::LogCapture m_log;
    QTemporaryDir m_folder;
    double m_previousScale = 1.0;
};

TEST_F(SaveAsTest, UntaggedRecordsAreCopiedAndTaggedWhileSourcesAndTaggedRecordsStay)
{
    const QStringList untagged = makeMovies({"first", "second"});
    const QStringList tagged = makeMovies({"third"}, true);
    ASSERT_TRUE(m_controller->loadMoviesByURL(untagged + tagged));
    ASSERT_EQ(list().arrangedObjects().size(), 3);
    QList<QByteArray> before;
    for (const QString& path : untagged + tagged)
        before << fileBytes(path);
    list().updateTableViewSelection(MovieList::IndexSet{0, 1, 2});
    record(0)->setTitle("Erster Film");
    m_chooser.queueAnswer({QUrl::fromLocalFile(m_folder.path())});
    int mostFilesShown = 0;
    bool cancelSeenEnabled = false;
    bool grabbed = false;
    watchSheet([&](SaveMovieListWindowController& sheet) {
        mostFilesShown = std::max(mostFilesShown, sheet.moviesProgressIndicator()->value());
        cancelSeenEnabled = cancelSeenEnabled || sheet.cancelButton()->isEnabled();
        if (!sheet.movieNameTextField()->text().isEmpty() && !grabbed) {
            grabbed = true;
            grabWindow("saveas-main");
            const QString folder = qEnvironmentVariable("KORVALANE_SCREENSHOTS");
            if (!folder.isEmpty())
                sheet.grab().save(folder + "/saveas-sheet.png");
        }
    });

    m_controller->saveAs();

    ASSERT_EQ(m_chooser.requests().size(), 1);
    const FileChooser::Request& request = m_chooser.requests().first();
    EXPECT_TRUE(request.canChooseDirectories);
    EXPECT_FALSE(request.canChooseFiles);
    EXPECT_FALSE(request.allowsMultipleSelection);
    EXPECT_EQ(request.title, platform::localized("savePanelHeadline"));
    EXPECT_EQ(request.prompt, platform::localized("savePromptForButton"));

    EXPECT_EQ(folderEntries(), QStringList({"first.m4v", "second.m4v"}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(fileBytes((untagged + tagged)[i]), before[i]) << "source " << i << " was written";
    for (int row : {0, 1}) {
        const QString copy = m_folder.filePath(untagged[row].section('/', -1));
        EXPECT_EQ(record(row)->fileUrl(), QUrl::fromLocalFile(copy));
        EXPECT_TRUE(record(row)->isTagged());
        EXPECT_EQ(m_factory.ffprobe(copy)["format"].toObject()["tags"].toObject()["title"].toString(),
                  record(row)->title());
    }
    EXPECT_EQ(record(2)->fileUrl(), QUrl::fromLocalFile(tagged.first()));
    EXPECT_EQ(mostFilesShown, 2) << "the overall bar counts the copied records";
    EXPECT_TRUE(cancelSeenEnabled);
    EXPECT_EQ(list().selectionIndexes(), MovieList::IndexSet({0, 1, 2}));
    EXPECT_TRUE(m_alerts->shown().isEmpty());
    EXPECT_EQ(m_controller->mainWindow()->findChild<SaveMovieListWindowController*>(), nullptr);
}

TEST_F(SaveAsTest, NothingHappensWithoutAReadyRecordOrAChosenFolder)
{
    loadMovies({"tagged"}, true);
    m_controller->saveAs();
    EXPECT_TRUE(m_chooser.requests().isEmpty()) << "a tagged selection asks for no folder";

    ASSERT_TRUE(m_controller->loadMoviesByURL(makeMovies({"untagged"})));
    const QUrl source = record(1)->fileUrl();
    m_controller->saveAs();  // the chooser is dismissed
    EXPECT_EQ(m_chooser.requests().size(), 1);
    EXPECT_EQ(record(1)->fileUrl(), source);
    EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(SaveAsTest, CancelDuringACopyRemovesThePartialFileSilentlyAndStopsTheRun)
{
    // Sixty-four megabytes copy in a few hundred steps: cancel catches the copy under way.
    const QString small = makeMovies({"small"}).first();
    const QString large = m_factory.makeSparseLarge(small, "large.m4v", qint64(64) << 20);
    const QString next = makeMovies({"next"}).first();
    ASSERT_TRUE(m_controller->loadMoviesByURL(QStringList{large, next}));
    const QByteArray before = fileBytes(next);
    list().updateTableViewSelection(MovieList::IndexSet{0, 1});
    m_chooser.queueAnswer({QUrl::fromLocalFile(m_folder.path())});
    bool partialSeen = false;
    watchSheet([&](SaveMovieListWindowController& sheet) {
        if (QFileInfo(m_folder.filePath("large.m4v")).size() > 0 && sheet.cancelButton()->isEnabled()) {
            partialSeen = true;
            sheet.cancelButton()->click();
        }
    });

    m_controller->saveAs();

    EXPECT_TRUE(partialSeen);
    EXPECT_TRUE(folderEntries().isEmpty()) << folderEntries().join(", ").toStdString();
    EXPECT_EQ(record(0)->fileUrl(), QUrl::fromLocalFile(large));
    EXPECT_FALSE(record(0)->isTagged());
    EXPECT_EQ(record(1)->fileUrl(), QUrl::fromLocalFile(next)) << "the run ends at the cancel";
    EXPECT_EQ(fileBytes(next), before);
    EXPECT_TRUE(m_alerts->shown().isEmpty());
    EXPECT_TRUE(m_log.lines().filter("Save As Error").isEmpty());
}

TEST_F(SaveAsTest, AFailedCopyIsReportedAndTheRecordKeepsItsSource)
{
    struct Case {
        const char* name;
        std::function<QUrl(const QString& source)> destinationFolder;
    };
    const Case cases[] = {
        {"folder gone since it was chosen",
         [this](const QString&) { return QUrl::fromLocalFile(m_folder.filePath("gone")); }},
        {"folder that is a file",
         [this](const QString&) { return QUrl::fromLocalFile(m_factory.writeFile("plain file", "x")); }},
        {"source that vanished",
         [this](const QString& source) {
             QFile::remove(source);
             return QUrl::fromLocalFile(m_folder.path());
         }},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        list().removeAll();
        const qsizetype alertsBefore = m_alerts->shown().size();
        m_log.clear();
        const QString source = makeMovies({QString("movie %1").arg(each.name)}).first();
        ASSERT_TRUE(m_controller->loadMoviesByURL(QStringList{source}));
        const QUrl folder = each.destinationFolder(source);
        m_chooser.queueAnswer({folder});
        m_controller->saveAs();
        const QString copy = folder.toLocalFile() + "/" + QFileInfo(source).fileName();
        EXPECT_EQ(m_alerts->shown().mid(alertsBefore), QList<platform::RecordingAlerts::Shown>{cantSaveAs(copy)});
        EXPECT_EQ(m_log.lines().filter("Save As Error: Error while copying file").size(), 1)
            << m_log.lines().join("\n").toStdString();
        EXPECT_EQ(record(0)->fileUrl(), QUrl::fromLocalFile(source));
        EXPECT_FALSE(record(0)->isTagged());
    }
}

TEST_F(SaveAsTest, ACopyThatCannotBeTaggedIsReportedAndTheRecordKeepsItsSource)
{
    // A download cut short: the index in front says more media follows than
    // there is. It loads and copies, but the copy cannot take tags.
    testsupport::MovieRecipe recipe;
    recipe.seconds = 1.0;
    recipe.faststart = true;
    const QStringList sources{m_factory.make(recipe, "cut short.m4v"), makeMovies({"after"}).first()};
    QFile source(sources[0]);
    ASSERT_TRUE(source.resize(source.size() / 2));
    const QByteArray cutBytes = fileBytes(sources[0]);
    ASSERT_TRUE(m_controller->loadMoviesByURL(sources));
    list().updateTableViewSelection(MovieList::IndexSet{0, 1});
    const std::shared_ptr<MovieModel> cut = record(0);
    ASSERT_EQ(cut->fileUrl(), QUrl::fromLocalFile(sources[0]));
    m_chooser.queueAnswer({QUrl::fromLocalFile(m_folder.path())});

    m_controller->saveAs();

    EXPECT_EQ(m_alerts->shown(),
              QList<platform::RecordingAlerts::Shown>{cantSaveAs(m_folder.filePath("cut short.m4v"))});
    EXPECT_EQ(m_log.lines().filter("Save As Error: Error while tagging file").size(), 1)
        << m_log.lines().join("\n").toStdString();
    EXPECT_EQ(cut->fileUrl(), QUrl::fromLocalFile(sources[0])) << "the record moved to an untagged copy";
    EXPECT_FALSE(cut->isTagged());
    EXPECT_EQ(fileBytes(sources[0]), cutBytes);
    // The untagged copy stays for the user to see; the run ends there.
    EXPECT_EQ(folderEntries(), QStringList{"cut short.m4v"});
    EXPECT_EQ(fileBytes(m_folder.filePath("cut short.m4v")), cutBytes);
    EXPECT_EQ(record(1)->fileUrl(), QUrl::fromLocalFile(sources[1]));
}

TEST_F(SaveAsTest, TheSheetStaysLiveWhileTheMediaLibraryTakesTheCopy)
{
    platform::Settings::shared().setValue("MoveTaggedFilesToiTunes", true);
    const QString source = makeMovies({"library"}).first();
    ASSERT_TRUE(m_controller->loadMoviesByURL(QStringList{source}));
    list().updateTableViewSelection(MovieList::IndexSet{0});
    m_chooser.queueAnswer({QUrl::fromLocalFile(m_folder.path())});
    const QUrl copy = QUrl::fromLocalFile(m_folder.filePath("library.m4v"));
    // The record points at its copy from the hand-over on, and is marked
    // tagged once the media library's second is over.
    bool turnedDuringHandOver = false;
    watchSheet([&](SaveMovieListWindowController&) {
        turnedDuringHandOver = turnedDuringHandOver || (record(0)->fileUrl() == copy && !record(0)->isTagged());
    });

    m_controller->saveAs();
    QThreadPool::globalInstance()->waitForDone();

    EXPECT_TRUE(turnedDuringHandOver) << "the window froze while the media library took the copy";
    EXPECT_EQ(record(0)->fileUrl(), copy);
    EXPECT_TRUE(record(0)->isTagged());
    // This system has no media library: the import of the copy was tried and logged.
    EXPECT_EQ(m_log.lines().filter("No media-library application is available").size(), 1)
        << m_log.lines().join("\n").toStdString();
    EXPECT_TRUE(m_alerts->shown().isEmpty());
}

TEST(ProgressSheetTest, CancelIsEnabledExactlyWhileWorkIsShortOfItsSize)
{
    struct Case {
        std::optional<qint64> bytesWritten;
        qint64 fileSize;
        bool enabled;
    };
    const Case cases[] = {
        {std::nullopt, 10, false},
        {-1, 0, true},
        {0, 0, false},
        {0, 10, true},
        {9, 10, true},
        {10, 10, false},
        {qint64(3) << 30, qint64(4) << 30, true},
    };
    SaveMovieListWindowController sheet(nullptr);
    EXPECT_FALSE(sheet.abort());
    for (const Case& each : cases) {
        sheet.setFileSize(each.fileSize);
        sheet.setBytesWritten(each.bytesWritten);
        EXPECT_EQ(sheet.enableCancelButton(), each.enabled)
            << each.bytesWritten.value_or(-99) << " of " << each.fileSize;
        EXPECT_EQ(sheet.cancelButton()->isEnabled(), each.enabled);
    }
}

}  // namespace
