// The help pages.
#include "app/korvalanecontroller.h"

#include "app/helppages.h"
#include "app/workspace.h"
#include "platform/log.h"

#include <QLocale>
#include <QUrl>

void KorvalaneController::openWebSite(const QString& addressFormat)
{
    if (addressFormat.isEmpty()) {
        platform::log(QStringLiteral("No help pages are installed"));
        return;
    }
    const QString code = HelpPages::languageCode(QLocale().uiLanguages());
    Workspace::openOrShowAddress(QUrl(addressFormat.arg(code)));
}

void KorvalaneController::openHelp()
{
    openWebSite(HelpPages::addressFormat(HelpPages::Page::HowTo));
}

void KorvalaneController::openMainWindowHelp()
{
    openWebSite(HelpPages::addressFormat(HelpPages::Page::MainWindow));
}

void KorvalaneController::openSearchWindowHelp()
{
    openWebSite(HelpPages::addressFormat(HelpPages::Page::SearchWindow));
}

void KorvalaneController::openMenuWindowHelp()
{
    openWebSite(HelpPages::addressFormat(HelpPages::Page::Menu));
}

void KorvalaneController::openSupportHelp()
{
    openWebSite(HelpPages::addressFormat(HelpPages::Page::Support));
}
