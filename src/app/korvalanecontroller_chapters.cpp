// Chapters from the chapter database or a chapter file.
#include "app/korvalanecontroller.h"

void KorvalaneController::chapterDbSearch()
{
}

void KorvalaneController::chapterDbSearchViaAPI()
{
}

void KorvalaneController::chapterDbSearchViaAPIWithMovie(const std::shared_ptr<MovieModel>&)
{
}

void KorvalaneController::chapterDbLoad()
{
}
