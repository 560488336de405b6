// Parsing and converting the realistic summary page: our engine through parseHotRows and on
// its own, against PCRE2 (interpreter and JIT) and std::regex; utf8ToLocal against glibc's
// iconv and ICU.

#include <benchmark/benchmark.h>
#include <iconv.h>
#include <unicode/ucnv.h>

#include <cstdio>
#include <fstream>
#include <memory>

#include "bench/benchmarks.h"
#include "bench/peer_engines.h"
#include "hotlist/hot_rows.h"
#include "text/code_page.h"
#include "text/pattern_matcher.h"

namespace velvane::bench {
namespace {

constexpr EngineKind kPageEngines[] = {EngineKind::kOurs, EngineKind::kPcre2, EngineKind::kPcre2Jit,
                                       EngineKind::kStdRegex};

void reportSearch(benchmark::State& state, std::size_t bytes, const SearchOutcome& outcome) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["matches"] = static_cast<double>(outcome.matches);
    state.counters["captured"] = static_cast<double>(outcome.capturedBytes);
}

// UTF-8 to GBK with iconv, into a text sized for the worst case (GBK never takes more bytes
// than UTF-8 for the same character), as utf8ToLocal also makes a new text. The descriptor is
// opened once; each conversion starts from its initial state.
class IconvConverter {
  public:
    IconvConverter() : descriptor_(iconv_open("GBK", "UTF-8")) {}
    ~IconvConverter() {
        if (descriptor_ != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(descriptor_);
        }
    }
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    std::string convert(std::string_view utf8) {
        std::string out(utf8.size(), '\0');
        if (descriptor_ == reinterpret_cast<iconv_t>(-1)) {
            return {};
        }
        iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(utf8.data());
        std::size_t inLeft = utf8.size();
        char* put = out.data();
        std::size_t outLeft = out.size();
        while (inLeft > 0) {
            if (iconv(descriptor_, &in, &inLeft, &put, &outLeft) != static_cast<std::size_t>(-1)) {
                continue;
            }
            if (outLeft == 0) {
                break;
            }
            // A byte it cannot convert: a question mark, as a system conversion would put.
            *put++ = '?';
            --outLeft;
            ++in;
            --inLeft;
        }
        out.resize(out.size() - outLeft);
        return out;
    }

  private:
    iconv_t descriptor_;
};

// UTF-8 to GBK with ICU, through its UTF-16 pivot, as our conversion goes.
class IcuConverter {
  public:
    IcuConverter() {
        UErrorCode status = U_ZERO_ERROR;
        from_ = ucnv_open("UTF-8", &status);
        to_ = ucnv_open("GBK", &status);
        ok_ = U_SUCCESS(status);
    }
    ~IcuConverter() {
        ucnv_close(from_);
        ucnv_close(to_);
    }
    IcuConverter(const IcuConverter&) = delete;
    IcuConverter& operator=(const IcuConverter&) = delete;

    std::string convert(std::string_view utf8) {
        std::string out(utf8.size(), '\0');
        if (!ok_) {
            return {};
        }
        UErrorCode status = U_ZERO_ERROR;
        char* put = out.data();
        const char* in = utf8.data();
        UChar pivot[4096];
        UChar* pivotSource = pivot;
        UChar* pivotTarget = pivot;
        ucnv_convertEx(to_, from_, &put, out.data() + out.size(), &in, utf8.data() + utf8.size(),
                       pivot, &pivotSource, &pivotTarget, pivot + std::size(pivot), true, true,
                       &status);
        out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(put - out.data()) : 0);
        return out;
    }

  private:
    UConverter* from_ = nullptr;
    UConverter* to_ = nullptr;
    bool ok_ = false;
};

// utf8ToLocal in the shape of the peers' converters.
struct OurConverter {
    Text convert(std::string_view utf8) { return utf8ToLocal(utf8); }
};

// Times one converter on the page. The converter is made once per benchmark run, so that the
// peers keep theirs open between conversions.
template <typename Converter>
void registerConversion(const char* name, const std::string* utf8, const RunOptions& options) {
    repeat(benchmark::RegisterBenchmark(name,
                                        [utf8](benchmark::State& state) {
                                            Converter converter;
                                            std::size_t outBytes = 0;
                                            for (auto _ : state) {
                                                const std::string text = converter.convert(*utf8);
                                                outBytes = text.size();
                                                benchmark::DoNotOptimize(text.data());
                                            }
                                            state.SetBytesProcessed(static_cast<std::int64_t>(
                                                state.iterations() * utf8->size()));
                                            state.counters["output_bytes"] =
                                                static_cast<double>(outBytes);
                                        }),
           options);
}

std::vector<std::string> readLines(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool report(bool agree, const std::string& what) {
    if (agree) {
        std::printf("agree: %s\n", what.c_str());
    } else {
        std::printf("*** MISMATCH *** %s\n", what.c_str());
        std::fprintf(stderr, "*** MISMATCH *** %s\n", what.c_str());
    }
    return agree;
}

}  // namespace

