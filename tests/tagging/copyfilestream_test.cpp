#include "tagging/copyfilestream.h"

#include "platform/pumpevents.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

constexpr qint64 chunk = CopyFileStream::chunkSize;

bool isOver(const CopyFileStream& copy)
{
    return copy.status() == CopyFileStream::Cancelled || copy.status() == CopyFileStream::Error ||
           copy.status() == CopyFileStream::Finished;
}

// Turns the event loop one event at a time and notes every byte count seen.
QList<quint64> runToEnd(CopyFileStream& copy)
{
    QList<quint64> seen;
    for (int turn = 0; turn < 100000 && !isOver(copy); ++turn) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (seen.isEmpty() || seen.last() != copy.bytesWritten())
            seen << copy.bytesWritten();
    }
    return seen;
}

QByteArray patterned(qint64 size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        data[i] = static_cast<char>((i * 131 + i / 7) & 0xff);
    return data;
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class CopyFileStreamTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QUrl url(const QString& name) const { return QUrl::fromLocalFile(path(name)); }
    QTemporaryDir m_dir;
};

TEST_F(CopyFileStreamTest, StartsIdleAndOnlyMovesDataFromTheEventLoop)
{
    ASSERT_TRUE(writeFile(path("in.bin"), patterned(1000)));
    CopyFileStream copy(url("in.bin"), url("out.bin"));
    EXPECT_EQ(copy.status(), CopyFileStream::Idle);
    EXPECT_EQ(copy.fileSize(), 0u);
    copy.start();
    EXPECT_EQ(copy.status(), CopyFileStream::Idle);
    EXPECT_EQ(copy.fileSize(), 1000u);
    EXPECT_EQ(copy.bytesWritten(), 0u);
    runToEnd(copy);
    EXPECT_EQ(copy.status(), CopyFileStream::Finished);
    EXPECT_EQ(readFile(path("out.bin")), patterned(1000));
}

TEST_F(CopyFileStreamTest, GoesFromOpenedThroughCopyingToFinished)
{
    ASSERT_TRUE(writeFile(path("in.bin"), patterned(chunk * 2)));
    CopyFileStream copy(url("in.bin"), url("out.bin"));
    copy.start();
    QList<qint64> statuses{copy.status()};
    for (int turn = 0; turn < 1000 && !isOver(copy); ++turn) {
        QCoreApplication::processEvents();
        if (statuses.last() != copy.status())
            statuses << copy.status();
    }
    EXPECT_EQ(statuses, (QList<qint64>{CopyFileStream::Idle, CopyFileStream::Opened, CopyFileStream::Copying,
                                       CopyFileStream::Finished}));
    // Finished stays finished, and a finished copy does not start again.
    copy.start();
    platform::pumpEvents(0.01);
    EXPECT_EQ(copy.status(), CopyFileStream::Finished);
    EXPECT_EQ(copy.bytesWritten(), quint64(chunk * 2));
}

TEST_F(CopyFileStreamTest, EmptySourceGivesEmptyDestination)
{
    ASSERT_TRUE(writeFile(path("empty.bin"), {}));
    CopyFileStream copy(url("empty.bin"), url("out.bin"));
    copy.start();
    runToEnd(copy);
    EXPECT_EQ(copy.status(), CopyFileStream::Finished);
    EXPECT_EQ(copy.bytesWritten(), 0u);
    ASSERT_TRUE(QFileInfo::exists(path("out.bin")));
    EXPECT_EQ(QFileInfo(path("out.bin")).size(), 0);
}

TEST_F(CopyFileStreamTest, MovesOneChunkPerTurnAndTheRestInALastChunk)
{
    const QByteArray data = patterned(chunk + 1);
    ASSERT_TRUE(writeFile(path("in.bin"), data));
    CopyFileStream copy(url("in.bin"), url("out.bin"));
    copy.start();
    const QList<quint64> seen = runToEnd(copy);
    EXPECT_EQ(copy.status(), CopyFileStream::Finished);
    EXPECT_EQ(seen, (QList<quint64>{0, quint64(chunk), quint64(chunk + 1)}));
    EXPECT_EQ(copy.bytesWritten(), copy.fileSize());
    EXPECT_EQ(readFile(path("out.bin")), data);
}

