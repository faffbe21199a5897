// Title, year, genre and picture format from file names.
#include "app/korvalanecontroller.h"

bool KorvalaneController::splitTitle(const std::shared_ptr<MovieModel>&, bool)
{
    return false;
}

void KorvalaneController::splitAllTitles()
{
}
