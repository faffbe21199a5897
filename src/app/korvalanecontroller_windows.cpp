// The id, tips, what's-new and preferences windows, and the main window's end.
#include "app/korvalanecontroller.h"

#include "app/preferencewindowcontroller.h"
#include "app/tipwindowcontroller.h"
#include "model/contentrating.h"
#include "platform/settings.h"

#include <QMainWindow>

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

}  // namespace

void KorvalaneController::openIDWindow()
{
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

void KorvalaneController::windowWillClose()
{
}
