// Linux keeps the peak resident set in /proc/self/status ("VmHWM") and resets it when "5" is
// written to /proc/self/clear_refs.
#include <fstream>
#include <string>

#include "peak_memory.h"

namespace velvane {

bool resetPeakMemory() {
    std::ofstream clearRefs("/proc/self/clear_refs");
    clearRefs << "5";
    clearRefs.flush();
    return clearRefs.good();
}

std::size_t peakMemoryBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:")) {
            return std::stoull(line.substr(6)) * 1024;  // in kB
        }
    }
    return 0;
}

}  // namespace velvane
