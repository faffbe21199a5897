#pragma once

namespace platform {

// Runs the event loop for one slice of `seconds`, so that the window stays
// live and a cancel button can act while a command waits. Stands in for a
// turn of the run loop and of the command's modal session.
void pumpEvents(double seconds);

}  // namespace platform
