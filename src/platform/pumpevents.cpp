#include "pumpevents.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace platform {

void pumpEvents(double seconds)
{
    if (!QCoreApplication::instance())
        return;
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000.0 + 0.5), &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace platform
