// A save interrupted at any write of its commit (the process killed before the write, or
// the write cut short) leaves a file that opens, plays and holds the old or the new tags.
#include "mp4testutil.h"

#include "mp4/filehandle.h"
#include "mp4/log.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace mp4test;
using testsupport::MovieFactory;
using testsupport::MovieRecipe;

namespace {

enum class Fault { None, KillBefore, CutShort };

// Saves a title, chapters and a subtitle track in place of any other; the fault strikes at
// write `at`.
// Returns how many writes the save made.
int save(const QString& file, Fault fault, int at, const std::string& title = "New")
{
    int calls = 0;
    mp4::FileHandle::setWriteHook([&](std::uint64_t, std::size_t length) -> std::size_t {
        if (calls++ != at) {
            return length;
        }
        if (fault == Fault::KillBefore) {
            _exit(0);
        }
        return fault == Fault::CutShort ? length / 2 : length;
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

}  // namespace

TEST(Crash, InterruptedCommitLeavesOldOrNewFile)
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
    mp4::setLogSink([](std::string_view) {});
    for (const QString& original : {fresh, saved, holed}) {
        const QStringList packets = factory.mediaPacketChecksums(original);
        const QString probe = factory.copy(original, "count.mp4");
        const int writes = save(probe, Fault::None, -1);
        ASSERT_GE(writes, 6);
        if (original == holed) {
            EXPECT_LE(QFileInfo(probe).size(), QFileInfo(original).size());
        }
        int sawNew = 0;
        for (Fault fault : {Fault::KillBefore, Fault::CutShort}) {
            for (int at = 0; at <= writes; ++at) {
                const QString file = factory.copy(original, "crash.mp4");
                saveInChild(file, fault, at);
                const std::string where = QFileInfo(original).fileName().toStdString() + " fault " +
                                          std::to_string(static_cast<int>(fault)) + " at write " + std::to_string(at);
                expectOldOrNew(factory, file, packets, where);
                sawNew += openRead(file).tags().name == "New" ? 1 : 0;
            }
        }
        EXPECT_GE(sawNew, 2);  // the last write points commit the new tags
    }
    mp4::setLogSink({});
}
