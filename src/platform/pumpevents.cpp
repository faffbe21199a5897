#include "pumpevents.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace platform {

namespace {

std::atomic<double> g_sliceScale{1.0};

// A timer never fires for a negative interval, which would leave the loop
// running for good; an interval beyond the timer's range would wrap.
int sliceMilliseconds(double seconds)
{
    constexpr double longestSlice = 24.0 * 3600.0 * 1000.0;
    if (!(seconds > 0.0))
        return 0;
    return static_cast<int>(std::lround(std::min(seconds * 1000.0, longestSlice)));
}

}  // namespace

void setPumpSliceScale(double scale)
{
    g_sliceScale.store(scale);
}

double pumpSliceScale()
{
    return g_sliceScale.load();
}

void pumpEvents(double seconds)
{
    if (!QCoreApplication::instance())
        return;
    QEventLoop loop;
    QTimer::singleShot(sliceMilliseconds(seconds * pumpSliceScale()), &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace platform
