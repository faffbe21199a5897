// Subtitles from the subtitle service or an SRT file.
#include "app/korvalanecontroller.h"

void KorvalaneController::openSubtitleWebSearch()
{
}

void KorvalaneController::openSubtitleFile()
{
}

void KorvalaneController::searchSubtitleForTitle()
{
}

void KorvalaneController::searchForSubtitle(const std::shared_ptr<MovieModel>&)
{
}
