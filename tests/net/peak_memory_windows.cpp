// Windows keeps the peak working set of a process and offers no way to reset it.
#include <windows.h>
// after windows.h, whose types it uses
#include <psapi.h>

#include "peak_memory.h"

namespace velvane {

bool resetPeakMemory() {
    return false;
}

std::size_t peakMemoryBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        return 0;
    }
    return counters.PeakWorkingSetSize;
}

}  // namespace velvane
