#include "bench/isolated_run.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace velvane::bench {
namespace {

using Clock = std::chrono::steady_clock;

// The processor time of the child so far, the figure the in-process benchmarks report too; it
// leaves out the time other programs on the machine take.
double processorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The child's report, one line: "ok <seconds per run> <runs> <matches> <captured bytes>" or
// "error <message>".
[[noreturn]] void runChild(int out, const std::function<SearchOutcome()>& search,
                           double minSeconds) {
    const double start = processorSeconds();
    SearchOutcome outcome;
    int runs = 0;
    double elapsed = 0;
    do {
        outcome = search();
        ++runs;
        elapsed = processorSeconds() - start;
    } while (outcome.error.empty() && elapsed < minSeconds);
    char line[512];
    const int length =
        outcome.error.empty()
            ? std::snprintf(line, sizeof line, "ok %.9g %d %zu %zu\n", elapsed / runs, runs,
                            outcome.matches, outcome.capturedBytes)
            : std::snprintf(line, sizeof line, "error %s\n", outcome.error.c_str());
    const ssize_t written = write(out, line, static_cast<std::size_t>(length));
    _exit(written == length ? 0 : 1);
}

IsolatedFigure failure(IsolatedFigure::Status status, std::string message) {
    IsolatedFigure figure;
    figure.status = status;
    figure.message = std::move(message);
    return figure;
}

IsolatedFigure parseReport(const std::string& report) {
    IsolatedFigure figure;
    if (report.starts_with("ok ")) {
        std::sscanf(report.c_str() + 3, "%lf %d %zu %zu", &figure.secondsPerRun, &figure.runs,
                    &figure.outcome.matches, &figure.outcome.capturedBytes);
    } else if (report.starts_with("error ")) {
        figure.status = IsolatedFigure::Status::kError;
        figure.message = report.substr(6, report.find('\n') - 6);
        figure.outcome.error = figure.message;
    } else {
        figure.status = IsolatedFigure::Status::kCrashed;
        figure.message = "no report from the child";
    }
    return figure;
}

}  // namespace

IsolatedFigure runIsolated(const std::function<SearchOutcome()>& search, double minSeconds,
                           double timeoutSeconds) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return failure(IsolatedFigure::Status::kError, "pipe failed");
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return failure(IsolatedFigure::Status::kError, "fork failed");
    }
    if (child == 0) {
        close(pipeEnds[0]);
        runChild(pipeEnds[1], search, minSeconds);
    }
    close(pipeEnds[1]);

    // Read until the child closes its end (it reports, then exits) or the time is up.
    std::string report;
    const auto deadline = Clock::now() + std::chrono::duration<double>(timeoutSeconds);
    bool timedOut = false;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd readable{pipeEnds[0], POLLIN, 0};
        if (poll(&readable, 1, static_cast<int>(left.count())) <= 0) {
            continue;  // woken early or timed out: the loop checks the clock
        }
        char buffer[512];
        const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        report.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    if (timedOut) {
        kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);

    if (timedOut) {
        char message[64];
        std::snprintf(message, sizeof message, "timed out after %.0f s", timeoutSeconds);
        return failure(IsolatedFigure::Status::kTimedOut, message);
    }
    if (WIFSIGNALED(status)) {
        return failure(IsolatedFigure::Status::kCrashed,
                       std::string("crashed: ") + strsignal(WTERMSIG(status)));
    }
    return parseReport(report);
}

}  // namespace velvane::bench
