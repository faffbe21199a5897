#pragma once

#include "platform/alerts.h"

#include <QMessageBox>

#include <memory>

// Alerts as warning message boxes, modal for the whole application, with
// the header's text above the body's, the details behind their own button
// and one "OK" button; questions about unsaved work with Qt's Save All,
// Discard and Cancel buttons. The current alerts while it lives.
class MessageBoxAlerts : public platform::InstalledAlerts {
public:
    void show(const platform::Alert& alert) override;
    platform::SaveChoice askToSave(const platform::Alert& question) override;

    // The boxes show() and askToSave() run, built but not yet shown.
    static std::unique_ptr<QMessageBox> makeAlertBox(const platform::Alert& alert);
    static std::unique_ptr<QMessageBox> makeSaveQuestionBox(const platform::Alert& question);
    // The answer a button of the question box stands for.
    static platform::SaveChoice choiceOf(QMessageBox::StandardButton button);
};
