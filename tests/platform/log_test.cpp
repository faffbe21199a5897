#include "platform/log.h"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

using platform::LogCapture;

TEST(Log, CaptureTakesExactLinesAndRestoresThePreviousSink)
{
    LogCapture outer;
    platform::log("first");
    {
        LogCapture inner;
        platform::log("readTMDBInformation: TMDbMovieNotFound: movie not found: Heat");
        EXPECT_EQ(inner.lines(), QStringList{"readTMDBInformation: TMDbMovieNotFound: movie not found: Heat"});
        EXPECT_TRUE(inner.contains("readTMDBInformation: TMDbMovieNotFound: movie not found: Heat"));
    }
    platform::log("second");
    EXPECT_EQ(outer.lines(), (QStringList{"first", "second"}));
    outer.clear();
    EXPECT_TRUE(outer.lines().isEmpty());
}

TEST(Log, LinesFromOtherThreadsAreAllKept)
{
    LogCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 250; ++i)
                platform::log(QStringLiteral("thread %1 line %2").arg(t).arg(i));
        });
    for (std::thread& thread : threads)
        thread.join();
    const QStringList lines = capture.lines();
    EXPECT_EQ(lines.size(), 1000);
    EXPECT_TRUE(lines.contains("thread 3 line 249"));
}

TEST(Log, SetLogSinkHandsBackThePreviousOne)
{
    QStringList seen;
    platform::LogSink previous = platform::setLogSink([&](const QString& line) { seen << line; });
    platform::log("to the sink");
    platform::LogSink mine = platform::setLogSink(previous);
    platform::log("not to the sink");
    EXPECT_EQ(seen, QStringList{"to the sink"});
    EXPECT_TRUE(static_cast<bool>(mine));
}