TEST_F(CopyFileStreamTest, ReplacesALongerDestinationFromItsStart)
{
    ASSERT_TRUE(writeFile(path("in.bin"), "short"));
    ASSERT_TRUE(writeFile(path("out.bin"), patterned(5000)));
    CopyFileStream copy(url("in.bin"), url("out.bin"));
    copy.start();
    runToEnd(copy);
    EXPECT_EQ(copy.status(), CopyFileStream::Finished);
    EXPECT_EQ(readFile(path("out.bin")), QByteArray("short"));
}

TEST_F(CopyFileStreamTest, MissingSourceEndsInError)
{
    CopyFileStream copy(url("missing.bin"), url("out.bin"));
    copy.start();
    EXPECT_EQ(copy.fileSize(), 0u);
    runToEnd(copy);
    EXPECT_EQ(copy.status(), CopyFileStream::Error);
    EXPECT_EQ(copy.bytesWritten(), 0u);
}

TEST_F(CopyFileStreamTest, UnwritableDestinationEndsInErrorAndADirectoryIsNeverRemoved)
{
    ASSERT_TRUE(writeFile(path("in.bin"), patterned(chunk * 3)));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder"));
    CopyFileStream copy(url("in.bin"), url("folder"));
    copy.start();
    runToEnd(copy);
    EXPECT_EQ(copy.status(), CopyFileStream::Error);
    EXPECT_EQ(copy.bytesWritten(), 0u);
    copy.cancel();
    EXPECT_EQ(copy.status(), CopyFileStream::Cancelled);
    EXPECT_TRUE(QFileInfo(path("folder")).isDir());
}

