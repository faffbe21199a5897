#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class QFocusFrame;
class QStyle;
class QWidget;

// Draws a clear frame in the highlight colour around whichever control has
// the keyboard focus, in every window of the application: the default
// style marks focus too faintly on most controls, and not at all on some.
class FocusFrameFollower : public QObject {
    Q_OBJECT
public:
    explicit FocusFrameFollower(QObject* parent = nullptr);
    ~FocusFrameFollower() override;

    // The frame around `widget`; none for no widget or a widget of a popup.
    void follow(QWidget* widget);

private:
    std::unique_ptr<QStyle> m_style;
    // The frame lives in the focused control's window and goes with it.
    QPointer<QFocusFrame> m_frame;
};
