// Saves that must not go through: another program cut or rewrote the file after it was
// opened, or the disk filled up. Each is refused, leaves the file playing as it was, and
// takes back any room it grew the file by.
#include "mp4testutil.h"

#include "mp4/copycheck.h"
#include "mp4/error.h"
#include "mp4/filehandle.h"
#include "mp4/log.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace mp4test;
using testsupport::MovieFactory;
using testsupport::MovieRecipe;

namespace {

using Calls = std::vector<std::pair<std::uint64_t, std::size_t>>;

// Records every write and resize of the commit; `before` runs first, with the call's index.
class WriteRecorder {
public:
    explicit WriteRecorder(std::function<void(std::size_t)> before = {})
    {
        mp4::FileHandle::setWriteHook([this, before](std::uint64_t offset, std::size_t length) -> std::size_t {
            if (before) {
                before(m_calls.size());
            }
            m_calls.emplace_back(offset, length);
            return length;
        });
    }
    ~WriteRecorder() { mp4::FileHandle::setWriteHook({}); }
    WriteRecorder(const WriteRecorder&) = delete;
    WriteRecorder& operator=(const WriteRecorder&) = delete;

    const Calls& calls() const { return m_calls; }

private:
    Calls m_calls;
};

mp4::TopLevelBox liveMoov(const QString& file)
{
    const auto boxes = topLevel(file);
    const auto it = std::ranges::find(boxes, mp4::FourCC("moov"), &mp4::TopLevelBox::type);
    return it == boxes.end() ? mp4::TopLevelBox{} : *it;
}

// A movie long enough that its moov's sample tables stay in the file and are copied by a save.
QString movieWithCopiedTables(MovieFactory& factory, const QString& name)
{
    MovieRecipe recipe;
    recipe.width = 160;
    recipe.height = 120;
    recipe.seconds = 30;
    recipe.metadata = {{"title", "Old"}};
    const QString file = factory.make(recipe, name);
    // Guard: the save of this test copies ranges of the live moov.
    auto handle = mp4::FileHandle::open(fsPath(file), false);
    const mp4::TopLevelBox moov = liveMoov(file);
    bool damaged = false;
    auto tree =
        mp4::BoxParser::parseMoovInFile(*handle, moov.offset + moov.headerSize, moov.size - moov.headerSize, damaged);
    std::function<bool(const mp4::Box&)> leftInFile = [&](const mp4::Box& b) {
        return b.inFileSize != 0 || std::ranges::any_of(b.children, leftInFile);
    };
    EXPECT_TRUE(tree && leftInFile(*tree)) << "no sample table of " << name.toStdString() << " stays in the file";
    return file;
}

mp4::MovieFile openedWithNewTitle(const QString& file)
{
    mp4::MovieFile movie = openModify(file);
    mp4::Tags tags = movie.tags();
    tags.name = "New";
    EXPECT_TRUE(movie.setTags(tags));
    return movie;
}

void expectPlaysWithTitle(MovieFactory& factory, const QString& file, const QStringList& packets, const char* title,
                          const std::string& where)
{
    EXPECT_EQ(factory.ffprobe(file)["format"].toObject()["tags"].toObject()["title"].toString(), title) << where;
    EXPECT_EQ(factory.mediaPacketChecksums(file), packets) << where;
    EXPECT_EQ(factory.decodeErrors(file), "") << where;
}

void resize(const QString& file, std::uint64_t length)
{
    ASSERT_EQ(::truncate(QFile::encodeName(file).constData(), static_cast<off_t>(length)), 0);
}

// Another program's change of one byte, at a time of its own (a rewrite within the clock's
// resolution would look unchanged).
void touchByte(const QString& file, std::uint64_t offset)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const char byte = 0;
    EXPECT_EQ(::pwrite(fd, &byte, 1, static_cast<off_t>(offset)), 1);
    struct stat st {};
    ASSERT_EQ(::fstat(fd, &st), 0);
    const timespec times[2] = {st.st_atim, {st.st_mtim.tv_sec + 2, st.st_mtim.tv_nsec}};
    EXPECT_EQ(::futimens(fd, times), 0);
    ::close(fd);
}

class SilentLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        mp4::setLogSink([](std::string_view) {});
    }
    void TearDown() override { mp4::setLogSink({}); }
};

using CopiedRange = SilentLog;
using ChangedFile = SilentLog;
using FullDisk = SilentLog;

}  // namespace

// A copy whose source reaches past the end of the file fails; it never writes zeros.
TEST_F(CopiedRange, SourcePastTheEndIsAnError)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bytes");
    struct Case {
        std::uint64_t from, length;
        bool ok;
    } cases[] = {{0, 3000, true}, {1000, 2000, true}, {1000, 2001, false}, {2999, 2, false}, {4000, 10, false}};
    for (const Case& c : cases) {
        QFile bytes(path);
        ASSERT_TRUE(bytes.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(bytes.write(QByteArray(3000, 'x')), 3000);
        bytes.close();
        auto file = mp4::FileHandle::open(fsPath(path), true);
        ASSERT_TRUE(file);
        const mp4::FileHandle::Piece copy[] = {mp4::FileHandle::Piece::copyOf(c.from, c.length)};
        const auto written = file->writeAt(8192, copy);
        EXPECT_EQ(written.has_value(), c.ok) << c.from << "+" << c.length;
        if (!written) {
            EXPECT_EQ(written.error().message, "unexpected end of file");
            EXPECT_EQ(QFileInfo(path).size(), 3000);  // nothing of it written
            continue;
        }
        mp4::Bytes back(c.length);
        ASSERT_TRUE(file->readAt(8192, back));
        EXPECT_TRUE(std::ranges::all_of(back, [](std::uint8_t b) { return b == 'x'; }));
    }
}

