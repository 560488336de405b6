// How the cost grows with the subject: the row pattern on pages of 1 to 16 MiB, and three
// inputs on which backtracking engines take quadratic or exponential time:
//   one-line  the concatenated pages with their line feeds turned into blanks, so that every
//             ".*" of the row pattern may run to the end of the subject;
//   hrefs     "<a href=" again and again, with no line feed and no ">": every candidate start
//             scans to the end before it fails;
//   a-runs    "(a*)*b" on a run of "a" with no "b": a backtracker tries every way of cutting
//             the run into pieces;
//   a-runs-class  the same with "(a*)*[bc]", which has no required literal that an engine can
//             look for before it starts (PCRE2 escapes "(a*)*b" that way).
// Our engine runs in this process at every size, 1 to 16 MiB, and at the peers' sizes; its
// time per MiB must not grow. The peers run in child processes with a time limit, smallest
// size first; after a crash, an error or a time-out their larger sizes of that input are not
// tried.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "bench/benchmarks.h"
#include "bench/isolated_run.h"
#include "bench/peer_engines.h"

namespace velvane::bench {
namespace {

enum class Family { kPages, kOneLine, kHrefs, kARuns, kARunsClass };

struct FamilyInfo {
    Family family;
    const char* name;
    std::string_view pattern;
    const char* patternName;  // for bench/python_re.py
    std::vector<std::size_t> peerSizes;
};

const std::vector<std::size_t> kOurSizes = {1 * kMiB, 2 * kMiB, 4 * kMiB, 8 * kMiB, 16 * kMiB};

const std::vector<FamilyInfo>& families() {
    static const std::vector<FamilyInfo> table = {
        {Family::kPages, "pages", kRowPattern, "row", kOurSizes},
        {Family::kOneLine,
         "one-line",
         kRowPattern,
         "row",
         {64 * kKiB, 256 * kKiB, 1 * kMiB, 8 * kMiB}},
        {Family::kHrefs, "hrefs", kRowPattern, "row", {4 * kKiB, 64 * kKiB, 1 * kMiB}},
        {Family::kARuns,
         "a-runs",
         kNestedPattern,
         "nested",
         {8, 12, 16, 24, 32, 1 * kKiB, 1 * kMiB}},
        {Family::kARunsClass,
         "a-runs-class",
         kNestedClassPattern,
         "nested-class",
         {8, 12, 16, 24, 32, 1 * kKiB, 1 * kMiB}},
    };
    return table;
}

std::string subject(const Inputs& inputs, Family family, std::size_t bytes) {
    switch (family) {
        case Family::kPages:
            return concatenatedPages(inputs.pages, bytes);
        case Family::kOneLine:
            return oneLinePage(inputs.pages, bytes);
        case Family::kHrefs:
            return repeated("<a href=", bytes);
        case Family::kARuns:
        case Family::kARunsClass:
            return repeated("a", bytes);
    }
    return {};
}

std::string compactSize(std::size_t bytes) {
    std::string name = sizeName(bytes);
    name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
    return name;
}

void reportSearch(benchmark::State& state, std::size_t bytes, const SearchOutcome& outcome) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["matches"] = static_cast<double>(outcome.matches);
    state.counters["captured"] = static_cast<double>(outcome.capturedBytes);
}

// Where each peer gave up on each input, so that larger sizes are not tried.
std::map<std::string, std::string>& failures() {
    static std::map<std::string, std::string> table;
    return table;
}

void registerInProcess(const Inputs& inputs, const FamilyInfo& info, EngineKind kind,
                       std::size_t bytes, const RunOptions& options) {
    const std::string name =
        std::string("scaling/") + info.name + "/" + engineName(kind) + "/" + compactSize(bytes);
    auto* benchmark = benchmark::RegisterBenchmark(
        name.c_str(), [&inputs, info, kind, bytes](benchmark::State& state) {
            const std::string text = subject(inputs, info.family, bytes);
            const auto matcher = makeMatcher(kind, info.pattern);
            SearchOutcome outcome;
            for (auto _ : state) {
                outcome = matcher->searchAll(text);
            }
            if (!outcome.error.empty()) {
                state.SkipWithError(outcome.error.c_str());
            }
            reportSearch(state, text.size(), outcome);
        });
    repeat(benchmark, options);
}

void registerIsolated(const Inputs& inputs, const FamilyInfo& info, EngineKind kind,
                      std::size_t bytes, double timeoutSeconds) {
    const std::string key = std::string(info.name) + "/" + engineName(kind);
    const std::string name = "scaling/" + key + "/" + compactSize(bytes);
    benchmark::RegisterBenchmark(
        name.c_str(),
        [&inputs, info, kind, bytes, key, timeoutSeconds](benchmark::State& state) {
            const auto earlier = failures().find(key);
            if (earlier != failures().end()) {
                state.SkipWithError(("not run: " + earlier->second).c_str());
                return;
            }
            const std::string text = subject(inputs, info.family, bytes);
            const auto matcher = makeMatcher(kind, info.pattern);
            IsolatedFigure figure;
            for (auto _ : state) {
                figure = runIsolated([&] { return matcher->searchAll(text); }, 0.3, timeoutSeconds);
                if (figure.status != IsolatedFigure::Status::kOk) {
                    break;
                }
                state.SetIterationTime(figure.secondsPerRun);
            }
            if (figure.status != IsolatedFigure::Status::kOk) {
                const char* kinds[] = {"ok", "error", "crashed", "timeout"};
                const std::string what =
                    std::string(kinds[static_cast<int>(figure.status)]) + ": " + figure.message;
                failures()[key] = what + " at " + sizeName(bytes);
                state.SkipWithError(what.c_str());
                return;
            }
            reportSearch(state, text.size(), figure.outcome);
            state.counters["runs"] = figure.runs;
        })
        ->Iterations(1)
        ->UseManualTime();
}

}  // namespace

