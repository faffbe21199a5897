// The id, tips, what's-new and preferences windows, and the main window's end.
#include "app/korvalanecontroller.h"

void KorvalaneController::openIDWindow()
{
}

void KorvalaneController::openTipsWindow()
{
}

void KorvalaneController::openWhatsNewWindow()
{
}

void KorvalaneController::preferencesMenu()
{
}

void KorvalaneController::windowWillClose()
{
}
