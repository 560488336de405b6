// velvane_benchmarks: parsing, conversion, scaling and a whole refresh, side by side with the
// peers, in one run. Besides Google Benchmark's own flags it takes:
//   --fixture_dir=DIR    where summary_page.html, summary_page_cp936.html and
//                        summary_page_rows_cp936.txt are (default: the source tree's fixtures)
//   --page_dir=DIR       further pages ("*_cp936.html") to build the large subjects from
//   --peer_timeout=SEC   time limit of each peer run in a child process (default 10)
//   --repetitions=N      repetitions of the benchmarks that run in this process (default 1)
//   --write_inputs=DIR   write the peers' subjects and a manifest for bench/python_re.py, and
//                        stop
// Before anything is timed it checks that all engines and converters agree on the page; the
// exit status is 1 when they do not.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "bench/allocation_counter.h"
#include "bench/benchmarks.h"

namespace {

// Takes "--name=value" out of the arguments; true when it was there.
bool takeFlag(int& argc, char** argv, std::string_view name, std::string& value) {
    const std::string prefix = "--" + std::string(name) + "=";
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument.starts_with(prefix)) {
            value = std::string(argument.substr(prefix.size()));
            for (int j = i; j + 1 < argc; ++j) {
                argv[j] = argv[j + 1];
            }
            --argc;
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace velvane::bench;
    countCurlAllocations();

    std::string fixtureDir = VELVANE_FIXTURE_DIR;
    std::string pageDir;
    std::string timeout;
    std::string inputsDir;
    takeFlag(argc, argv, "fixture_dir", fixtureDir);
    takeFlag(argc, argv, "page_dir", pageDir);
    RunOptions options;
    if (takeFlag(argc, argv, "peer_timeout", timeout)) {
        options.peerTimeoutSeconds = std::atof(timeout.c_str());
    }
    std::string repetitions;
    if (takeFlag(argc, argv, "repetitions", repetitions)) {
        options.repetitions = std::atoi(repetitions.c_str());
    }
    const bool writeInputs = takeFlag(argc, argv, "write_inputs", inputsDir);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }

    const Inputs inputs = loadInputs(fixtureDir, pageDir);
    if (writeInputs) {
        writePeerInputs(inputs, inputsDir);
        return 0;
    }
    std::printf("page: %zu bytes (UTF-8 %zu bytes); %zu pages for the large subjects\n",
                inputs.page.size(), inputs.pageUtf8.size(), inputs.pages.size());
    const bool agree = checkAgreement(inputs, fixtureDir + "/summary_page_rows_cp936.txt");
    std::fflush(stdout);

    registerPageBenchmarks(inputs, options);
    registerConversionBenchmarks(inputs, options);
    registerScalingBenchmarks(inputs, options);
    registerRefreshBenchmark(inputs);
    registerCookieBenchmarks(options);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return agree ? 0 : 1;
}
