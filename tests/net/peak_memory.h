// The process's peak resident memory, for tests that must show that memory stays bounded.
#pragma once

#include <cstddef>

namespace velvane {

// Starts a new measurement where the system can reset the peak; false where it cannot, and the
// peak then counts from the start of the process.
bool resetPeakMemory();

// The largest resident memory of the process since the start or the last reset, in bytes; 0
// when the system does not tell.
std::size_t peakMemoryBytes();

}  // namespace velvane
