#pragma once

namespace platform {

// A progress bar of the window a command runs in, as long-running lookups
// drive it: busy (indeterminate and animated) or determinate with a value
// between 0 and a maximum. The application wraps its progress widget; code
// that runs without a window passes none.
class ProgressIndicator {
public:
    virtual ~ProgressIndicator() = default;

    virtual void startAnimation() = 0;
    virtual void stopAnimation() = 0;
    virtual void setIndeterminate(bool indeterminate) = 0;
    virtual void setDoubleValue(double value) = 0;
    virtual void setMaxValue(double maximum) = 0;
    // Repaints now if something changed, so progress shows while a command waits.
    virtual void displayIfNeeded() = 0;
};

}  // namespace platform
