#include "app/saveasmoviefilemanager.h"

#include "app/filechooser.h"
#include "app/savemovielistwindowcontroller.h"
#include "model/movielist.h"
#include "online/namedfailure.h"
#include "platform/alerts.h"
#include "platform/localized.h"
#include "platform/log.h"
#include "platform/pumpevents.h"
#include "platform/settings.h"
#include "tagging/copyfilestream.h"
#include "tagging/metadatautilities.h"
#include "tagging/moviefilemanager.h"

#include <QLabel>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <functional>
#include <memory>

namespace SaveAsMovieFileManager {

namespace {

constexpr double kCopyPollSeconds = 0.5;
constexpr double kPauseBetweenRecords = 1.0;
constexpr double kWorkerPollSeconds = 0.01;
const QString kCopyCancelled = QStringLiteral("CopyCancelledException");

// The folder the copies go to, or an empty URL when the user dismissed the chooser.
QUrl chooseDestinationFolder(QWidget* mainWindow)
{
    FileChooser::Request request;
    request.title = platform::localized(QStringLiteral("savePanelHeadline"));
    request.prompt = platform::localized(QStringLiteral("savePromptForButton"));
    request.canChooseFiles = false;
    request.canChooseDirectories = true;
    request.allowsMultipleSelection = false;
    const QList<QUrl> chosen = FileChooser::current().choose(request, mainWindow);
    return chosen.isEmpty() ? QUrl() : chosen.first();
}

QUrl destinationFor(const MovieModel& movie, const QUrl& folder, const QString& locale)
{
    const QUrl named = MovieFileManager::getNewFileURL(movie, folder, false, false, locale);
    return QUrl::fromLocalFile(folder.toLocalFile() + QLatin1Char('/') + named.fileName());
}

// A copy that moves its chunks in a thread of its own, so that a slow read or
// write never holds up the window: the copy object lives and is started,
// cancelled and destroyed in that thread, and only its figures are read here.
class CopyOnWorker {
public:
    CopyOnWorker(const QUrl& source, const QUrl& destination)
        : m_copy(std::make_unique<CopyFileStream>(source, destination))
    {
        m_thread.setObjectName(QStringLiteral("save-as copy"));
        m_copy->moveToThread(&m_thread);
        m_thread.start();
        inWorker([this] { m_copy->start(); });
    }

    ~CopyOnWorker()
    {
        inWorker([this] { m_copy.reset(); });
        m_thread.quit();
        m_thread.wait();
    }

    CopyOnWorker(const CopyOnWorker&) = delete;
    CopyOnWorker& operator=(const CopyOnWorker&) = delete;

    // Closes the copy and removes what it wrote.
    void cancel()
    {
        inWorker([this] { m_copy->cancel(); });
    }

    const CopyFileStream& copy() const { return *m_copy; }

private:
    // Runs `work` in the copy's thread and waits for it: only short steps
    // (opening, closing, removing) go this way, never the copy itself.
    void inWorker(const std::function<void()>& work)
    {
        QMetaObject::invokeMethod(m_copy.get(), work, Qt::BlockingQueuedConnection);
    }

