#pragma once

// Small helpers shared by the MPEG-4 library tests.

#include "mp4/moviefile.h"
#include "support/moviefactory.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <cstdlib>

#include <filesystem>
#include <string>
#include <vector>

namespace mp4test {

inline std::filesystem::path fsPath(const QString& path)
{
    return std::filesystem::path(path.toStdU16String());
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline std::vector<std::uint8_t> bytesOf(const QByteArray& b)
{
    return std::vector<std::uint8_t>(b.begin(), b.end());
}

inline mp4::MovieFile openRead(const QString& path)
{
    auto f = mp4::MovieFile::openForRead(fsPath(path));
    if (!f) {
        ADD_FAILURE() << "openForRead failed: " << f.error().message;
        std::abort();
    }
    return std::move(*f);
}

inline mp4::MovieFile openModify(const QString& path)
{
    auto f = mp4::MovieFile::openForModify(fsPath(path));
    if (!f) {
        ADD_FAILURE() << "openForModify failed: " << f.error().message;
        std::abort();
    }
    return std::move(*f);
}

inline std::uint32_t firstTrackOfType(const mp4::MovieFile& f, const char* type)
{
    for (const auto& t : f.tracks()) {
        if (t.type == mp4::FourCC(type)) {
            return t.id;
        }
    }
    return 0;
}

}  // namespace mp4test
