#include "tagging/moviefilesaving.h"

#include "model/helpers.h"
#include "model/movielist.h"
#include "model/moviemodel.h"
#include "platform/alerts.h"
#include "platform/log.h"
#include "platform/medialibrary.h"
#include "platform/settings.h"
#include "tagging/coverartwork.h"
#include "tagging/filepaths.h"
#include "tagging/metadatautilities.h"
#include "tagging/moviefilenaming.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QThreadPool>

#include <expected>

namespace MovieFileManager {

namespace {

platform::Settings& settings()
{
    return platform::Settings::shared();
}

std::expected<void, QString> moveEntry(const QString& from, const QString& to)
{
    QFile file(from);
    // QFile never replaces an existing destination.
    if (!file.rename(to))
        return std::unexpected(file.errorString());
    return {};
}

bool writeWholeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

// A plain prefix test of the paths, neither ending in a slash: a folder
// chosen as "/movies/" holds the files directly inside "/movies" as well.
bool liesInWorkingFolder(const QUrl& fileUrl, const QUrl& workingFolder)
{
    const QString folder = FilePaths::deletingLastPathComponent(fileUrl).toLocalFile();
    QString working = workingFolder.toLocalFile();
    while (working.size() > 1 && working.endsWith(u'/'))
        working.chop(1);
    return folder.startsWith(working);
}

// Into a folder named like the file, unless it already lies in one: saving
// again must not nest the movie one folder deeper each time.
QUrl moveIntoOwnFolder(MovieModel& movie, const QUrl& fileUrl)
{
    const QUrl movieFolder = FilePaths::deletingPathExtension(fileUrl);
    const QString folderName = FilePaths::lastPathComponent(movieFolder);
    if (FilePaths::lastPathComponent(FilePaths::deletingLastPathComponent(fileUrl)) == folderName)
        return fileUrl;
    const QString folderPath = movieFolder.toLocalFile();
    QDir().mkdir(folderPath);  // fails, harmlessly, when something is there already
    if (!QFileInfo(folderPath).isDir())
        return fileUrl;
    const QUrl target = FilePaths::appendingPathComponent(movieFolder, FilePaths::lastPathComponent(fileUrl));
    // Whatever lies there already stays: it may be another movie.
    if (FilePaths::entryExists(target))
        return fileUrl;
    if (!moveEntry(movie.fileUrl().toLocalFile(), target.toLocalFile()))
        return fileUrl;
    CoverArtwork::followRenamedFile(movie, movie.fileUrl().toLocalFile(), target.toLocalFile());
    movie.setFileUrl(target);
    return target;
}

void writeCover(const MovieModel& movie, const QUrl& fileUrl, bool separateFolders)
{
    if (!movie.coverIsSet() || !movie.cover())
        return;
    const std::optional<QByteArray> jpeg = movie.cover()->jpegData();
    if (!jpeg)
        return;
    const QUrl coverUrl =
        separateFolders
            ? FilePaths::appendingPathComponent(FilePaths::deletingLastPathComponent(fileUrl),
                                                QStringLiteral("cover.jpg"))
            : FilePaths::appendingPathExtension(FilePaths::deletingPathExtension(fileUrl), QStringLiteral("jpg"));
    writeWholeFile(coverUrl.toLocalFile(), *jpeg);
}

void writeSubtitle(const MovieModel& movie, const QUrl& fileUrl, const QString& language)
{
    if (movie.subtitle().isEmpty())
        return;
    const QUrl subtitleUrl = FilePaths::appendingPathExtension(FilePaths::deletingPathExtension(fileUrl),
                                                               QStringLiteral("%1.srt").arg(language));
    writeWholeFile(subtitleUrl.toLocalFile(), movie.subtitle().toUtf8());
}

void showCantModifyAlert(const QUrl& fileUrl)
{
    showWriteFailureAlert(MetaDataUtilities::WriteFailure::CannotWrite, fileUrl);
}

bool importInto(const QUrl& fileUrl, const QString& bundleIdentifier, const QString& applicationText)
{
    if (fileUrl.isEmpty())
        return false;
    std::unique_ptr<platform::MediaLibraryApplication> application =
        platform::MediaLibrary::current().application(bundleIdentifier);
    if (!application) {
        platform::log(QStringLiteral("Can't open scripting bridge to %1").arg(applicationText));
        return false;
    }
    if (!application->respondsToAdd()) {
        platform::log(QStringLiteral("%1 scripting object doesn't respond to 'add:to:' selector").arg(applicationText));
        return false;
    }
    if (!application->add({fileUrl})) {
        platform::log(
            QStringLiteral("Can't import file '%1' in %2").arg(FilePaths::lastPathComponent(fileUrl), applicationText));
        return false;
    }
    return true;
}

}  // namespace

void showWriteFailureAlert(MetaDataUtilities::WriteFailure failure, const QUrl& fileUrl,
                           const MovieList::Records& notTried)
{
    using MetaDataUtilities::WriteFailure;
    const QString body = failure == WriteFailure::ChangedSinceRead ? QStringLiteral("fileChangedSinceRead")
                         : failure == WriteFailure::NotChangeable  ? QStringLiteral("fileNotChangeable")
                                                                   : QStringLiteral("cantModifyFile");
    const QString path = fileUrl.toLocalFile();
    platform::Alert alert = platform::Alert::aboutFile(QStringLiteral("fileError"), body, path);
    if (!notTried.isEmpty()) {
        // Why this one failed, then how many were left with it; the details name them all.
        QStringList notSaved{path};
        for (const auto& movie : notTried)
            notSaved << movie->fileUrl().toLocalFile();
        alert = platform::Alert::aboutFile(
            QStringLiteral("fileError"), QStringLiteral("saveStoppedBody"), path,
            {alert.bodyText(), QString::number(notSaved.size()), QString::number(notTried.size())});
        alert.details = notSaved.join(QLatin1Char('\n'));
    }
    platform::showAlert(alert);
}

bool saveRenameFile(const QUrl& currentFileUrl, const QUrl& newFileUrl, QUrl* location)
{
    const QString current = currentFileUrl.toLocalFile();
    const QString temporary =
        FilePaths::appendingPathComponent(FilePaths::deletingLastPathComponent(newFileUrl),
                                          QStringLiteral("%1.tmp").arg(FilePaths::lastPathComponent(newFileUrl)))
            .toLocalFile();
    QUrl where = currentFileUrl;
    std::expected<void, QString> moved = moveEntry(current, temporary);
    if (moved) {
        moved = moveEntry(temporary, newFileUrl.toLocalFile());
        if (moved)
            where = newFileUrl;
        else if (!moveEntry(temporary, current))
            where = QUrl::fromLocalFile(temporary);  // stuck half way: say where the file is
    }
    if (location)
        *location = where;
    if (moved)
        return true;
    showCantModifyAlert(currentFileUrl);
    platform::log(QStringLiteral("Error: %1").arg(moved.error()));
    return false;
}

void savePLEXAssets(MovieModel& movie, const QUrl& fileUrl, const QString& language)
{
    const bool separateFolders = settings().boolValue(QStringLiteral("SeparateFoldersForPLEXFiles"));
    QUrl url = fileUrl;
    if (separateFolders)
        url = moveIntoOwnFolder(movie, url);
    writeCover(movie, url, separateFolders);
    writeSubtitle(movie, url, language);
}

namespace {

// saveFile() without its alert: why the file could not be written, if it could not.
std::expected<void, MetaDataUtilities::WriteFailure> writeAndPlace(MovieModel& movie, const QUrl& newDirectory,
                                                                   const QString& language, const QString& locale)
{
    // Access to the working folder needs no starting or stopping here.
    const QUrl workingFolder = workingDirectoryURL();
    if (auto written = MetaDataUtilities::writeMetaDataToURL(movie, QUrl(), language); !written)
        return written;
    if (!workingFolder.isEmpty() && liesInWorkingFolder(movie.fileUrl(), workingFolder)) {
        const QUrl newUrl = getNewFileURL(movie, newDirectory, false, true, locale);
        if (newUrl != movie.fileUrl()) {
            QUrl location;
            saveRenameFile(movie.fileUrl(), newUrl, &location);
            if (location != movie.fileUrl()) {
                CoverArtwork::followRenamedFile(movie, movie.fileUrl().toLocalFile(), location.toLocalFile());
                movie.setFileUrl(location);
            }
        }
        // Side files go beside the movie under the name it really has.
        if (settings().boolValue(QStringLiteral("WritePLEXFiles")))
            savePLEXAssets(movie, movie.fileUrl(), language);
    }
    movie.setTagged(true);
    if (settings().boolValue(QStringLiteral("MoveTaggedFilesToiTunes")))
        handToMediaLibrary(movie.fileUrl());
    return {};
}

}  // namespace

bool saveFile(MovieModel& movie, const QUrl& newDirectory, const QString& language, const QString& locale)
{
    const auto written = writeAndPlace(movie, newDirectory, language, locale);
    if (!written)
        showWriteFailureAlert(written.error(), movie.fileUrl());
    return written.has_value();
}

void handToMediaLibrary(const QUrl& fileUrl, const std::function<void(double seconds)>& wait)
{
    QThreadPool::globalInstance()->start([fileUrl] { importFileToMediaLibrary(fileUrl); });
    // Gives the media-library application time before the next file.
    constexpr double kImportHeadStart = 1.0;
    if (wait)
        wait(kImportHeadStart);
    else
        QThread::sleep(1);
}

bool saveFiles(MovieList& movieList, const QUrl& newDirectory, bool selectedOnly, bool force, const QString& language,
               const QString& locale)
{
    MovieList::Records due = selectedOnly ? movieList.selectedObjects() : movieList.arrangedObjects();
    if (!force)
        due.removeIf(
            [](const auto& movie) { return movie->isTagged() || movie->status() != MovieModel::kStatusReadyToTag; });
    for (qsizetype index = 0; index < due.size(); ++index) {
        if (const auto written = writeAndPlace(*due[index], newDirectory, language, locale); !written) {
            showWriteFailureAlert(written.error(), due[index]->fileUrl(), due.mid(index + 1));
            return false;
        }
    }
    return true;
}

bool importFileToMediaLibrary(const QUrl& fileUrl)
{
    const QVersionNumber version = platform::MediaLibrary::current().operatingSystemVersion();
    const int major = version.majorVersion();
    const int minor = version.minorVersion();
    if (major > 10 || (major == 10 && minor >= 15))
        return importFileToTVApp(fileUrl);
    return importFileToiTunes(fileUrl);
}

bool importFileToiTunes(const QUrl& fileUrl)
{
    return importInto(fileUrl, QStringLiteral("com.apple.iTunes"), QStringLiteral("iTunes"));
}

bool importFileToTVApp(const QUrl& fileUrl)
{
    return importInto(fileUrl, QStringLiteral("com.apple.tv"), QStringLiteral("TV App"));
}

}  // namespace MovieFileManager
