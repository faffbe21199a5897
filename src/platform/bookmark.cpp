#include "bookmark.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

QByteArray bookmarkDataForFolder(const QUrl& folder)
{
    if (!folder.isLocalFile())
        return {};
    return QFileInfo(folder.toLocalFile()).absoluteFilePath().toUtf8();
}

std::optional<QUrl> resolveBookmarkData(const QByteArray& data)
{
    if (data.isEmpty() || data.contains('\0'))
        return std::nullopt;
    const QString path = QString::fromUtf8(data);
    if (!QDir::isAbsolutePath(path) || !QFileInfo(path).isDir())
        return std::nullopt;
    return QUrl::fromLocalFile(path);
}

}  // namespace platform
