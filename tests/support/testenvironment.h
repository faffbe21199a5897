#pragma once

#include "platform/settings.h"
#include "support/windowmanagerdisplay.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace testsupport {

// How long a test waits for a window to be shown, activated or changed: a loaded machine can
// take seconds to map one, and a wait that ends early fails a sound test by chance.
constexpr int kWindowWaitMs = 60000;

// Points HOME and the XDG folders into `home`, picks the offscreen platform
// unless one is set, and clears the service variables, so that tests never
// reach the user's settings, files or the real services.
void isolateEnvironment(const QString& home);

// Every test executable's main: isolates the environment, starts the window
// manager display when one is asked for, makes the Qt application object
// (`Application` is QGuiApplication, or QApplication for tests of widgets)
// and runs the tests.
template <typename Application>
int runTests(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    isolateEnvironment(home.path());
    const std::unique_ptr<WindowManagerDisplay> display = startAskedWindowManagerDisplay();
    Application app(argc, argv);
    platform::Settings::useFolder(home.path() + "/config/korvalane");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

}  // namespace testsupport
