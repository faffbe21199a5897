#include "app/savemovielistwindowcontroller.h"

#include "app/localizedform.h"
#include "app/progressbarindicator.h"
#include "online/webtransport.h"
#include "platform/notificationcenter.h"
#include "ui_savemovielistwindowcontroller.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace {

// The current record's bar counts in thousandths: file sizes pass the bar's int range.
constexpr int kMovieSteps = 1000;

}  // namespace

SaveMovieListWindowController::SaveMovieListWindowController(QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Sheet), m_ui(std::make_unique<Ui::SaveMovieListWindowController>())
{
    m_ui->setupUi(this);
    localizeForm(this);
    m_movieProgress = std::make_unique<ProgressBarIndicator>(*m_ui->movieProgressIndicator);
    setWindowModality(Qt::WindowModal);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &SaveMovieListWindowController::closeProgressSheet);
    windowDidLoad();
}

SaveMovieListWindowController::~SaveMovieListWindowController() = default;

void SaveMovieListWindowController::windowDidLoad()
{
    m_abort = false;
    m_bytesWritten = 0;
    m_fileSize = 0;
    m_fileNumber = 0;
    m_filesWritten = 0;
    m_ui->movieProgressIndicator->setRange(0, kMovieSteps);
    m_ui->movieProgressIndicator->setValue(0);
    m_ui->moviesProgressIndicator->setRange(0, 0);
    m_ui->moviesProgressIndicator->setValue(0);
    showCurrentProgress();
}

QPushButton* SaveMovieListWindowController::cancelButton() const
{
    return m_ui->cancelButton;
}

QLabel* SaveMovieListWindowController::movieNameTextField() const
{
    return m_ui->movieNameTextField;
}

QProgressBar* SaveMovieListWindowController::movieProgressIndicator() const
{
    return m_ui->movieProgressIndicator;
}

QProgressBar* SaveMovieListWindowController::moviesProgressIndicator() const
{
    return m_ui->moviesProgressIndicator;
}

void SaveMovieListWindowController::setBytesWritten(std::optional<qint64> bytes)
{
    m_bytesWritten = bytes;
    showCurrentProgress();
}

void SaveMovieListWindowController::setFileSize(qint64 size)
{
    m_fileSize = size;
    showCurrentProgress();
}

void SaveMovieListWindowController::setFileNumber(qint64 number)
{
    m_fileNumber = number;
    m_ui->moviesProgressIndicator->setRange(0, int(std::clamp<qint64>(number, 0, std::numeric_limits<int>::max())));
}

void SaveMovieListWindowController::setFilesWritten(qint64 written)
{
    m_filesWritten = written;
    setOverallProgress(double(written));
}

void SaveMovieListWindowController::setOverallProgress(double value)
{
    m_ui->moviesProgressIndicator->setValue(int(qBound(0.0, value, double(m_ui->moviesProgressIndicator->maximum()))));
}

bool SaveMovieListWindowController::enableCancelButton() const
{
    return m_bytesWritten && *m_bytesWritten < m_fileSize;
}

void SaveMovieListWindowController::showCurrentProgress()
{
    m_ui->cancelButton->setEnabled(enableCancelButton());
    // Only a copy has a size; the batch search drives the bar as a lookup's indicator.
    if (m_fileSize > 0 && m_bytesWritten && *m_bytesWritten >= 0) {
        const double share = qBound(0.0, double(*m_bytesWritten) / double(m_fileSize), 1.0);
        m_ui->movieProgressIndicator->setRange(0, kMovieSteps);
        m_ui->movieProgressIndicator->setValue(int(share * kMovieSteps));
    }
}

void SaveMovieListWindowController::runModalSession()
{
    QCoreApplication::processEvents();
}

bool SaveMovieListWindowController::sessionContinues() const
{
    return !m_ended && isVisible();
}

void SaveMovieListWindowController::endSheet()
{
    m_ended = true;
    done(QDialog::Accepted);
}

void SaveMovieListWindowController::closeProgressSheet()
{
    m_abort = true;
    platform::NotificationCenter::defaultCenter().post(QString::fromLatin1(kWebRequestAbortNotification), this);
}

void SaveMovieListWindowController::reject()
{
    if (m_ended) {
        QDialog::reject();
        return;
    }
    if (enableCancelButton())
        closeProgressSheet();
}
