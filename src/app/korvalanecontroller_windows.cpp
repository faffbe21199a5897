// The id, tips, what's-new and preferences windows, and the main window's end.
#include "app/korvalanecontroller.h"

#include "app/idpanel.h"
#include "app/movielistcontroller.h"
#include "app/preferencewindowcontroller.h"
#include "app/recordeditor.h"
#include "app/tipwindowcontroller.h"
#include "model/contentrating.h"
#include "online/opensubtitleapi.h"
#include "platform/alerts.h"
#include "platform/settings.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMainWindow>

#include <functional>

namespace {

const QString kCountry = QStringLiteral("CountrySettingsForSearch");
const QString kLanguage = QStringLiteral("LanguageSettingsForSearch");
const QString kFSKRatings = QStringLiteral("UseFSKRatingsInsteadOfAbJahren");

void bringUp(QWidget* window)
{
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

// Asks the controller whether its window may close, and tells it when the
// window is about to; a refused close leaves the window as it was.
class CloseWatcher : public QObject {
public:
    CloseWatcher(QObject* parent, std::function<bool()> shouldClose, std::function<void()> willClose)
        : QObject(parent), m_shouldClose(std::move(shouldClose)), m_willClose(std::move(willClose))
    {
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Close)
            return false;
        if (!m_shouldClose()) {
            event->ignore();
            return true;
        }
        m_willClose();
        return false;
    }

private:
    std::function<bool()> m_shouldClose;
    std::function<void()> m_willClose;
};

}  // namespace

void KorvalaneController::watchMainWindowClose()
{
    m_mainWindow->installEventFilter(new CloseWatcher(
        this, [this] { return windowShouldClose(); }, [this] { windowWillClose(); }));
}

void KorvalaneController::openIDWindow()
{
    if (!m_idWindow)
        m_idWindow = new IdPanel(*m_movieListController, m_mainWindow.get());
    m_idWindow->setVisible(!m_idWindow->isVisible());
}

void KorvalaneController::openTipsWindow()
{
    bringUp(m_tipController);
}

void KorvalaneController::openWhatsNewWindow()
{
    bringUp(m_whatsNewController);
}

void KorvalaneController::preferencesMenu()
{
    const platform::Settings& settings = platform::Settings::shared();
    const QString countryBefore = settings.stringValue(kCountry);
    const bool fskBefore = settings.boolValue(kFSKRatings);
    {
        PreferenceWindowController window(m_mainWindow.get());
        window.setWindowModality(Qt::ApplicationModal);
        window.exec();
    }
    preferencesClosed(countryBefore, fskBefore);
}

void KorvalaneController::preferencesClosed(const QString& countryBefore, bool fskBefore)
{
    const platform::Settings& settings = platform::Settings::shared();
    m_languageId = settings.stringValue(kLanguage);
    const QString country = settings.stringValue(kCountry);
    // The country list offers "en" as well; its ratings are those of the United States.
    m_localeId = country == QStringLiteral("en") ? QStringLiteral("us") : country;
    if (settings.boolValue(kFSKRatings) != fskBefore || countryBefore != m_localeId) {
        m_ratingNames = ContentRating(m_localeId).ratingNames();
        emit ratingNamesChanged();
    }
    loadGenreNames();
}

bool KorvalaneController::windowShouldClose()
{
    m_recordEditor->commitEditing();
    const qsizetype unsaved = m_movieListController->readyToTagCount();
    if (unsaved == 0)
        return true;
    const platform::Alert question{
        QStringLiteral("unsavedMoviesHeader"), QStringLiteral("unsavedMoviesBody"), {QString::number(unsaved)}};
    switch (platform::Alerts::current().askToSave(question)) {
        case platform::SaveChoice::SaveAll:
            // A failed write has shown its alert; the window stays with the records.
            return saveAllRecords();
        case platform::SaveChoice::Discard:
            return true;
        case platform::SaveChoice::Cancel:
            break;
    }
    return false;
}

void KorvalaneController::windowWillClose()
{
    if (m_subtitleAPI)
        m_subtitleAPI->logOut();
    QCoreApplication::quit();
}
