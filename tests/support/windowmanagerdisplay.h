#pragma once

#include <QString>

#include <sys/types.h>

#include <memory>

namespace testsupport {

// A display of its own with a real window manager on it, as on a desktop:
// an Xvfb server with one screen and openbox framing every window. Tests of
// widgets run on it when KORVALANE_TEST_WINDOW_MANAGER names a screen size
// ("1366x768"); both programs end with it, or with the test process.
class WindowManagerDisplay {
public:
    ~WindowManagerDisplay();
    WindowManagerDisplay(const WindowManagerDisplay&) = delete;
    WindowManagerDisplay& operator=(const WindowManagerDisplay&) = delete;

    // Starts the server with a screen of `size` ("<width>x<height>") and the
    // window manager on it, and points DISPLAY and Qt's platform there. Null,
    // with the reason in `why`, when either cannot start.
    static std::unique_ptr<WindowManagerDisplay> start(const QString& size, QString* why);

    // The screen size asked for by KORVALANE_TEST_WINDOW_MANAGER; empty when none is.
    static QString askedSize();

private:
    WindowManagerDisplay() = default;

    pid_t m_server = 0;
    pid_t m_manager = 0;
};

// Runs the tests on the display asked for: starts it, or when it cannot
// start, runs them offscreen and skips every one with the reason. Call
// before the application object is made; the display lives as long as the result.
std::unique_ptr<WindowManagerDisplay> startAskedWindowManagerDisplay();

}  // namespace testsupport
