#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// Path arithmetic on file URLs, with the rules of the file names users see:
// the extension is what follows the last dot of the last component, unless
// that dot leads the name (".hidden" has none) or ends it.
namespace FilePaths {

QString lastPathComponent(const QUrl& url);
QString pathExtension(const QString& fileName);
QString deletingPathExtension(const QString& fileName);

QUrl deletingPathExtension(const QUrl& url);
QUrl deletingLastPathComponent(const QUrl& url);
QUrl appendingPathComponent(const QUrl& folder, const QString& name);
QUrl appendingPathExtension(const QUrl& url, const QString& extension);

// Anything at `path`, a dangling symbolic link included.
bool entryExists(const QString& path);
bool entryExists(const QUrl& url);
// A plain file (not a folder, device, link or pipe) at `path`.
bool isRegularFile(const QString& path);
// Both paths name one existing file (or folder), whatever their spelling.
bool isSameEntry(const QString& first, const QString& second);

// Every entry below `folder` at any depth, as paths relative to it: each
// folder's entries in name order, a subfolder's entries right after it.
// Symbolic links to folders are listed but not entered.
QStringList subpathsOfDirectory(const QString& folder);

}  // namespace FilePaths
