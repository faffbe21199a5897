#pragma once

#include "mp4/moviefile.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QUrl>

#include <stdexcept>
#include <vector>

// Small helpers the movie file tests share.
namespace moviefiletest {

inline QUrl urlOf(const QString& path)
{
    return QUrl::fromLocalFile(path);
}

inline QByteArray bytesOf(const std::vector<std::uint8_t>& data)
{
    return QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
}

// The whole file, or an empty array when it cannot be read.
inline QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file opened by our reader or for modification; a file that does not open
// fails the test (the exception reaches the test framework).
inline mp4::MovieFile open(const QString& path, bool modify = false)
{
    auto file =
        modify ? mp4::MovieFile::openForModify(path.toStdString()) : mp4::MovieFile::openForRead(path.toStdString());
    if (!file)
        throw std::runtime_error("cannot open " + path.toStdString() + ": " + file.error().message);
    return std::move(*file);
}

}  // namespace moviefiletest
