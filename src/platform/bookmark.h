#pragma once

#include <QByteArray>
#include <QUrl>

#include <optional>

namespace platform {

// Stands in for security-scoped bookmarks: the data is the folder's absolute
// path as UTF-8. There is no access to start or stop on Linux.
QByteArray bookmarkDataForFolder(const QUrl& folder);  // empty for a non-local URL

// The folder the data names; nullopt when the data is empty or not a path,
// or the folder no longer exists.
std::optional<QUrl> resolveBookmarkData(const QByteArray& data);

}  // namespace platform
