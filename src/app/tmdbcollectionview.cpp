#include "app/tmdbcollectionview.h"

#include "app/imageselectcontroller.h"

TMDbCollectionView::TMDbCollectionView(QWidget* parent) : QListView(parent)
{
    setViewMode(QListView::IconMode);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setWordWrap(true);
    setUniformItemSizes(true);
}

void TMDbCollectionView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The press before it has already selected the candidate under the pointer.
    if (m_delegate)
        m_delegate->doubleClickImage(event);
}
