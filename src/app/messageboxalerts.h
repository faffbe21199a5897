#pragma once

#include "platform/alerts.h"

#include <QMessageBox>

#include <memory>

// Alerts as warning message boxes, modal for the whole application, with
// the header's text above the body's and one "OK" button. The current
// alerts while it lives.
class MessageBoxAlerts : public platform::InstalledAlerts {
public:
    void showAlert(const QString& headerKey, const QString& bodyKey) override;

    // The box showAlert() runs, built but not yet shown.
    static std::unique_ptr<QMessageBox> makeAlertBox(const QString& headerKey, const QString& bodyKey);
};
