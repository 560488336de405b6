// The benchmark groups of velvane_benchmarks. Each registers its benchmarks with Google
// Benchmark; names are "group/case/engine", which docs/performance.md is written from.
#pragma once

#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_inputs.h"

namespace velvane::bench {

struct RunOptions {
    double peerTimeoutSeconds = 10;  // for each peer run in a child process
    // Repetitions of each benchmark that runs in this process; the report takes the fastest,
    // the one least disturbed by the rest of the machine.
    int repetitions = 1;
};

// Applies the options' repetitions to a benchmark of this process.
void repeat(benchmark::internal::Benchmark* benchmark, const RunOptions& options);

// Parsing the page with every engine, and converting it with every converter.
void registerPageBenchmarks(const Inputs& inputs, const RunOptions& options);
void registerConversionBenchmarks(const Inputs& inputs, const RunOptions& options);
// Growing pages and pathological inputs.
void registerScalingBenchmarks(const Inputs& inputs, const RunOptions& options);
// One whole refresh over loopback.
void registerRefreshBenchmark(const Inputs& inputs);
// Merging cookie texts of growing length.
void registerCookieBenchmarks(const RunOptions& options);

// Checks, before anything is timed, that every engine finds the same matches on the page and
// every converter gives the same bytes; prints a loud line for each disagreement. True when
// all agree.
bool checkAgreement(const Inputs& inputs, const std::string& expectedRowsFile);

// Writes the subjects the scaling benchmarks give the peers, and a manifest naming them, so
// that Python's re can be timed on the very same bytes (bench/python_re.py).
void writePeerInputs(const Inputs& inputs, const std::string& directory);

}  // namespace velvane::bench