TEST_F(CopyFileStreamTest, AWriteThatFailsHalfWayEndsInError)
{
    if (!QFileInfo::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    ASSERT_TRUE(writeFile(path("in.bin"), patterned(chunk * 3)));
    CopyFileStream copy(url("in.bin"), QUrl::fromLocalFile("/dev/full"));
    copy.start();
    runToEnd(copy);
    EXPECT_EQ(copy.status(), CopyFileStream::Error);
    EXPECT_EQ(copy.bytesWritten(), 0u);
}

TEST_F(CopyFileStreamTest, DestinationInAMissingFolderEndsInError)
{
    ASSERT_TRUE(writeFile(path("in.bin"), patterned(100)));
    CopyFileStream copy(url("in.bin"), url("nowhere/out.bin"));
    copy.start();
    runToEnd(copy);
    EXPECT_EQ(copy.status(), CopyFileStream::Error);
}

TEST_F(CopyFileStreamTest, CopyOntoItselfFailsAndKeepsTheSource)
{
    const QByteArray data = patterned(chunk * 2);
    ASSERT_TRUE(writeFile(path("in.bin"), data));
    CopyFileStream copy(url("in.bin"), QUrl::fromLocalFile(m_dir.path() + "/./in.bin"));
    copy.start();
    runToEnd(copy);
    EXPECT_EQ(copy.status(), CopyFileStream::Error);
    copy.cancel();
    EXPECT_EQ(readFile(path("in.bin")), data);
}

TEST_F(CopyFileStreamTest, CancelRemovesThePartialCopyAndKeepsTheCount)
{
    ASSERT_TRUE(writeFile(path("in.bin"), patterned(chunk * 10)));
    CopyFileStream copy(url("in.bin"), url("out.bin"));
    copy.start();
    while (copy.bytesWritten() < quint64(chunk * 3) && !isOver(copy))
        QCoreApplication::processEvents();
    ASSERT_EQ(copy.status(), CopyFileStream::Copying);
    const quint64 reached = copy.bytesWritten();
    copy.cancel();
    EXPECT_EQ(copy.status(), CopyFileStream::Cancelled);
    EXPECT_EQ(copy.bytesWritten(), reached);
    EXPECT_FALSE(QFileInfo::exists(path("out.bin")));
    EXPECT_TRUE(copy.destinationUrl().isEmpty());
    // Nothing moves after a cancel, and a second cancel removes nothing more.
    ASSERT_TRUE(writeFile(path("out.bin"), "someone else's"));
    platform::pumpEvents(0.02);
    copy.cancel();
    EXPECT_EQ(copy.bytesWritten(), reached);
    EXPECT_EQ(readFile(path("out.bin")), QByteArray("someone else's"));
}

TEST_F(CopyFileStreamTest, CancelRightAfterStartLeavesNoFile)
{
    ASSERT_TRUE(writeFile(path("in.bin"), patterned(100)));
    CopyFileStream copy(url("in.bin"), url("out.bin"));
    copy.start();
    copy.cancel();
    EXPECT_FALSE(QFileInfo::exists(path("out.bin")));
    platform::pumpEvents(0.01);
    EXPECT_EQ(copy.status(), CopyFileStream::Cancelled);
    EXPECT_FALSE(QFileInfo::exists(path("out.bin")));
}

// A large sparse file: the count grows while the loop runs in slices, other
// timers keep firing, and the copy is byte for byte; a cancel half way
// through leaves nothing behind.
class LargeCopyTest : public CopyFileStreamTest {
protected:
    static constexpr qint64 size = qint64(2) << 30;

    void SetUp() override
    {
        // The copy is written out in full; a nearly full disk can't take it.
        if (QStorageInfo(m_dir.path()).bytesAvailable() < size + (qint64(512) << 20))
            GTEST_SKIP() << "needs 2.5 GiB of free disk space for the copy";
        QFile file(path("large.bin"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(size));
        for (qint64 offset : m_markers) {
            ASSERT_TRUE(file.seek(offset));
            ASSERT_EQ(file.write(marker(offset)), 8);
        }
    }

    static QByteArray marker(qint64 offset) { return QByteArray::number(offset % 99999989, 16).rightJustified(8, 'x'); }

    const QList<qint64> m_markers{0, chunk - 3, size / 2 + 12345, size - 8};
};

TEST_F(LargeCopyTest, CopiesTwoGibibytesWhileTheLoopStaysLive)
{
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(5);

    CopyFileStream copy(url("large.bin"), url("copy.bin"));
    copy.start();
    EXPECT_EQ(copy.fileSize(), quint64(size));
    QList<quint64> progress;
    QList<int> ticksSeen;
    while (!isOver(copy)) {
        platform::pumpEvents(0.05);
        progress << copy.bytesWritten();
        ticksSeen << ticks;
    }
    ASSERT_EQ(copy.status(), CopyFileStream::Finished);
    EXPECT_EQ(copy.bytesWritten(), quint64(size));
    EXPECT_GE(progress.size(), 3);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_LT(progress.first(), quint64(size));
    // The other timer fired between the slices of the copy, not only at its end.
    EXPECT_GT(ticksSeen.first(), 0);

    QFile out(path("copy.bin"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.size(), size);
    for (qint64 offset : m_markers) {
        ASSERT_TRUE(out.seek(offset));
        EXPECT_EQ(out.read(8), marker(offset)) << offset;
    }
    ASSERT_TRUE(out.seek(size / 4));
    EXPECT_EQ(out.read(16), QByteArray(16, '\0'));
}

TEST_F(LargeCopyTest, CancelHalfWayLeavesNoPartialFile)
{
    CopyFileStream copy(url("large.bin"), url("copy.bin"));
    copy.start();
    while (!isOver(copy) && copy.bytesWritten() < quint64(size / 8))
        platform::pumpEvents(0.01);
    ASSERT_EQ(copy.status(), CopyFileStream::Copying);
    EXPECT_TRUE(QFileInfo::exists(path("copy.bin")));
    copy.cancel();
    EXPECT_EQ(copy.status(), CopyFileStream::Cancelled);
    EXPECT_FALSE(QFileInfo::exists(path("copy.bin")));
    EXPECT_GE(copy.bytesWritten(), quint64(size / 8));
    EXPECT_LT(copy.bytesWritten(), quint64(size));
    EXPECT_EQ(QFileInfo(path("large.bin")).size(), size);
}

}  // namespace
