#pragma once

#include <QScrollArea>

// A scroll area that scrolls its contents up and down only: it is as wide as
// they need at the least, so none of their labels or fields is cut off at
// the side, and it asks for more room when they need more.
class VerticalScrollArea : public QScrollArea {
    Q_OBJECT
public:
    explicit VerticalScrollArea(QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
