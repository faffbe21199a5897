#pragma once

#include "app/korvalanecontroller.h"
#include "app/savemovielistwindowcontroller.h"

#include <QMainWindow>
#include <QTimer>

#include <functional>

namespace testsupport {

// Runs `step` on the progress sheet at every event-loop turn while one is
// open on the controller's main window, so a test can act during a command.
inline void watchSheet(KorvalaneController& controller, std::function<void(SaveMovieListWindowController&)> step)
{
    auto* timer = new QTimer(controller.mainWindow());
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [&controller, step] {
        if (auto* sheet = controller.mainWindow()->findChild<SaveMovieListWindowController*>())
            step(*sheet);
    });
    timer->start();
}

}  // namespace testsupport
