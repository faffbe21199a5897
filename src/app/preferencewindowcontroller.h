#pragma once

#include "app/fieldlisttokendelegate.h"

#include <QDialog>
#include <QString>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class TokenField;

namespace Ui {
class PreferenceWindowController;
}

// The preferences window. Its controls are bound to the settings they show
// (the form names each control's key); the code adds the rules that binding
// cannot: the file-name pattern must name the title and is normalised before
// it is stored, the working folder is chosen in a folder panel, and the
// window does not close without a working folder while saving renames files
// or writes Plex files. Run it with exec(); closing stores the pattern and
// ends the run.
class PreferenceWindowController : public QDialog {
    Q_OBJECT
public:
    explicit PreferenceWindowController(QWidget* parent = nullptr);
    ~PreferenceWindowController() override;

    // Not empty and naming "title" or "titel" in any letter case.
    static bool isValidPattern(const QString& pattern);
    // Lower case, with every ":" and "/" replaced by a blank.
    static QString normalizedPattern(const QString& pattern);

    QLineEdit* placeholderTextField() const;
    QLabel* workingDirectoryLabel() const;
    QPushButton* selectWorkingDirectoryButton() const;
    TokenField* protectedFieldsTokenField() const;

public slots:
    // Validates, normalises and stores the pattern in the editor; a refused
    // pattern brings the stored one back after an alert.
    void placeholderTextFieldChanged();
    // Asks for a folder; the folder that already is the working folder
    // stores nothing.
    void selectWorkingDirectory();
    // The close rule; shows its alert and answers false when the window must stay.
    bool windowShouldClose();
    // Stores the pattern and ends the window's run (the close rule is not applied here).
    void closeButtonPressed();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Escape closes through the close rule as well.
    void reject() override;

private:
    void bindSettings();
    void fillChoices();
    void bindProtectedFields();
    void showWorkingDirectory();

    std::unique_ptr<Ui::PreferenceWindowController> m_ui;
    FieldListTokenDelegate m_tokenDelegate;
    bool m_checkingPattern = false;
};
