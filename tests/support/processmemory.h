#pragma once

// The process's own resident memory, from /proc/self, for the checks and
// benchmarks that a transfer never makes the process hold much more than its
// size bound.

#include <QtGlobal>

namespace testsupport {

// Starts a new peak measurement (the peak becomes the present size); false
// when the system does not allow it.
bool resetPeakMemory();
// Resident bytes now, and the most since the last reset; -1 when unknown.
qint64 residentBytes();
qint64 peakResidentBytes();

}  // namespace testsupport
