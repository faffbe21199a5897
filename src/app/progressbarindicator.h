#pragma once

#include "platform/progressindicator.h"

class QProgressBar;

// A window's progress bar as the lookups drive it. Does not own the bar.
class ProgressBarIndicator : public platform::ProgressIndicator {
public:
    explicit ProgressBarIndicator(QProgressBar& bar) : m_bar(bar) {}

    void startAnimation() override;
    void stopAnimation() override;
    void setIndeterminate(bool indeterminate) override;
    void setDoubleValue(double value) override;
    void setMaxValue(double maximum) override;
    void displayIfNeeded() override;

private:
    // A determinate bar counts in thousandths, so fractional values still move it.
    static constexpr double kSteps = 1000.0;
    void applyRange();

    QProgressBar& m_bar;
    bool m_indeterminate = true;
    double m_maximum = 100.0;
    double m_value = 0.0;
};
