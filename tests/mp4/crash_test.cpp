// A save interrupted at any write of its commit (the process killed before the write, the
// write cut short, or cut at a sector boundary as a power loss leaves it) leaves a file that
// opens, plays and holds the old or the new tags, and that the next save changes as asked.
#include "mp4testutil.h"

#include "mp4/filehandle.h"
#include "mp4/log.h"

#include <QFileInfo>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/wait.h>
#include <unistd.h>

using namespace mp4test;
using testsupport::MovieFactory;
using testsupport::MovieRecipe;

namespace {

enum class Fault { None, KillBefore, CutShort, CutAtSector };

constexpr std::uint64_t kSector = 512;

// Saves a title, chapters and a subtitle track in place of any other; the fault strikes at
// write `at`.
// Returns the writes the save made (offset and length; a resize has length 0).
using Writes = std::vector<std::pair<std::uint64_t, std::size_t>>;
Writes save(const QString& file, Fault fault, int at, const std::string& title = "New")
{
    Writes calls;
    mp4::FileHandle::setWriteHook([&](std::uint64_t offset, std::size_t length) -> std::size_t {
        const int call = static_cast<int>(calls.size());
        calls.emplace_back(offset, length);
        if (call < at || fault == Fault::None) {
            return length;
        }
        if (fault == Fault::KillBefore || call > at) {
            _exit(0);
        }
        if (fault == Fault::CutAtSector) {
            // What reaches the disk: the write up to the end of its first sector.
            return static_cast<std::size_t>(std::min<std::uint64_t>(length, kSector - offset % kSector));
        }
        return length / 2;
    });
    auto movie = mp4::MovieFile::openForModify(fsPath(file));
    if (movie) {
        mp4::Tags tags = movie->tags();
        tags.name = title;
        (void)movie->setTags(tags);
        (void)movie->setChapters({{800, "One"}, {1200, "Two"}});
        for (const auto& t : movie->tracks()) {
            if (t.type == mp4::FourCC("sbtl")) {
                (void)movie->deleteTrack(t.id);  // replaced, as a record's subtitle is
            }
        }
        auto id = movie->addSubtitleTrack(1000, 320, 36);
        if (id) {
            const std::vector<std::uint8_t> hello{0, 5, 'H', 'e', 'l', 'l', 'o'};
            (void)movie->writeSample(*id, hello, 1000);
        }
        (void)movie->close();
    }
    mp4::FileHandle::setWriteHook({});
    return calls;
}

// The next save after an interruption: another title and a cover too large for the room the
// interrupted save used. Empty when it succeeded, else why not.
std::string saveAgain(const QString& file)
{
    auto movie = mp4::MovieFile::openForModify(fsPath(file));
    if (!movie) {
        return "opening: " + movie.error().message;
    }
    mp4::Tags tags = movie->tags();
    tags.name = "Second";
    tags.artwork = {{mp4::Bytes(20000, 0x5A), mp4::ArtworkType::Jpeg}};
    if (auto r = movie->setTags(tags); !r) {
        return "tags: " + r.error().message;
    }
    auto closed = movie->close();
    return closed ? std::string() : "closing: " + closed.error().message;
}

void saveInChild(const QString& file, Fault fault, int at)
{
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        mp4::setLogSink([](std::string_view) {});
        save(file, fault, at);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
}

void expectOldOrNew(MovieFactory& factory, const QString& file, const QStringList& packets, const std::string& where)
{
    auto movie = mp4::MovieFile::openForRead(fsPath(file));
    ASSERT_TRUE(movie) << where;
    const auto name = movie->tags().name.value_or("");
    EXPECT_TRUE(name == "Old" || name == "New") << where << " title " << name;
    if (name == "New") {
        EXPECT_EQ(movie->chapters()->size(), 2u) << where;
    }
    EXPECT_EQ(factory.mediaPacketChecksums(file), packets) << where;
    EXPECT_TRUE(factory.decodeErrors(file).isEmpty()) << where;
}

void expectSavedAgain(MovieFactory& factory, const QString& file, const std::string& where)
{
    ASSERT_EQ(saveAgain(file), "") << where;
    EXPECT_EQ(openRead(file).tags().name, "Second") << where;
    EXPECT_EQ(factory.ffprobe(file)["format"].toObject()["tags"].toObject()["title"].toString(), "Second") << where;
}

QByteArray freeBox(std::uint64_t size)
{
    const mp4::Bytes bytes = mp4::Box::leaf(mp4::FourCC("free"), mp4::Bytes(size - 8)).serialize();
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// A copy of `source` (moov last) whose moov is grown by a free box inside it, so that the file
// ends `remainder` bytes past a sector boundary.
QString endingAt(MovieFactory& factory, const QString& source, const QString& name, std::uint64_t remainder)
{
    const QString file = factory.copy(source, name);
    mp4::Box moov = moovTree(file);
    const auto size = static_cast<std::uint64_t>(QFileInfo(file).size());
    const std::uint64_t grow = 8 + (remainder + 2 * kSector - (size + 8) % kSector) % kSector;
    moov.children.push_back(mp4::Box::leaf(mp4::FourCC("free"), mp4::Bytes(grow - 8)));
    EXPECT_TRUE(replaceLastMoov(file, moov));
    return file;
}

// `source` followed by a free box `missing` bytes smaller than the save of this test needs.
QString withTailShortBy(MovieFactory& factory, const QString& source, const QString& name, std::uint64_t missing)
{
    const QString probe = factory.copy(source, "needs.mp4");
    save(probe, Fault::None, -1);
    // That save went to new space at the end: its new mdat, then its new moov.
    const auto boxes = topLevel(probe);
    const auto mdat = std::find_if(boxes.rbegin(), boxes.rend(),
                                   [](const mp4::TopLevelBox& b) { return b.type == mp4::FourCC("mdat"); });
    const std::uint64_t needed = mdat == boxes.rend() ? 0 : QFileInfo(probe).size() - mdat->offset;
    EXPECT_GT(needed, missing + 8);
    return factory.writeFile(name, readAll(source) + freeBox(needed - missing));
}

}  // namespace

TEST(Crash, InterruptedCommitLeavesOldOrNewFileThatSavesAgain)
{
    MovieFactory factory;
    MovieRecipe recipe;
    recipe.metadata = {{"title", "Old"}};
    recipe.chapters = {{"Old chapter", 0, 2000}};
    const QString fresh = factory.make(recipe, "fresh.mp4");
    // A file saved before has dead space after its media.
    const QString saved = factory.copy(fresh, "saved.mp4");
    {
        auto movie = openModify(saved);
        mp4::Tags tags;
        tags.name = "Old";
        ASSERT_TRUE(movie.setTags(tags));
        ASSERT_TRUE(movie.close());
    }
    // Saved twice like this, the next save fits into the hole the first one left.
    const QString holed = factory.copy(fresh, "holed.mp4");
    save(holed, Fault::None, -1, "Old");
    save(holed, Fault::None, -1, "Old");
    // Room behind the moov in front of the media: the save goes there, the next one (with a
    // large cover) does not fit and goes to the end.
    MovieRecipe reserving = recipe;
    reserving.reservedMoovBytes = 12000;
    const QString reserved = factory.make(reserving, "reserved.mp4");
    // New space at the end starts 3 bytes before a sector boundary; so does a dead tail, whose
    // size torn across that boundary would read as 3.
    const QString edge = endingAt(factory, fresh, "edge.mp4", kSector - 3);
    const QString tailAtEdge = factory.writeFile("tailedge.mp4", readAll(edge) + freeBox(8192 + 3));
    // A dead tail 3 bytes short of what the save needs: the file grows by a few bytes.
    const QString shortTail = withTailShortBy(factory, endingAt(factory, fresh, "even.mp4", 100), "shorttail.mp4", 3);
    mp4::setLogSink([](std::string_view) {});
    for (const QString& original : {fresh, saved, holed, reserved, edge, tailAtEdge, shortTail}) {
        const QStringList packets = factory.mediaPacketChecksums(original);
        const QString probe = factory.copy(original, "count.mp4");
        const Writes made = save(probe, Fault::None, -1);
        const int writes = static_cast<int>(made.size());
        ASSERT_GE(writes, 5) << QFileInfo(original).fileName().toStdString();
        if (original == holed) {
            EXPECT_LE(QFileInfo(probe).size(), QFileInfo(original).size());
        }
        int sawNew = 0;
        for (Fault fault : {Fault::KillBefore, Fault::CutShort, Fault::CutAtSector}) {
            for (int at = 0; at <= writes; ++at) {
                const bool crossesSector = at < writes && made[at].second != 0 &&
                                           made[at].first / kSector != (made[at].first + made[at].second - 1) / kSector;
                if (fault == Fault::CutAtSector && !crossesSector) {
                    continue;  // the same as killing the save before the next write
                }
                const QString file = factory.copy(original, "crash.mp4");
                saveInChild(file, fault, at);
                const std::string where = QFileInfo(original).fileName().toStdString() + " fault " +
                                          std::to_string(static_cast<int>(fault)) + " at write " + std::to_string(at);
                expectOldOrNew(factory, file, packets, where);
                sawNew += openRead(file).tags().name == "New" ? 1 : 0;
                expectSavedAgain(factory, file, where);
            }
        }
        EXPECT_GE(sawNew, 2);  // the last write points commit the new tags
    }
    mp4::setLogSink({});
}
