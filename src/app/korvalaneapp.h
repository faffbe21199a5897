#pragma once

#include "app/appdelegate.h"
#include "app/korvalanecontroller.h"
#include "app/messageboxalerts.h"
#include "tagging/mp4logbridge.h"

#include <QStringList>

#include <memory>

// The running application besides its QApplication: alerts as message
// boxes, the file library's log joined to ours, the settings' defaults, the
// main window's controller and the application's delegate, set up in that
// order. The program's entry makes one; so can a program that drives the
// real application (the screenshot maker).
class KorvalaneApp {
public:
    KorvalaneApp();
    ~KorvalaneApp();
    KorvalaneApp(const KorvalaneApp&) = delete;
    KorvalaneApp& operator=(const KorvalaneApp&) = delete;

    // Shows the main window, opens `paths` (files handed over on the command
    // line) and finishes launching once the window is on the screen.
    void launch(const QStringList& paths);

    KorvalaneController& controller() const { return *m_controller; }
    AppDelegate& delegate() const { return *m_delegate; }

private:
    MessageBoxAlerts m_alerts;
    Mp4LogBridge m_fileLibraryLog;
    std::unique_ptr<KorvalaneController> m_controller;
    std::unique_ptr<AppDelegate> m_delegate;
};
