#include "app/messageboxalerts.h"

#include "platform/localized.h"

#include <QPushButton>

void MessageBoxAlerts::showAlert(const QString& headerKey, const QString& bodyKey)
{
    makeAlertBox(headerKey, bodyKey)->exec();
}

std::unique_ptr<QMessageBox> MessageBoxAlerts::makeAlertBox(const QString& headerKey, const QString& bodyKey)
{
    auto box = std::make_unique<QMessageBox>();
    box->setIcon(QMessageBox::Warning);
    box->setWindowModality(Qt::ApplicationModal);
    box->setText(platform::localized(headerKey));
    box->setInformativeText(platform::localized(bodyKey));
    box->addButton(platform::localized(QStringLiteral("OK")), QMessageBox::AcceptRole);
    return box;
}
