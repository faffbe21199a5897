#include "app/progressbarindicator.h"

#include <QProgressBar>

#include <algorithm>

void ProgressBarIndicator::startAnimation()
{
    m_bar.show();
    applyRange();
}

void ProgressBarIndicator::stopAnimation()
{
    // A stopped busy bar stands still: a determinate empty bar.
    m_bar.setRange(0, int(kSteps));
    m_bar.setValue(0);
}

void ProgressBarIndicator::setIndeterminate(bool indeterminate)
{
    m_indeterminate = indeterminate;
    applyRange();
}

void ProgressBarIndicator::setDoubleValue(double value)
{
    m_value = value;
    applyRange();
}

void ProgressBarIndicator::setMaxValue(double maximum)
{
    m_maximum = maximum;
    applyRange();
}

void ProgressBarIndicator::displayIfNeeded()
{
    m_bar.repaint();
}

void ProgressBarIndicator::applyRange()
{
    if (m_indeterminate) {
        // Qt shows a busy bar for an empty range.
        m_bar.setRange(0, 0);
        return;
    }
    m_bar.setRange(0, int(kSteps));
    const double share = m_maximum > 0.0 ? std::clamp(m_value / m_maximum, 0.0, 1.0) : 0.0;
    m_bar.setValue(int(share * kSteps));
}
