#include "app/focusframefollower.h"

#include <QApplication>
#include <QFocusFrame>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>

namespace {

// Only the frame uses this style: it lies above the control (so a frame
// never becomes a pane of a splitter that holds the control) and is filled
// with the highlight colour.
class FocusFrameStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_FocusFrame_AboveWidget)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (element == CE_FocusFrame) {
            painter->fillRect(option->rect, option->palette.highlight());
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

bool inPopup(const QWidget* widget)
{
    const Qt::WindowType type = widget->window()->windowType();
    return type == Qt::Popup || type == Qt::ToolTip;
}

}  // namespace

FocusFrameFollower::FocusFrameFollower(QObject* parent) : QObject(parent), m_style(std::make_unique<FocusFrameStyle>())
{
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { follow(now); });
}

FocusFrameFollower::~FocusFrameFollower()
{
    // The frame may outlive this object in its window; it must not keep a dead style.
    delete m_frame;
}

void FocusFrameFollower::follow(QWidget* widget)
{
    if (!widget || widget->isWindow() || inPopup(widget)) {
        if (m_frame)
            m_frame->setWidget(nullptr);
        return;
    }
    if (!m_frame) {
        m_frame = new QFocusFrame(widget);
        m_frame->setStyle(m_style.get());
    }
    m_frame->setWidget(widget);
    // Qt hides a frame that lies outside a scroll area's view at this moment,
    // before the area scrolls the control into view, and never shows it again.
    m_frame->show();
    m_frame->raise();
}
