// The clipboard of whole records.
#include "app/korvalanecontroller.h"

#include "app/movielistcontroller.h"
#include "app/recordeditor.h"

void KorvalaneController::copyAll()
{
    if (const std::shared_ptr<MovieModel> movie = getSelectedMovie())
        m_movieInClipBoad = movie->copyWithZone();
}

void KorvalaneController::cutAll()
{
    copyAll();
    m_movieListController->clearCurrent();
}

void KorvalaneController::pasteAll()
{
    if (m_movieInClipBoad)
        m_movieListController->pasteToCurrent(m_movieInClipBoad);
}

void KorvalaneController::cutAndPasteToolbarSelected(int segment)
{
    m_recordEditor->commitEditing();
    switch (segment) {
        case 0:
            cutAll();
            break;
        case 1:
            copyAll();
            break;
        case 2:
            pasteAll();
            break;
        default:
            break;
    }
}