// The copy check compares what the copy read with what was noted before the first write: other
// bytes are another program's doing; fewer bytes, or a range it could not read, are its own
// faults and say so. However the copy hands the bytes over, the same bytes match.
TEST_F(CopiedRange, TheCheckBlamesAnotherProgramOnlyForOtherBytes)
{
    MovieFactory factory;
    QByteArray content(300000, '\0');
    for (qsizetype i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>(i * 7 + i / 251);
    }
    const QString path = factory.writeFile("bytes", content);
    // The copy hands over `fed` bytes of the range, `step` at a time, byte `flip` other.
    const struct {
        const char* what;
        qsizetype from, length, fed, step, flip;
        std::optional<mp4::Error::Code> noting, verifying;
    } cases[] = {
        {"as noted, in odd steps", 1000, 200000, 200000, 4099, -1, {}, {}},
        {"one byte other", 1000, 200000, 200000, 65536, 150000, {}, mp4::Error::Code::Changed},
        // Lengths that end inside a block of the fingerprint: its last bytes count as well.
        {"as noted, ending in part of a block", 1000, 200037, 200037, 4099, -1, {}, {}},
        {"the last byte other", 1000, 200037, 200037, 65536, 200036, {}, mp4::Error::Code::Changed},
        {"shorter than a block, one byte other", 1000, 37, 37, 5, 20, {}, mp4::Error::Code::Changed},
        {"one byte short", 1000, 200000, 199999, 65536, -1, {}, mp4::Error::Code::Io},
        {"a range past the end", 250000, 60000, 0, 1, -1, mp4::Error::Code::Corrupt, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto file = mp4::FileHandle::open(fsPath(path), true);
        ASSERT_TRUE(file);
        mp4::ByteChain chain;
        chain.append(mp4::Bytes(16, 'h'));
        chain.appendFileRange(static_cast<std::uint64_t>(c.from), static_cast<std::uint64_t>(c.length));
        mp4::CopyCheck check(*file, chain);
        const auto noted = check.sourcesUnchanged();
        EXPECT_EQ(noted ? std::nullopt : std::optional(noted.error().code), c.noting);
        if (!noted) {
            EXPECT_NE(noted.error().message.find("reading the bytes to copy failed"), std::string::npos);
            continue;
        }
        std::vector<std::uint8_t> handed = bytesOf(content.mid(c.from, c.fed));
        if (c.flip >= 0) {
            handed[static_cast<std::size_t>(c.flip)] ^= 1;
        }
        const auto tap = check.tap();
        for (qsizetype at = 0; at < c.fed; at += c.step) {
            tap(std::span(handed).subspan(static_cast<std::size_t>(at),
                                          static_cast<std::size_t>(std::min(c.step, c.fed - at))));
        }
        const auto verified = check.copiesVerified();
        EXPECT_EQ(verified ? std::nullopt : std::optional(verified.error().code), c.verifying);
    }
}

// The file is cut short, or rewritten, between opening it for a save and the commit: the
// save is refused before it writes anything, and the file stays as the other program left it.
TEST_F(ChangedFile, ChangeAfterOpeningRefusesTheSaveWithoutWriting)
{
    MovieFactory factory;
    const QString original = movieWithCopiedTables(factory, "original.mp4");
    const QStringList packets = factory.mediaPacketChecksums(original);
    const mp4::TopLevelBox moov = liveMoov(original);
    ASSERT_EQ(moov.end(), static_cast<std::uint64_t>(QFileInfo(original).size()));  // moov last
    const QByteArray freeTail(4096, '\0');
    const QByteArray withTail = readAll(original) + QByteArray::fromHex("00001000") + "free" + freeTail.mid(8);

    struct Case {
        const char* what;
        QByteArray start;
        std::function<void(const QString&)> change;
        bool plays;
    };
    const Case cases[] = {
        {"cut inside the moov", readAll(original), [&](const QString& f) { resize(f, moov.offset + moov.size / 2); },
         false},
        {"free tail cut off", withTail, [&](const QString& f) { resize(f, moov.end()); }, true},
        {"free tail rewritten", withTail, [&](const QString& f) { touchByte(f, moov.end() + 100); }, true},
    };
    for (const Case& c : cases) {
        const QString file = factory.writeFile("changed.mp4", c.start);
        mp4::MovieFile movie = openedWithNewTitle(file);
        c.change(file);
        const QByteArray changed = readAll(file);

        WriteRecorder recorder;
        const auto closed = movie.close();
        ASSERT_FALSE(closed) << c.what;
        EXPECT_EQ(closed.error().code, mp4::Error::Code::Changed) << c.what;
        EXPECT_TRUE(recorder.calls().empty()) << c.what;
        EXPECT_EQ(readAll(file), changed) << c.what;
        if (c.plays) {
            expectPlaysWithTitle(factory, file, packets, "Old", c.what);
        }
    }
}

// The file is cut inside its moov while the commit runs, after its check at the start: the
// commit's own growth of the file then fills the cut with zeros, which must not be copied
// into a new moov that goes live.
TEST_F(ChangedFile, CutDuringTheCommitKeepsTheNewMoovFromGoingLive)
{
    MovieFactory factory;
    const QString file = movieWithCopiedTables(factory, "racing.mp4");
    const mp4::TopLevelBox moov = liveMoov(file);
    mp4::MovieFile movie = openedWithNewTitle(file);

    WriteRecorder recorder([&](std::size_t call) {
        if (call == 0) {
            resize(file, moov.offset + moov.size / 2);
        }
    });
    const auto closed = movie.close();
    ASSERT_FALSE(closed);
    EXPECT_EQ(closed.error().code, mp4::Error::Code::Changed);
    // The last thing written was the new boxes, still under a free header: nothing after the
    // copies were found to differ, no type switched.
    const Calls& calls = recorder.calls();
    ASSERT_FALSE(calls.empty());
    const auto largest = std::ranges::max_element(calls, {}, &Calls::value_type::second);
    EXPECT_EQ(largest, calls.end() - 1);
    auto handle = mp4::FileHandle::open(fsPath(file), false);
    ASSERT_TRUE(handle);
    auto layout = mp4::BoxParser::scanTopLevel(*handle);
    ASSERT_TRUE(layout);
    EXPECT_EQ(std::ranges::count(layout->boxes, mp4::FourCC("moov"), &mp4::TopLevelBox::type), 1);
}

namespace {

// A file system of `bytes` mounted on a temporary folder while it lives: a tmpfs, or an ext2
// (from an image on a loop device), which cannot reserve room for a file ahead of its writes.
class SmallFileSystem {
public:
    enum class Kind { Tmpfs, Ext2 };

    SmallFileSystem(qint64 bytes, Kind kind)
    {
        const QString size = QString::number(bytes);
        testsupport::ProcessResult mounted;
        if (kind == Kind::Tmpfs) {
            mounted = MovieFactory::run("mount", {"-t", "tmpfs", "-o", "size=" + size, "korvalane-test", m_dir.path()});
        } else {
            const QString image = m_image.filePath("ext2.img");
            mounted = MovieFactory::run("truncate", {"-s", size, image});
            if (mounted.ok()) {
                mounted = MovieFactory::run("mkfs.ext2", {"-q", "-F", "-m", "0", image});
            }
            if (mounted.ok()) {
                mounted = MovieFactory::run("mount", {"-t", "ext2", "-o", "loop", image, m_dir.path()});
            }
        }
        m_mounted = mounted.ok();
        m_why = QString::fromUtf8(mounted.err).trimmed();
    }
    ~SmallFileSystem()
    {
        if (m_mounted) {
            MovieFactory::run("umount", {m_dir.path()});
        }
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return m_mounted; }
    QString why() const { return m_why; }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    qint64 freeBytes() const
    {
        struct statvfs st {};
        return ::statvfs(QFile::encodeName(m_dir.path()).constData(), &st) == 0
                   ? static_cast<qint64>(st.f_bavail) * static_cast<qint64>(st.f_frsize)
                   : -1;
    }

private:
    QTemporaryDir m_image;
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_why;
};

std::string saveWithCover(const QString& file, const char* title, const QByteArray& cover)
{
    mp4::MovieFile movie = openModify(file);
    mp4::Tags tags = movie.tags();
    tags.name = title;
    tags.artwork = {{bytesOf(cover), mp4::ArtworkType::Jpeg}};
    if (auto r = movie.setTags(tags); !r) {
        return r.error().message;
    }
    auto closed = movie.close();
    return closed ? std::string() : closed.error().message;
}

}  // namespace

namespace {

// The file's length and modification time: a refused save leaves them too, or the record that
// read the file would take it for one another program changed.
mp4::FileStamp stampOf(const QString& file)
{
    auto handle = mp4::FileHandle::open(fsPath(file), false);
    return handle ? handle->openedAs() : mp4::FileStamp{};
}

// The movie with the size of its last box, an `mdat`, set to 0: "to the end of the file".
QByteArray withOpenEndedMdat(const QString& file)
{
    QByteArray bytes = readAll(file);
    const mp4::TopLevelBox last = topLevel(file).back();
    EXPECT_EQ(last.type, mp4::FourCC("mdat"));
    bytes.replace(static_cast<qsizetype>(last.offset), 4, QByteArray(4, '\0'));
    return bytes;
}

}  // namespace

// A save that runs out of space is refused, and the file is what it was, byte for byte, in
// length and in age, whatever its last box and whether or not its file system reserves room
// ahead; once there is room, the next save goes through.
TEST_F(FullDisk, RefusedSaveLeavesTheFileAsItWasAndTheNextSaveWorks)
{
    MovieFactory factory;
    MovieRecipe recipe;
    recipe.metadata = {{"title", "Old"}};
    const QString moovLast = factory.make(recipe, "movie.mp4");
    recipe.faststart = true;
    const QString moovFirst = factory.make(recipe, "faststart.mp4");
    // A picture with bytes after its end, as some cameras write them: 857 KB to save.
    QByteArray cover = readAll(factory.makeImage("cover.jpg", 320, 240));
    cover += QByteArray(857 * 1024 - cover.size(), 'p');

    SmallFileSystem tmpfs(4 << 20, SmallFileSystem::Kind::Tmpfs);
    SmallFileSystem ext2(4 << 20, SmallFileSystem::Kind::Ext2);
    for (const SmallFileSystem* disk : {&tmpfs, &ext2}) {
        if (!disk->mounted()) {
            GTEST_SKIP() << "cannot mount a small file system here: " << disk->why().toStdString();
        }
    }
    const struct {
        const char* name;
        QString made;
        QByteArray bytes;
        const SmallFileSystem& disk;
    } cases[] = {
        {"moov last", moovLast, readAll(moovLast), tmpfs},
        // 300,000 bytes of free space at its end: the save would use them, and more.
        {"ending in free", moovLast,
         readAll(moovLast) + QByteArray::fromHex("000493e0") + "free" + QByteArray(300000 - 8, 'f'), tmpfs},
        {"ending in an open-ended mdat", moovFirst, withOpenEndedMdat(moovFirst), tmpfs},
        // No room is reserved there: the save runs into the full disk while it writes.
        {"ending in an open-ended mdat, on ext2", moovFirst, withOpenEndedMdat(moovFirst), ext2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SmallFileSystem& disk = c.disk;
        const QString file = disk.path("movie.mp4");
        QFile::remove(file);
        {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(c.bytes) == c.bytes.size());
        }
        const mp4::FileStamp before = stampOf(file);
        // Leave 400 KB free; the save needs more than twice that for its cover.
        const QString filler = disk.path("filler");
        {
            QFile f(filler);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            ASSERT_TRUE(f.write(QByteArray(disk.freeBytes() - 400 * 1024, 'f')) > 0);
        }
        ASSERT_LT(disk.freeBytes(), 500 * 1024);

        EXPECT_NE(saveWithCover(file, "New", cover), "");
        EXPECT_EQ(QFileInfo(file).size(), c.bytes.size());
        EXPECT_TRUE(readAll(file) == c.bytes);
        EXPECT_EQ(stampOf(file), before);

        ASSERT_TRUE(QFile::remove(filler));
        ASSERT_EQ(saveWithCover(file, "Saved", cover), "");
        expectPlaysWithTitle(factory, file, factory.mediaPacketChecksums(c.made), "Saved", c.name);
        EXPECT_EQ(factory.atomicParsleyArtwork(file).size(), 1);
    }
}

namespace {

using HostileFile = SilentLog;

// The movie with its `mdat` typed `type`: samples inside a box that says it is free space.
QByteArray mediaTyped(const QString& file, const char* type)
{
    QByteArray bytes = readAll(file);
    const auto boxes = topLevel(file);
    const auto mdat = std::ranges::find(boxes, mp4::FourCC("mdat"), &mp4::TopLevelBox::type);
    EXPECT_NE(mdat, boxes.end());
    bytes.replace(static_cast<qsizetype>(mdat->offset + 4), 4, type);
    return bytes;
}

}  // namespace

// Files fuzzing found, and media in boxes typed as free space, are refused before anything is
// written, or saved with their media as it was; a file saved once opens for every later save.
TEST_F(HostileFile, RefusedUntouchedOrSavedWithItsMediaAgainAndAgain)
{
    MovieFactory factory;
    MovieRecipe recipe;
    recipe.seconds = 0.5;
    const QString moovLast = factory.make(recipe, "movie.mp4");
    recipe.faststart = true;
    const QString moovFirst = factory.make(recipe, "faststart.mp4");
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"media-in-free.mp4", readAll(hostileFile("media-in-free.mp4"))},
        {"empty-chunk-offsets.mp4", readAll(hostileFile("empty-chunk-offsets.mp4"))},
        {"media in free, moov last", mediaTyped(moovLast, "free")},
        {"media in skip at the end", mediaTyped(moovFirst, "skip")},
    };
    const auto save = [](const QString& file, const char* title) -> mp4::Result<void> {
        auto movie = mp4::MovieFile::openForModify(fsPath(file));
        if (!movie) {
            return std::unexpected(movie.error());
        }
        mp4::Tags tags = movie->tags();
        tags.name = title;
        if (auto set = movie->setTags(tags); !set) {
            return set;
        }
        return movie->close();
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = factory.writeFile("hostile.mp4", c.bytes);
        const QStringList packets = factory.mediaPacketChecksums(file);
        if (const auto first = save(file, "First"); !first) {
            EXPECT_TRUE(readAll(file) == c.bytes) << first.error().message;
            continue;
        }
        EXPECT_EQ(factory.mediaPacketChecksums(file), packets);
        const auto again = save(file, "Again");
        EXPECT_TRUE(again) << again.error().message;
        EXPECT_EQ(factory.mediaPacketChecksums(file), packets);
    }
}
