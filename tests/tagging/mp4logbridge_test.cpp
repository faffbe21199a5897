#include "tagging/mp4logbridge.h"

#include "mp4/log.h"
#include "platform/log.h"

#include <gtest/gtest.h>

TEST(Mp4LogBridge, LinesJoinTheLogWhileItLivesOnly)
{
    QStringList elsewhere;
    mp4::LogSink outer = mp4::setLogSink([&](std::string_view line) { elsewhere << QString::fromUtf8(line); });
    platform::LogCapture log;
    {
        const Mp4LogBridge bridge;
        mp4::log("moov box refused: größe");
    }
    mp4::log("after the bridge");
    mp4::setLogSink(std::move(outer));
    EXPECT_EQ(log.lines(), QStringList{QString::fromUtf8("moov box refused: größe")});
    EXPECT_EQ(elsewhere, QStringList{"after the bridge"});
}
