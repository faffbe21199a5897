// The find command: the search view's field takes the keyboard.
#include "app/korvalanecontroller.h"

void KorvalaneController::findTmdbInfo()
{
    if (m_tmdbSearchField)
        m_tmdbSearchField->setFocus(Qt::ShortcutFocusReason);
}
