// Runs a search in a child process, so that an engine that crashes (std::regex overflowing its
// stack) or runs away (exponential backtracking) costs a figure, not the whole benchmark run.
#pragma once

#include <functional>
#include <string>

#include "bench/peer_engines.h"

namespace velvane::bench {

struct IsolatedFigure {
    enum class Status { kOk, kError, kCrashed, kTimedOut };
    Status status = Status::kOk;
    double secondsPerRun = 0;  // processor time, the mean over the runs the child made
    int runs = 0;
    SearchOutcome outcome;
    std::string message;  // what went wrong, for the statuses other than kOk
};

// Forks; the child calls `search` again and again until it has used `minSeconds` of processor
// time (at least once) and reports the mean. A child still busy after `timeoutSeconds` of
// wall-clock time is killed.
IsolatedFigure runIsolated(const std::function<SearchOutcome()>& search, double minSeconds,
                           double timeoutSeconds);

}  // namespace velvane::bench
