// Looking movies up in the movie database.
#include "app/korvalanecontroller.h"

void KorvalaneController::findTmdbInfo()
{
}

void KorvalaneController::findTmdbInfoAll()
{
}
