#pragma once

#include <QObject>
#include <QRect>

class QScreen;
class QWidget;

// Keeps the application's windows on the screen they open on: every window
// that is shown (the main window, dialogs, panels, start-up windows) has its
// frame shrunk to the screen's available geometry and moved inside it,
// whatever size or place it was given and at any scale factor.
class WindowFitter : public QObject {
    Q_OBJECT
public:
    // Watches every window of the application from now on.
    explicit WindowFitter(QObject* parent = nullptr);

    // `frame` made no larger than `available` and moved inside it; a frame
    // that already lies inside comes back as it is.
    static QRect fittedFrame(const QRect& frame, const QRect& available);
    // The screen that `window` opens on: the one under its frame's centre,
    // else the one Qt gives it (its parent's), else the primary screen.
    static QScreen* screenOf(const QWidget* window);
    // The available geometry of that screen.
    static QRect availableGeometry(const QWidget* window);
    // The largest size `window` can have inside its screen, its decorations aside.
    static QSize room(const QWidget* window);
    // Puts `window`'s frame inside its screen's available geometry.
    static void fit(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
