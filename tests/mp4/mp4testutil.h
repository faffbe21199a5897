#pragma once

// Small helpers shared by the MPEG-4 library tests.

#include "mp4/boxparser.h"
#include "mp4/filehandle.h"
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

// A file of tests/data/mp4/hostile: inputs fuzzing found.
inline QString hostileFile(const char* name)
{
    return QStringLiteral(KORVALANE_TEST_DATA "/mp4/hostile/") + QLatin1StringView(name);
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

// The top-level boxes of a file (a failed test when they do not reach its end whole).
inline std::vector<mp4::TopLevelBox> topLevel(const QString& path)
{
    auto file = mp4::FileHandle::open(fsPath(path), false);
    if (!file) {
        ADD_FAILURE() << "cannot open " << path.toStdString();
        return {};
    }
    auto layout = mp4::BoxParser::scanTopLevel(*file);
    EXPECT_TRUE(layout && !layout->damagedTail);
    return layout ? layout->boxes : std::vector<mp4::TopLevelBox>{};
}

// The tree of the file's first `moov` box, as the library itself parses it (a failed test
// and an empty box when there is none).
inline mp4::Box moovTree(const QString& path)
{
    auto file = mp4::FileHandle::open(fsPath(path), false);
    if (!file) {
        ADD_FAILURE() << "cannot open " << path.toStdString();
        return {};
    }
    auto layout = mp4::BoxParser::scanTopLevel(*file);
    for (const auto& box : layout ? layout->boxes : std::vector<mp4::TopLevelBox>{}) {
        if (box.type != mp4::FourCC("moov")) {
            continue;
        }
        std::vector<std::uint8_t> body(static_cast<std::size_t>(box.size - box.headerSize));
        if (!file->readAt(box.offset + box.headerSize, body)) {
            break;
        }
        bool damaged = false;
        auto tree = mp4::BoxParser::parseMoov(body, damaged);
        if (tree && !damaged) {
            return *tree;
        }
        break;
    }
    ADD_FAILURE() << "no readable moov in " << path.toStdString();
    return {};
}

// Puts `moov` in place of the file's moov, which must be its last box (as ffmpeg writes it
// without faststart), so no chunk offset moves; false when the moov is not last.
inline bool replaceLastMoov(const QString& path, const mp4::Box& moov)
{
    const QByteArray whole = readAll(path);
    const mp4::Box old = moovTree(path);
    const qsizetype start = whole.lastIndexOf("moov") - 4;
    if (start < 0 || start + static_cast<qsizetype>(old.size()) != whole.size()) {
        return false;
    }
    const mp4::Bytes bytes = moov.serialize();
    QFile f(path);
    return f.open(QIODevice::WriteOnly) &&
           f.write(whole.left(start) +
                   QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()))) ==
               start + static_cast<qsizetype>(bytes.size());
}

// The `trak` of `moov` whose header carries `id` (nullptr when none).
inline const mp4::Box* trakWithId(const mp4::Box& moov, std::uint32_t id)
{
    for (const auto& c : moov.children) {
        const mp4::Box* tkhd = c.child(mp4::FourCC("tkhd"));
        if (c.type == mp4::FourCC("trak") && tkhd && mp4::getBig(tkhd->payload, 12, 4) == id) {
            return &c;
        }
    }
    return nullptr;
}

// Bytes written out as hexadecimal pairs, for readable comparisons.
inline std::string hex(std::span<const std::uint8_t> bytes)
{
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (std::uint8_t b : bytes) {
        if (!out.empty()) {
            out += ' ';
        }
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

}  // namespace mp4test
