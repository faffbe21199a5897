// The clipboard of whole records.
#include "app/korvalanecontroller.h"

void KorvalaneController::copyAll()
{
}

void KorvalaneController::cutAll()
{
}

void KorvalaneController::pasteAll()
{
}

void KorvalaneController::cutAndPasteToolbarSelected(int)
{
}
