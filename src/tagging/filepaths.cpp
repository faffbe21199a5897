#include "tagging/filepaths.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

namespace FilePaths {

namespace {

qsizetype extensionDot(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot <= 0 || dot == fileName.size() - 1)
        return -1;
    return dot;
}

QString pathOf(const QUrl& url)
{
    return url.isLocalFile() ? url.toLocalFile() : url.path();
}

QString withoutTrailingSlashes(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

}  // namespace

QString lastPathComponent(const QUrl& url)
{
    const QString path = withoutTrailingSlashes(pathOf(url));
    return path == u"/" ? path : path.mid(path.lastIndexOf(u'/') + 1);
}

QString pathExtension(const QString& fileName)
{
    const qsizetype dot = extensionDot(fileName);
    return dot < 0 ? QString("") : fileName.mid(dot + 1);
}

QString deletingPathExtension(const QString& fileName)
{
    const qsizetype dot = extensionDot(fileName);
    return dot < 0 ? fileName : fileName.left(dot);
}

QUrl deletingPathExtension(const QUrl& url)
{
    const QString path = withoutTrailingSlashes(pathOf(url));
    const qsizetype slash = path.lastIndexOf(u'/');
    return QUrl::fromLocalFile(path.left(slash + 1) + deletingPathExtension(path.mid(slash + 1)));
}

QUrl deletingLastPathComponent(const QUrl& url)
{
    const QString path = withoutTrailingSlashes(pathOf(url));
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return QUrl::fromLocalFile(QStringLiteral("."));
    return QUrl::fromLocalFile(slash == 0 ? QStringLiteral("/") : path.left(slash));
}

QUrl appendingPathComponent(const QUrl& folder, const QString& name)
{
    QString path = withoutTrailingSlashes(pathOf(folder));
    if (!path.endsWith(u'/'))
        path += u'/';
    return QUrl::fromLocalFile(path + name);
}

QUrl appendingPathExtension(const QUrl& url, const QString& extension)
{
    return QUrl::fromLocalFile(withoutTrailingSlashes(pathOf(url)) + u'.' + extension);
}

bool entryExists(const QString& path)
{
    struct stat info;
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

bool entryExists(const QUrl& url)
{
    return entryExists(pathOf(url));
}

bool isRegularFile(const QString& path)
{
    struct stat info;
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isSameEntry(const QString& first, const QString& second)
{
    struct stat a;
    struct stat b;
    if (::stat(QFile::encodeName(first).constData(), &a) != 0 || ::stat(QFile::encodeName(second).constData(), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

namespace {

void collectSubpaths(const QDir& root, const QString& folder, QStringList& into)
{
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        into << root.relativeFilePath(entry.filePath());
        if (entry.isDir() && !entry.isSymLink())
            collectSubpaths(root, entry.filePath(), into);
    }
}

}  // namespace

QStringList subpathsOfDirectory(const QString& folder)
{
    QStringList subpaths;
    const QFileInfo info(folder);
    // Entries are made relative to an absolute root: a relative one would give them back whole.
    if (info.isDir())
        collectSubpaths(QDir(info.absoluteFilePath()), info.absoluteFilePath(), subpaths);
    return subpaths;
}

}  // namespace FilePaths
