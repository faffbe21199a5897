#include "tagging/moviefileloading.h"

#include "model/movielist.h"
#include "model/moviemodel.h"
#include "platform/alerts.h"
#include "platform/localized.h"
#include "platform/settings.h"
#include "tagging/filepaths.h"
#include "tagging/metadatautilities.h"
#include "tagging/moviefilenaming.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace MovieFileManager {

namespace {

const QString kEyeTVExtension = QStringLiteral("eyetv");

QStringList& extensionList()
{
    static QStringList extensions;
    return extensions;
}

// A folder the desktop shows as one document. Here only EyeTV recordings and
// schedules are such folders, whatever the case of their extension.
bool isPackage(const QFileInfo& info)
{
    if (!info.isDir())
        return false;
    const QString extension = FilePaths::pathExtension(info.fileName()).toLower();
    return extension == kEyeTVExtension || extension == u"eyetvsched";
}

bool isHidden(const QFileInfo& info)
{
    return info.fileName().startsWith(u'.');
}

// A path as a file URL, absolute and clean: a relative path counts from the
// current folder, and "." and ".." steps are resolved, so that one file
// given as "x.mp4", "./x.mp4" or "sub/../x.mp4" is one URL of the list.
QUrl fileUrlOfPath(const QString& path)
{
    if (path.isEmpty())
        return QUrl::fromLocalFile(path);
    return QUrl::fromLocalFile(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
}

QUrl itemUrl(const QVariant& item)
{
    if (item.typeId() != QMetaType::QUrl)
        return fileUrlOfPath(item.toString());
    // A file URL may hold a relative or unclean path too (a command-line argument).
    const QUrl url = item.toUrl();
    return url.isLocalFile() ? fileUrlOfPath(url.toLocalFile()) : url;
}

// A pipe, device or socket under a movie name: opening it to read could
// block for good, and it never holds a movie.
bool isSpecialFile(const QUrl& url)
{
    const QFileInfo info(url.toLocalFile());
    return info.exists() && !info.isFile() && !info.isDir();
}

// Pre-order walk in name order: hidden entries and the inside of packages are
// skipped, subfolders entered only when `recursive`.
void collectFolderFiles(const QString& folder, bool recursive, QList<QFileInfo>& into)
{
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (isHidden(entry))
            continue;
        into << entry;
        if (recursive && entry.isDir() && !entry.isSymLink() && !isPackage(entry))
            collectFolderFiles(entry.filePath(), recursive, into);
    }
}

// What the alert of an unreadable file says about the files that a load
// stopped by it leaves out.
QString notLoadedSentence(qsizetype filesAfter)
{
    if (filesAfter <= 0)
        return QString();
    if (filesAfter == 1)
        return platform::localized(QStringLiteral("loadMovieOneNotLoaded"));
    return platform::localized(QStringLiteral("loadMovieManyNotLoaded")).arg(filesAfter);
}

// `known` holds the files already in the list and those taken so far: a
// folder of thousands of movies is checked in one pass, not against every file.
void appendIfNew(const QUrl& url, QList<QUrl>& result, QSet<QUrl>& known)
{
    if (isValidMovieFileOrDirectory(url) && !known.contains(url)) {
        known.insert(url);
        result << url;
    }
}

}  // namespace

void initialize()
{
    extensionList() = {QStringLiteral("mp4"), QStringLiteral("m4v"), kEyeTVExtension};
}

const QStringList& movieFileExtensions()
{
    if (extensionList().isEmpty())
        initialize();
    return extensionList();
}

bool isValidMovieFile(const QUrl& url)
{
    if (url.isEmpty())
        return false;
    return movieFileExtensions().contains(FilePaths::pathExtension(FilePaths::lastPathComponent(url)).toLower());
}

bool isValidMovieFileOrDirectory(const QUrl& url)
{
    if (url.isEmpty())
        return false;
    if (isValidMovieFile(url))
        return true;
    const QFileInfo info(url.toLocalFile());
    return info.isDir() && !isPackage(info);
}

bool isValidMovieFileOrDirectoryInList(const std::optional<QStringList>& paths, const QList<QUrl>& existingFiles)
{
    if (!paths)
        return false;
    for (const QString& path : *paths) {
        const QUrl url = fileUrlOfPath(path);
        if (isValidMovieFileOrDirectory(url) && !existingFiles.contains(url))
            return true;
    }
    return false;
}

bool isValidEyeTVFile(const QUrl& url)
{
    if (url.isEmpty())
        return false;
    const QString extension = FilePaths::pathExtension(FilePaths::lastPathComponent(url));
    return extension == kEyeTVExtension || extension == u"eyetvsched";
}

