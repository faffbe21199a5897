// The help pages.
#include "app/korvalanecontroller.h"

void KorvalaneController::openWebSite(const QString&)
{
}

void KorvalaneController::openHelp()
{
}

void KorvalaneController::openMainWindowHelp()
{
}

void KorvalaneController::openSearchWindowHelp()
{
}

void KorvalaneController::openMenuWindowHelp()
{
}

void KorvalaneController::openSupportHelp()
{
}
