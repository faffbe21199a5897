#include "app/windowfitter.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// Popups, tool tips and menus are placed by Qt itself, already on the screen.
bool isPlacedWindow(const QWidget* widget)
{
    if (!widget->isWindow())
        return false;
    switch (widget->windowType()) {
        case Qt::Window:
        case Qt::Dialog:
        case Qt::Sheet:
        case Qt::Drawer:
        case Qt::Tool:
            return true;
        default:
            return false;
    }
}

// `frame` moved inside `available` as far as it goes; one larger than the
// screen starts at the screen's top left corner.
QRect movedInside(const QRect& frame, const QRect& available)
{
    const int x = std::max(available.left(), std::min(frame.x(), available.x() + available.width() - frame.width()));
    const int y = std::max(available.top(), std::min(frame.y(), available.y() + available.height() - frame.height()));
    return {QPoint(x, y), frame.size()};
}

}  // namespace

WindowFitter::WindowFitter(QObject* parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

QRect WindowFitter::fittedFrame(const QRect& frame, const QRect& available)
{
    return movedInside(QRect(frame.topLeft(), frame.size().boundedTo(available.size())), available);
}

QScreen* WindowFitter::screenOf(const QWidget* window)
{
    if (QScreen* under = QGuiApplication::screenAt(window->frameGeometry().center()))
        return under;
    if (QScreen* own = window->screen())
        return own;
    return QGuiApplication::primaryScreen();
}

QRect WindowFitter::availableGeometry(const QWidget* window)
{
    const QScreen* screen = screenOf(window);
    return screen ? screen->availableGeometry() : QRect();
}

QSize WindowFitter::room(const QWidget* window)
{
    return availableGeometry(window).size() - (window->frameGeometry().size() - window->size());
}

void WindowFitter::fit(QWidget* window)
{
    const QRect available = availableGeometry(window);
    if (available.isEmpty())
        return;
    // Decorations are known once the window manager framed the window; before, there are none.
    const QRect frame = window->frameGeometry();
    const QSize decorations = frame.size() - window->size();
    const QRect fitted = fittedFrame(frame, available);
    // A window that cannot be made that small keeps its minimum size and starts at the screen's corner.
    const QSize size = (fitted.size() - decorations).expandedTo(window->minimumSize());
    if (size != window->size())
        window->resize(size);
    const QRect placed = movedInside(QRect(fitted.topLeft(), size + decorations), available);
    if (placed.topLeft() != frame.topLeft())
        window->move(placed.topLeft());
}

bool WindowFitter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (isPlacedWindow(widget))
            fit(widget);
    }
    return QObject::eventFilter(watched, event);
}
