#include "app/windowfitter.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

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

// The title bar and borders the window manager reported for `window`, read
// from the platform each time (a widget's own frame geometry is not told of a
// frame put around an inside that stays where it was); none before it framed
// the window, and none while the reading is not yet whole.
QMargins reportedDecorations(const QWidget* window)
{
    const QWindow* handle = window->windowHandle();
    if (!handle)
        return {};
    const QMargins margins = handle->frameMargins();
    if (margins.left() < 0 || margins.top() < 0 || margins.right() < 0 || margins.bottom() < 0)
        return {};
    return margins;
}

// Those of the last window the window manager framed: the same manager frames the next one alike.
QMargins& learnedDecorations()
{
    static QMargins learned;
    return learned;
}

// `frame` moved inside `available` as far as it goes; one larger than the
// screen starts at the screen's top left corner.
QRect movedInside(const QRect& frame, const QRect& available)
{
    const int x = std::max(available.left(), std::min(frame.x(), available.x() + available.width() - frame.width()));
    const int y = std::max(available.top(), std::min(frame.y(), available.y() + available.height() - frame.height()));
    return {QPoint(x, y), frame.size()};
}

QSize extent(const QMargins& margins)
{
    return {margins.left() + margins.right(), margins.top() + margins.bottom()};
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

QMargins WindowFitter::decorations(const QWidget* window)
{
    const QMargins reported = reportedDecorations(window);
    if (!reported.isNull()) {
        learnedDecorations() = reported;
        return reported;
    }
    if (window->windowFlags().testFlag(Qt::FramelessWindowHint))
        return {};
    return learnedDecorations();
}

QSize WindowFitter::room(const QWidget* window)
{
    return availableGeometry(window).size() - extent(decorations(window));
}

void WindowFitter::fit(QWidget* window)
{
    // Maximized and full-screen windows are the window manager's to place.
    if (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    QRect available = availableGeometry(window);
    if (available.isEmpty())
        return;
    // At a scale factor Qt rounds the frame's place and its borders to whole
    // pixels each on its own: a pixel of room keeps the rounded frame inside.
    if (window->devicePixelRatioF() > 1.0)
        available.adjust(1, 1, -1, -1);
    const QMargins around = decorations(window);
    const QRect frame = window->geometry().marginsAdded(around);
    const QRect fitted = fittedFrame(frame, available);
    // A window that cannot be made that small keeps its minimum size and starts at the screen's corner.
    const QSize size = (fitted.size() - extent(around)).expandedTo(window->minimumSize());
    // Placed by its inside: a window manager takes a frame's place for the inside's until it reported
    // its decorations.
    const QRect placed = movedInside(QRect(fitted.topLeft(), size + extent(around)), available).marginsRemoved(around);
    if (placed.topLeft() != window->geometry().topLeft())
        window->setGeometry(placed);
    else if (QWindow* shown = window->windowHandle(); shown && window->isVisible() && shown->position() != placed.topLeft())
        // The widget takes itself to be where it was asked to be, but the window manager put the
        // window elsewhere (it placed the window as it mapped it, after the request): asked again
        // through the window itself.
        shown->setGeometry(placed);
    else if (placed.size() != window->size())
        window->resize(placed.size());
}

void WindowFitter::fitSize(QWidget* window)
{
    const QSize size = window->size().boundedTo(room(window)).expandedTo(window->minimumSize());
    if (size != window->size())
        window->resize(size);
}

bool WindowFitter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::ShowToParent:
            if (watched->isWidgetType() && isPlacedWindow(static_cast<QWidget*>(watched)))
                fitShown(static_cast<QWidget*>(watched), event->type() == QEvent::ShowToParent);
            break;
        case QEvent::Expose:
            if (!m_awaitingFrame.isEmpty())
                fitFramedWindows();
            break;
        default:
            break;
    }
    return false;
}

void WindowFitter::fitShown(QWidget* window, bool placed)
{
    // Before it is shown a window nobody placed yet has only its size fitted:
    // Qt places it next (a dialog over its parent), and it is fitted whole
    // once placed; a window manager may place it again when it frames it.
    if (placed || window->testAttribute(Qt::WA_Moved))
        fit(window);
    else
        fitSize(window);
    if (placed && !m_awaitingFrame.contains(window))
        m_awaitingFrame.append(window);
}

void WindowFitter::fitFramedWindows()
{
    // A window manager frames and places a window when it maps it, and may
    // leave its inside where it was: no event of the window's own says so,
    // but every window is exposed once mapped.
    const QList<QPointer<QWidget>> awaiting = m_awaitingFrame;
    for (const QPointer<QWidget>& window : awaiting) {
        if (window && (!window->isVisible() || reportedDecorations(window).isNull()))
            continue;
        m_awaitingFrame.removeAll(window);
        if (window)
            fit(window);
    }
}