void registerScalingBenchmarks(const Inputs& inputs, const RunOptions& options) {
    for (const FamilyInfo& info : families()) {
        std::vector<std::size_t> ourSizes = kOurSizes;
        ourSizes.insert(ourSizes.end(), info.peerSizes.begin(), info.peerSizes.end());
        std::sort(ourSizes.begin(), ourSizes.end());
        ourSizes.erase(std::unique(ourSizes.begin(), ourSizes.end()), ourSizes.end());
        for (const std::size_t bytes : ourSizes) {
            registerInProcess(inputs, info, EngineKind::kOurs, bytes, options);
        }
        for (const EngineKind kind :
             {EngineKind::kPcre2, EngineKind::kPcre2Jit, EngineKind::kStdRegex}) {
            for (const std::size_t bytes : info.peerSizes) {
                // The peers are at home on realistic pages; only std::regex needs the child.
                if (info.family == Family::kPages && kind != EngineKind::kStdRegex) {
                    registerInProcess(inputs, info, kind, bytes, options);
                } else {
                    registerIsolated(inputs, info, kind, bytes, options.peerTimeoutSeconds);
                }
            }
        }
    }
}

// The manifest: one line per subject, "<name> <file> <pattern name>", in the order the peers
// should try them.
void writePeerInputs(const Inputs& inputs, const std::string& directory) {
    std::filesystem::create_directories(directory);
    const std::filesystem::path root(directory);
    std::ofstream manifest(root / "manifest.txt");
    auto write = [&](const std::string& name, const std::string& text, const char* pattern) {
        std::string file = name + ".bin";
        std::replace(file.begin(), file.end(), '/', '_');
        std::ofstream(root / file, std::ios::binary)
            .write(text.data(), static_cast<std::streamsize>(text.size()));
        manifest << name << ' ' << file << ' ' << pattern << '\n';
    };
    write("page/parse", inputs.page, "row");
    for (const FamilyInfo& info : families()) {
        for (const std::size_t bytes : info.peerSizes) {
            write(std::string("scaling/") + info.name + "/" + compactSize(bytes),
                  subject(inputs, info.family, bytes), info.patternName);
        }
    }
}

}  // namespace velvane::bench
