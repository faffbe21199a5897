#include "app/messageboxalerts.h"

#include "platform/localized.h"

#include <QPushButton>

namespace {

std::unique_ptr<QMessageBox> makeBox(const platform::Alert& alert, QMessageBox::Icon icon)
{
    auto box = std::make_unique<QMessageBox>();
    box->setIcon(icon);
    box->setWindowModality(Qt::ApplicationModal);
    box->setText(alert.headerText());
    box->setInformativeText(alert.bodyText());
    // A path can be copied from the details.
    box->setDetailedText(alert.details);
    return box;
}

}  // namespace

void MessageBoxAlerts::show(const platform::Alert& alert)
{
    makeAlertBox(alert)->exec();
}

platform::SaveChoice MessageBoxAlerts::askToSave(const platform::Alert& question)
{
    const std::unique_ptr<QMessageBox> box = makeSaveQuestionBox(question);
    box->exec();
    return choiceOf(box->standardButton(box->clickedButton()));
}

std::unique_ptr<QMessageBox> MessageBoxAlerts::makeAlertBox(const platform::Alert& alert)
{
    auto box = makeBox(alert, QMessageBox::Warning);
    box->addButton(platform::localized(QStringLiteral("OK")), QMessageBox::AcceptRole);
    return box;
}

std::unique_ptr<QMessageBox> MessageBoxAlerts::makeSaveQuestionBox(const platform::Alert& question)
{
    auto box = makeBox(question, QMessageBox::Question);
    box->setStandardButtons(QMessageBox::SaveAll | QMessageBox::Discard | QMessageBox::Cancel);
    box->button(QMessageBox::SaveAll)->setText(platform::localized(QStringLiteral("saveAllButton")));
    box->button(QMessageBox::Discard)->setText(platform::localized(QStringLiteral("discardButton")));
    box->button(QMessageBox::Cancel)->setText(platform::localized(QStringLiteral("cancelButton")));
    box->setDefaultButton(QMessageBox::SaveAll);
    box->setEscapeButton(QMessageBox::Cancel);
    return box;
}

platform::SaveChoice MessageBoxAlerts::choiceOf(QMessageBox::StandardButton button)
{
    switch (button) {
        case QMessageBox::SaveAll:
            return platform::SaveChoice::SaveAll;
        case QMessageBox::Discard:
            return platform::SaveChoice::Discard;
        default:
            // Closing the box any other way changes nothing.
            return platform::SaveChoice::Cancel;
    }
}