bool isValidImageFile(const QUrl& url)
{
    if (url.isEmpty())
        return false;
    static const QStringList images{QStringLiteral("jpeg"), QStringLiteral("jpg"), QStringLiteral("png"),
                                    QStringLiteral("gif"), QStringLiteral("tiff")};
    return images.contains(FilePaths::pathExtension(FilePaths::lastPathComponent(url)).toLower());
}

QUrl getFileUrlOfEyeTVMovieFile(const QUrl& recordingUrl, const QString& /*language*/)
{
    const QString folder = recordingUrl.toLocalFile();
    if (QFileInfo(folder).isDir()) {
        for (const QString& subpath : FilePaths::subpathsOfDirectory(folder)) {
            if (subpath.endsWith(QStringLiteral(".m4v")))
                return QUrl::fromLocalFile(QDir(folder).filePath(subpath));
        }
    }
    platform::showAlert(platform::Alert::aboutFile(QStringLiteral("loadNoEyeTVFileHeader"),
                                                   QStringLiteral("loadNoEyeTVFileBody"), folder));
    return QUrl();
}

QList<QUrl> enumerateMovieFiles(const QVariantList& items, const QList<QUrl>& existingFiles, const QString& language)
{
    const bool recursive = platform::Settings::shared().boolValue(QStringLiteral("SearchForMovieFilesRecursivly"));
    QList<QUrl> result;
    QSet<QUrl> known(existingFiles.cbegin(), existingFiles.cend());
    for (const QVariant& item : items) {
        const QUrl url = itemUrl(item);
        const QFileInfo info(url.toLocalFile());
        if (isPackage(info) && FilePaths::pathExtension(info.fileName()) == kEyeTVExtension) {
            // A recording is taken each time it is given, even when already loaded.
            const QUrl movieFile = getFileUrlOfEyeTVMovieFile(url, language);
            if (!movieFile.isEmpty()) {
                known.insert(movieFile);
                result << movieFile;
            }
        } else if (info.isDir()) {
            QList<QFileInfo> entries;
            collectFolderFiles(info.filePath(), recursive, entries);
            for (const QFileInfo& entry : entries) {
                if (!entry.isDir())
                    appendIfNew(QUrl::fromLocalFile(entry.filePath()), result, known);
            }
        } else {
            appendIfNew(url, result, known);
        }
    }
    return result;
}

bool loadMPEG4orEyeTVFile(const QUrl& url, MovieModel& movie, const QString& language, qsizetype filesAfter)
{
    if (!isValidMovieFile(url))
        return false;
    QUrl movieFile = url;
    if (FilePaths::pathExtension(FilePaths::lastPathComponent(url)) == kEyeTVExtension)
        movieFile = getFileUrlOfEyeTVMovieFile(url, language);
    if (!movieFile.isEmpty() && !isSpecialFile(movieFile) &&
        MetaDataUtilities::readMetaDataFromURL(movieFile, movie, language))
        return true;
    const QUrl unread = movieFile.isEmpty() ? url : movieFile;
    platform::showAlert(platform::Alert::aboutFile(QStringLiteral("loadMovieHeader"), QStringLiteral("loadMovieBody"),
                                                   unread.toLocalFile(), {notLoadedSentence(filesAfter)}));
    return false;
}

bool loadFile(const QUrl& url, MovieList& movieList, const QString& language, qsizetype filesAfter)
{
    if (!isValidMovieFile(url))
        return false;
    auto movie = std::make_shared<MovieModel>();
    if (!loadMPEG4orEyeTVFile(url, *movie, language, filesAfter))
        return false;
    if (!movie->title().isNull())
        movie->setTagged(true);
    if (movie->title().isEmpty())
        movie->setTitle(makeTitleFromFileURL(url));
    movieList.addObject(std::move(movie));
    return true;
}

bool loadFiles(const std::optional<QVariantList>& items, MovieList& movieList, const QString& language)
{
    if (!items)
        return false;
    const QList<QUrl> urls = enumerateMovieFiles(*items, movieList.filesInMovieList(), language);
    if (urls.isEmpty()) {
        platform::showAlert(QStringLiteral("loadNoFilesHeader"), QStringLiteral("loadNoFilesBody"));
        return false;
    }
    for (qsizetype i = 0; i < urls.size(); ++i) {
        if (!loadFile(urls[i], movieList, language, urls.size() - i - 1))
            return false;
    }
    return true;
}

}  // namespace MovieFileManager
