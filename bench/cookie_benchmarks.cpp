// Merging cookie texts of 100 to 100,000 items, half sent by the caller and half set by the
// response, with every tenth name in both: a hostile server may send thousands of Set-Cookie
// lines, so the time per item must not grow with their number.

#include <string>

#include "bench/benchmarks.h"
#include "net/cookie_text.h"

namespace velvane::bench {
namespace {

// "<prefix>0=1; <prefix>1=1; ...", with every tenth name shared between the two texts.
Text cookieText(const char* prefix, int count) {
    Text text;
    for (int i = 0; i < count; ++i) {
        text += (i % 10 == 0 ? std::string("shared") : std::string(prefix)) + std::to_string(i);
        text += "=1; ";
    }
    return text;
}

}  // namespace

void registerCookieBenchmarks(const RunOptions& options) {
    for (int items : {100, 1000, 10000, 100000}) {
        repeat(benchmark::RegisterBenchmark(
                   ("cookies/merge/" + std::to_string(items)).c_str(),
                   [items](benchmark::State& state) {
                       const Text sent = cookieText("sent", items / 2);
                       const Text received = cookieText("received", items / 2);
                       for (auto _ : state) {
                           Text sentCopy = sent;
                           Text receivedCopy = received;
                           benchmark::DoNotOptimize(mergeCookieTexts(sentCopy, receivedCopy));
                       }
                       state.SetItemsProcessed(state.iterations() * items);
                   }),
               options);
    }
}

}  // namespace velvane::bench