    QThread m_thread;
    std::unique_ptr<CopyFileStream> m_copy;
};

// Runs the copy, keeping the sheet live and its figures current, until it
// ends, fails, the user cancels or the sheet goes away.
void pumpCopy(const CopyFileStream& copy, SaveMovieListWindowController& sheet)
{
    for (;;) {
        sheet.runModalSession();
        if (!sheet.sessionContinues())
            return;
        platform::pumpEvents(kCopyPollSeconds);
        sheet.setBytesWritten(qint64(copy.bytesWritten()));
        if (copy.status() == CopyFileStream::Finished || copy.status() == CopyFileStream::Error)
            return;
        if (sheet.abort())
            return;
    }
}

// The snapshot written into the copy, which knows the copy as the record counts it read from then on.
using TaggedCopy = std::expected<std::shared_ptr<const MovieModel>, MetaDataUtilities::WriteFailure>;

// Writes the record's fields into its finished copy. The write makes the
// copy durable, which waits for every byte of it to reach the disk, and may
// cut dead space off its end: seconds for a large movie. So it runs on a
// worker while the sheet stays live, on a snapshot of the record pointed at
// the copy; the record itself is not touched here. The sheet blocks the main
// window meanwhile, so nothing the worker reads is edited under it.
TaggedCopy tagCopy(const MovieModel& movie, const QUrl& copyUrl, const QString& language,
                   SaveMovieListWindowController& sheet)
{
    const std::shared_ptr<MovieModel> snapshot = movie.copyWithZone();
    snapshot->setFileUrl(copyUrl);
    // The copy just made, which holds what the record read from its source.
    std::optional<MovieModel::FileAsRead> copied;
    if (const auto identity = platform::FileIdentity::of(copyUrl.toLocalFile()))
        copied = MovieModel::FileAsRead{*identity, movie.fileAsRead() ? movie.fileAsRead()->content : std::nullopt};
    snapshot->setFileAsRead(copied);
    const QFuture<TaggedCopy> written = QtConcurrent::run([snapshot, language]() -> TaggedCopy {
        if (const auto done = MetaDataUtilities::writeMetaDataToURL(*snapshot, QUrl(), language); !done)
            return std::unexpected(done.error());
        return snapshot;
    });
    while (!written.isFinished()) {
        sheet.runModalSession();
        platform::pumpEvents(kWorkerPollSeconds);
    }
    return written.result();
}

}  // namespace

QWidget* openProgressWindow(std::unique_ptr<SaveMovieListWindowController>& controller, QWidget* mainWindow)
{
    controller = std::make_unique<SaveMovieListWindowController>(mainWindow);
    controller->show();
    return controller.get();
}

bool saveAsRunLoop(MovieModel& movie, const QUrl& destinationUrl, SaveMovieListWindowController& sheet,
                   const QString& language)
{
    // A source another program changed since it was read is not copied: the copy would carry
    // the record's stale view of it, and its covers could no longer be read from it.
    if (!MetaDataUtilities::fileIsAsRead(movie)) {
        MovieFileManager::showWriteFailureAlert(MetaDataUtilities::WriteFailure::ChangedSinceRead, movie.fileUrl());
        return false;
    }
    try {
        CopyOnWorker worker(movie.fileUrl(), destinationUrl);
        const CopyFileStream& copy = worker.copy();
        sheet.setFileSize(qint64(copy.fileSize()));
        sheet.setBytesWritten(0);
        pumpCopy(copy, sheet);
        if (copy.status() == CopyFileStream::Error)
            throw NamedFailure(QStringLiteral("CopyErrorException"), QStringLiteral("Error while copying file"));
        // A copy that did not finish, cancelled or cut short, is never tagged.
        if (sheet.abort() || copy.status() != CopyFileStream::Finished) {
            worker.cancel();
            throw NamedFailure(kCopyCancelled, QStringLiteral("User cancelled saving"));
        }
        // Until its copy carries the tags, the record keeps pointing at its source.
        const auto tagged = tagCopy(movie, destinationUrl, language, sheet);
        if (!tagged)
            throw NamedFailure(QStringLiteral("TagErrorException"), QStringLiteral("Error while tagging file"));
        movie.setFileUrl(destinationUrl);
        movie.knowFileOf(**tagged);
        if (platform::Settings::shared().boolValue(QStringLiteral("MoveTaggedFilesToiTunes")))
            MovieFileManager::handToMediaLibrary(destinationUrl, [&sheet](double seconds) {
                sheet.runModalSession();
                platform::pumpEvents(seconds);
            });
        movie.setTagged(true);
        return true;
    } catch (const NamedFailure& failure) {
        if (failure.name() != kCopyCancelled) {
            platform::showAlert(platform::Alert::aboutFile(
                QStringLiteral("fileError"), QStringLiteral("cantSaveAsFile"), destinationUrl.toLocalFile()));
            platform::log(QStringLiteral("Save As Error: %1").arg(failure.reason()));
        }
    }
    return false;
}

bool saveAs(MovieList& movieList, QWidget* mainWindow, const QString& language, const QString& locale)
{
    if (!movieList.canTagMovies())
        return false;
    const MovieList::IndexSet selection = movieList.selectionIndexes();
    const QUrl folder = chooseDestinationFolder(mainWindow);
    if (folder.isEmpty())
        return false;

    std::unique_ptr<SaveMovieListWindowController> sheet;
    openProgressWindow(sheet, mainWindow);
    sheet->setFileNumber(selection.size());
    sheet->setFilesWritten(0);
    sheet->setOverallProgress(0.0);
    qint64 done = 0;
    // The list may rearrange as records change: hold the records, not their rows.
    MovieList::Records records;
    for (const qsizetype index : selection)
        records << movieList.arrangedObjects().at(index);
    for (const std::shared_ptr<MovieModel>& movie : records) {
        sheet->movieNameTextField()->setText(movie->fileUrl().fileName());
        if (movie->isTagged()) {
            sheet->setFilesWritten(++done);
            continue;
        }
        const QUrl destination = destinationFor(*movie, folder, locale);
        if (!saveAsRunLoop(*movie, destination, *sheet, language))
            break;
        if (platform::Settings::shared().boolValue(QStringLiteral("WritePLEXFiles")))
            MovieFileManager::savePLEXAssets(*movie, movie->fileUrl(), language);
        sheet->setOverallProgress(double(++done));
        platform::pumpEvents(kPauseBetweenRecords);
    }
    sheet->endSheet();
    return true;
}

}  // namespace SaveAsMovieFileManager
