#pragma once

#include <QList>
#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRect>

class QScreen;
class QWidget;

// Keeps the application's windows on the screen they open on: every window
// that is shown (the main window, dialogs, panels, start-up windows) has its
// frame, the window manager's title bar and borders included, shrunk to the
// screen's available geometry and moved inside it, whatever size or place it
// was given and at any scale factor.
//
// A window manager frames a window only after it is shown: until then its
// decorations are taken to be those of the windows framed before. Once the
// manager has framed and placed it, the window is fitted once more; later
// moves and resizes are the user's own and left alone.
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
    // The window manager's title bar and borders around `window`: the ones
    // reported for it once it is framed, else those of a window framed before.
    static QMargins decorations(const QWidget* window);
    // The largest size `window` can have inside its screen, its decorations aside.
    static QSize room(const QWidget* window);
    // Puts `window`'s frame inside its screen's available geometry.
    static void fit(QWidget* window);
    // Makes `window` no larger than its screen's room, leaving its place.
    static void fitSize(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Fits a window being shown: before Qt placed it (`placed` false) and after.
    void fitShown(QWidget* window, bool placed);
    // Fits once more each window the window manager has framed and placed since it was shown.
    void fitFramedWindows();

    // Shown, and not yet framed and placed by a window manager (none frames offscreen windows).
    QList<QPointer<QWidget>> m_awaitingFrame;
};
