#include "platform/pumpevents.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

// Ends every running event loop should a slice never end, so a fault shows as
// a failure instead of a hung test.
class Watchdog {
public:
    Watchdog()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [] {
            ADD_FAILURE() << "pumpEvents did not return";
            QCoreApplication::exit(1);
        });
        m_timer.start(5000);
    }

private:
    QTimer m_timer;
};

}  // namespace

TEST(PumpEvents, DeliversQueuedWorkAndReturns)
{
    Watchdog watchdog;
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    QElapsedTimer clock;
    clock.start();
    platform::pumpEvents(0.05);
    EXPECT_TRUE(ran);
    EXPECT_GE(clock.elapsed(), 40);
}

TEST(PumpEvents, OddSlicesStillReturn)
{
    Watchdog watchdog;
    platform::pumpEvents(0.0);
    platform::pumpEvents(-1.0);
    platform::pumpEvents(std::nan(""));
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    platform::pumpEvents(-std::numeric_limits<double>::infinity());
    EXPECT_TRUE(ran);
}
