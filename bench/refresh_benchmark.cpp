// One whole refresh as the widget runs it: refreshHotList downloads the page from a server on
// the loopback interface through the libcurl client, converts and parses it and shows eleven
// rows in the fake window system. Besides the time of each refresh (and their median), it
// counts the allocations of one refresh, and where they come from.

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "app/fake_window_system.h"
#include "bench/allocation_counter.h"
#include "bench/benchmarks.h"
#include "bench/loopback_server.h"
#include "hotlist/hot_rows.h"
#include "hotlist/refresh_hot_list.h"
#include "hotlist/service_address.h"
#include "net/internet_client.h"
#include "net/web_request.h"
#include "text/code_page.h"

namespace velvane::bench {
namespace {

// The service's host is fixed when the program is built; this client hands every connection
// to the benchmark's own server instead, and passes everything else through.
class LoopbackInternetClient : public InternetClient {
  public:
    LoopbackInternetClient(InternetClient& inner, std::uint16_t port)
        : inner_(inner), port_(port) {}

    InternetHandle open(std::string_view userAgent, std::uint32_t accessType,
                        std::optional<std::string_view> proxy,
                        std::optional<std::string_view> proxyBypass, std::uint32_t flags) override {
        return inner_.open(userAgent, accessType, proxy, proxyBypass, flags);
    }
    InternetHandle connect(InternetHandle internet, std::string_view, std::uint16_t,
                           std::optional<std::string_view> userName,
                           std::optional<std::string_view> password, std::uint32_t service,
                           std::uint32_t flags, std::uintptr_t context) override {
        return inner_.connect(internet, "127.0.0.1", port_, userName, password, service, flags,
                              context);
    }
    InternetHandle openRequest(InternetHandle connection, std::string_view verb,
                               std::string_view path, std::string_view version,
                               std::optional<std::string_view> referrer,
                               std::span<const std::string_view> acceptTypes, std::uint32_t flags,
                               std::uintptr_t context) override {
        return inner_.openRequest(connection, verb, path, version, referrer, acceptTypes, flags,
                                  context);
    }
    bool setOption(InternetHandle handle, std::uint32_t option,
                   std::span<const unsigned char> value) override {
        return inner_.setOption(handle, option, value);
    }
    bool sendRequest(InternetHandle request, std::string_view headers,
                     std::span<const unsigned char> body) override {
        return inner_.sendRequest(request, headers, body);
    }
    bool readFile(InternetHandle request, std::span<unsigned char> buffer,
                  std::uint32_t& bytesRead) override {
        return inner_.readFile(request, buffer, bytesRead);
    }
    QueryResult queryInfo(InternetHandle request, std::uint32_t infoLevel, std::span<char> buffer,
                          std::uint32_t& length, std::uint32_t* index) override {
        return inner_.queryInfo(request, infoLevel, buffer, length, index);
    }
    bool closeHandle(InternetHandle handle) override { return inner_.closeHandle(handle); }

  private:
    InternetClient& inner_;
    std::uint16_t port_;
};

// The processor time of the calling thread: the refresh's own work, without the server's and
// without the time the machine gave to other programs.
double threadProcessorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double median(std::vector<double> values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

double allocationsPerRun(const AllocationCount& before, const AllocationCount& after, int runs,
                         bool curl) {
    const std::uint64_t count = curl ? after.curl - before.curl : after.cxx - before.cxx;
    return static_cast<double>(count) / runs;
}

// The refresh's steps one at a time, with the same arguments, to say which allocates what;
// the showing of the rows and the clipboard are what remains of the whole refresh.
void countStepAllocations(benchmark::State& state, InternetClient& internet) {
    constexpr int kRuns = 5;
    AllocationCount before = allocationsSoFar();
    ByteArray body;
    for (int run = 0; run < kRuns; ++run) {
        body = webRequest(internet, summaryPageAddress(), {.extraHeaders = kRefreshRequestHeaders});
    }
    AllocationCount after = allocationsSoFar();
    state.counters["alloc_download"] = allocationsPerRun(before, after, kRuns, false);
    state.counters["curl_alloc_download"] = allocationsPerRun(before, after, kRuns, true);

    const std::string_view bodyText(reinterpret_cast<const char*>(body.data()), body.size());
    Text page;
    before = allocationsSoFar();
    for (int run = 0; run < kRuns; ++run) {
        page = utf8ToLocal(bodyText);
    }
    after = allocationsSoFar();
    state.counters["alloc_convert"] = allocationsPerRun(before, after, kRuns, false);

    before = allocationsSoFar();
    for (int run = 0; run < kRuns; ++run) {
        PatternMatcher matcher;
        benchmark::DoNotOptimize(parseHotRows(matcher, page).data());
    }
    after = allocationsSoFar();
    state.counters["alloc_parse"] = allocationsPerRun(before, after, kRuns, false);
}

}  // namespace

void registerRefreshBenchmark(const Inputs& inputs) {
    const std::string* body = &inputs.pageUtf8;
    benchmark::RegisterBenchmark("refresh/loopback/ours", [body](benchmark::State& state) {
        LoopbackServer server(*body);
        if (server.port() == 0) {
            state.SkipWithError("cannot listen on the loopback interface");
            return;
        }
        const auto system = makeSystemInternetClient();
        LoopbackInternetClient internet(*system, server.port());
        testing::FakeWindowSystem window;
        DateTime lastRefreshTime = kNeverRefreshed;

        // A first refresh outside the figures: libcurl's one-time set-up, the fake's maps.
        refreshHotList(window, internet, lastRefreshTime);
        const bool shown = lastRefreshTime != kNeverRefreshed;
        window.log.clear();

        std::vector<double> seconds;
        std::vector<double> processorSeconds;
        const AllocationCount before = allocationsSoFar();
        for (auto _ : state) {
            const double processorStart = threadProcessorSeconds();
            const auto start = std::chrono::steady_clock::now();
            refreshHotList(window, internet, lastRefreshTime);
            const auto stop = std::chrono::steady_clock::now();
            const double elapsed = std::chrono::duration<double>(stop - start).count();
            state.SetIterationTime(elapsed);
            seconds.push_back(elapsed);
            processorSeconds.push_back(threadProcessorSeconds() - processorStart);
            window.log.clear();  // keeps its capacity, so the fake's log costs no allocations
        }
        const AllocationCount after = allocationsSoFar();
        if (!shown) {
            state.SkipWithError("the refresh showed no rows");
            return;
        }
        const int runs = static_cast<int>(seconds.size());
        state.counters["median_ms"] = median(seconds) * 1e3;
        state.counters["median_cpu_ms"] = median(processorSeconds) * 1e3;
        state.counters["alloc_refresh"] = allocationsPerRun(before, after, runs, false);
        state.counters["curl_alloc_refresh"] = allocationsPerRun(before, after, runs, true);
        state.counters["requests"] = static_cast<double>(server.requestsServed());
        state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body->size()));
        countStepAllocations(state, internet);
    })->UseManualTime();
}

}  // namespace velvane::bench
