#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <functional>
#include <optional>

namespace platform {

// A file as it was at one moment: a later write changes its size or its
// modification time (nanoseconds), and so tells that the file is another one.
struct FileIdentity {
    qint64 size = -1;
    qint64 modified = 0;

    // Nothing when the file cannot be looked at.
    static std::optional<FileIdentity> of(const QString& path);
    bool operator==(const FileIdentity&) const = default;
};

// Where some bytes lie in a file, and the state of that file they belong to.
struct FilePlace {
    QString path;
    qint64 offset = 0;
    qint64 length = 0;
    FileIdentity identity;

    bool operator==(const FilePlace&) const = default;
    // The file at `path` is still the one the place was taken from.
    bool isCurrent() const;
};

// Runs `use` with a device over the bytes at `place` (position 0 is its first
// byte) while the file is still the one the place belongs to. A file that
// changed, before or during the use, is refused with a log line that names it.
// Answers whether the bytes were used.
bool readFromFilePlace(const FilePlace& place, const std::function<void(QIODevice& bytes)>& use);
// The bytes at `place`, under the same condition.
std::optional<QByteArray> bytesAtFilePlace(const FilePlace& place);

}  // namespace platform
