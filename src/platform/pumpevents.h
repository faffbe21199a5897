#pragma once

namespace platform {

// Runs the event loop for one slice of `seconds`, so that the window stays
// live and a cancel button can act while a command waits. Stands in for a
// turn of the run loop and of the command's modal session.
void pumpEvents(double seconds);

// Every slice of pumpEvents() lasts `scale` times its nominal length: 1 (the
// default) in the application; tests of flows that wait through hundreds of
// slices against a local server shorten them and set 1 again. Process-wide.
void setPumpSliceScale(double scale);
double pumpSliceScale();

}  // namespace platform
