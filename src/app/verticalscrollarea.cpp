#include "app/verticalscrollarea.h"

#include <QEvent>
#include <QScrollBar>

VerticalScrollArea::VerticalScrollArea(QWidget* parent) : QScrollArea(parent)
{
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

QSize VerticalScrollArea::minimumSizeHint() const
{
    const int contents = widget() ? widget()->minimumSizeHint().width() : 0;
    return {contents + verticalScrollBar()->sizeHint().width() + 2 * frameWidth(),
            QScrollArea::minimumSizeHint().height()};
}

QSize VerticalScrollArea::sizeHint() const
{
    // All of the contents when the screen has room; the window is fitted to the screen when shown.
    const QSize contents = widget() ? widget()->sizeHint() : QSize(0, 0);
    return QSize(contents.width() + verticalScrollBar()->sizeHint().width(), contents.height()) +
           QSize(2 * frameWidth(), 2 * frameWidth());
}

bool VerticalScrollArea::eventFilter(QObject* watched, QEvent* event)
{
    // The contents' layout changed: the least width may have, too.
    if (watched == widget() && event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}
