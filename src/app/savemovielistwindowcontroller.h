#pragma once

#include "platform/modalsession.h"

#include <QDialog>

#include <memory>
#include <optional>

class ProgressBarIndicator;
class QLabel;
class QProgressBar;
class QPushButton;

namespace Ui {
class SaveMovieListWindowController;
}

// The progress sheet of save-as and of the batch search: a window-modal
// dialog over the main window that shows the movie being worked on, its
// progress and the progress over all records, with a cancel button. It is
// also the commands' modal session: pumping it keeps the button live.
//
// Cancel only raises `abort` and posts "WebRequestAbortNotification"; the
// command that runs notices, ends its work and closes the sheet. A new sheet
// is made for every run.
class SaveMovieListWindowController : public QDialog, public platform::ModalSession {
    Q_OBJECT
public:
    explicit SaveMovieListWindowController(QWidget* mainWindow);
    ~SaveMovieListWindowController() override;

    QPushButton* cancelButton() const;
    QLabel* movieNameTextField() const;
    QProgressBar* movieProgressIndicator() const;
    QProgressBar* moviesProgressIndicator() const;
    // The current record's bar as a lookup drives it.
    ProgressBarIndicator& movieProgress() const { return *m_movieProgress; }

    bool abort() const { return m_abort; }
    void setAbort(bool abort) { m_abort = abort; }
    // Bytes of the current file done; the batch search uses -1 (running) and 0 (stopped).
    std::optional<qint64> bytesWritten() const { return m_bytesWritten; }
    void setBytesWritten(std::optional<qint64> bytes);
    qint64 fileSize() const { return m_fileSize; }
    void setFileSize(qint64 size);
    qint64 fileNumber() const { return m_fileNumber; }
    void setFileNumber(qint64 number);
    qint64 filesWritten() const { return m_filesWritten; }
    void setFilesWritten(qint64 written);
    // Sets the overall bar without touching filesWritten.
    void setOverallProgress(double value);
    // Cancel makes sense exactly while the current work is short of its size.
    bool enableCancelButton() const;

    // One turn for the events pending while a command works.
    void runModalSession() override;
    // Whether the session still runs: false once the sheet has gone.
    bool sessionContinues() const;
    // Ends the run's session and the sheet.
    void endSheet();

public slots:
    // The cancel button: marks the run aborted and stops its web requests.
    void closeProgressSheet();
    // Escape or the window's close button count as cancel; the command closes the sheet.
    void reject() override;

private:
    void windowDidLoad();
    void showCurrentProgress();

    std::unique_ptr<Ui::SaveMovieListWindowController> m_ui;
    std::unique_ptr<ProgressBarIndicator> m_movieProgress;
    bool m_abort = false;
    std::optional<qint64> m_bytesWritten;
    qint64 m_fileSize = 0;
    qint64 m_fileNumber = 0;
    qint64 m_filesWritten = 0;
    bool m_ended = false;
};