void repeat(benchmark::internal::Benchmark* benchmark, const RunOptions& options) {
    if (options.repetitions > 1) {
        benchmark->Repetitions(options.repetitions)->DisplayAggregatesOnly(true);
    }
}

void registerPageBenchmarks(const Inputs& inputs, const RunOptions& options) {
    const std::string* page = &inputs.page;
    repeat(benchmark::RegisterBenchmark("page/parse/ours-parseHotRows",
                                        [page](benchmark::State& state) {
                                            PatternMatcher matcher;
                                            std::size_t rows = 0;
                                            for (auto _ : state) {
                                                const HotRowList list =
                                                    parseHotRows(matcher, *page);
                                                rows = list.size();
                                                benchmark::DoNotOptimize(list.data());
                                            }
                                            state.SetBytesProcessed(static_cast<std::int64_t>(
                                                state.iterations() * page->size()));
                                            state.counters["matches"] = static_cast<double>(rows);
                                        }),
           options);
    for (const EngineKind kind : kPageEngines) {
        repeat(benchmark::RegisterBenchmark((std::string("page/parse/") + engineName(kind)).c_str(),
                                            [page, kind](benchmark::State& state) {
                                                const auto matcher = makeMatcher(kind, kRowPattern);
                                                SearchOutcome outcome;
                                                for (auto _ : state) {
                                                    outcome = matcher->searchAll(*page);
                                                }
                                                if (!outcome.error.empty()) {
                                                    state.SkipWithError(outcome.error.c_str());
                                                }
                                                reportSearch(state, page->size(), outcome);
                                            }),
               options);
    }
    // What a refresh spends on the page once it has the body: conversion, then parsing.
    const std::string* utf8 = &inputs.pageUtf8;
    repeat(benchmark::RegisterBenchmark("page/convert+parse/ours",
                                        [utf8](benchmark::State& state) {
                                            PatternMatcher matcher;
                                            std::size_t rows = 0;
                                            for (auto _ : state) {
                                                const HotRowList list =
                                                    parseHotRows(matcher, utf8ToLocal(*utf8));
                                                rows = list.size();
                                                benchmark::DoNotOptimize(list.data());
                                            }
                                            state.SetBytesProcessed(static_cast<std::int64_t>(
                                                state.iterations() * utf8->size()));
                                            state.counters["matches"] = static_cast<double>(rows);
                                        }),
           options);
}

void registerConversionBenchmarks(const Inputs& inputs, const RunOptions& options) {
    const std::string* utf8 = &inputs.pageUtf8;
    registerConversion<OurConverter>("page/convert/ours-utf8ToLocal", utf8, options);
    registerConversion<IconvConverter>("page/convert/iconv", utf8, options);
    registerConversion<IcuConverter>("page/convert/icu", utf8, options);
}

// std::regex runs on the page in this process: the page's rows are short, so its recursion
// stays shallow there.
bool checkAgreement(const Inputs& inputs, const std::string& expectedRowsFile) {
    bool agree = true;

    PatternMatcher matcher;
    const HotRowList rows = parseHotRows(matcher, inputs.page);
    const std::vector<std::string> expected = readLines(expectedRowsFile);
    agree &= report(rows == expected, "parseHotRows gives the " + std::to_string(expected.size()) +
                                          " rows the page generator wrote (got " +
                                          std::to_string(rows.size()) + ")");

    const SearchOutcome ours = makeMatcher(EngineKind::kOurs, kRowPattern)->searchAll(inputs.page);
    agree &= report(ours.matches == rows.size(),
                    "raw engine and parseHotRows: " + std::to_string(ours.matches) + " matches");
    for (const EngineKind kind : kPageEngines) {
        const SearchOutcome peer = makeMatcher(kind, kRowPattern)->searchAll(inputs.page);
        agree &=
            report(peer.error.empty() && peer.sameAs(ours),
                   std::string(engineName(kind)) + " on the page: " + std::to_string(peer.matches) +
                       " matches, " + std::to_string(peer.capturedBytes) +
                       " captured bytes (ours: " + std::to_string(ours.matches) + ", " +
                       std::to_string(ours.capturedBytes) + ")" +
                       (peer.error.empty() ? "" : " error: " + peer.error));
    }

    const Text local = utf8ToLocal(inputs.pageUtf8);
    agree &= report(local == inputs.page, "utf8ToLocal gives the code page 936 page");
    IconvConverter iconvConverter;
    agree &= report(iconvConverter.convert(inputs.pageUtf8) == local,
                    "iconv UTF-8 -> GBK gives the same bytes as utf8ToLocal");
    IcuConverter icuConverter;
    agree &= report(icuConverter.convert(inputs.pageUtf8) == local,
                    "ICU UTF-8 -> GBK gives the same bytes as utf8ToLocal");
    return agree;
}

}  // namespace velvane::bench
