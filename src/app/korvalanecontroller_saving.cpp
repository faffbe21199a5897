// The four save commands.
#include "app/korvalanecontroller.h"

void KorvalaneController::save()
{
}

void KorvalaneController::saveAnyway()
{
}

void KorvalaneController::saveAll()
{
}

void KorvalaneController::saveAs()
{
}
