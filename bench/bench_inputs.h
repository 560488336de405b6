// The subjects the benchmarks search and convert: the realistic summary page, larger pages made
// of several of them, and inputs built to make backtracking engines blow up.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velvane::bench {

// The row pattern of hotlist/hot_rows.cpp, for the engines that do not go through
// parseHotRows. The agreement check at start-up holds it to parseHotRows' own.
inline constexpr std::string_view kRowPattern =
    R"re(\<a href=.*>(.[^\<]*)?\</a>\s.*?\s.*</td>\s.*<td (.*)\</td>)re";

// The nested-loop patterns of the pathological families "a-runs" and "a-runs-class".
inline constexpr std::string_view kNestedPattern = "(a*)*b";
inline constexpr std::string_view kNestedClassPattern = "(a*)*[bc]";

inline constexpr std::size_t kMiB = std::size_t{1} << 20;
inline constexpr std::size_t kKiB = std::size_t{1} << 10;

struct Inputs {
    std::string pageUtf8;  // the summary page as the service sends it
    std::string page;      // the same page in code page 936, as the widget parses it
    // More pages of the same generator (other ticks) in code page 936; at least `page`.
    std::vector<std::string> pages;
};

// Reads the page from `fixtureDir` (summary_page.html and summary_page_cp936.html) and the
// further pages, files ending in "_cp936.html", from `pageDir` when it is not empty. Exits the
// program with a message when a file cannot be read.
Inputs loadInputs(const std::string& fixtureDir, const std::string& pageDir);

// Whole pages, one after the other and cycling through `pages`, until at least `bytes`.
std::string concatenatedPages(const std::vector<std::string>& pages, std::size_t bytes);

// The concatenated pages with every line feed turned into a blank: one line of `bytes` bytes
// (cut there), as a minified page would be.
std::string oneLinePage(const std::vector<std::string>& pages, std::size_t bytes);

// `unit` repeated until `bytes` bytes (the last copy cut there).
std::string repeated(std::string_view unit, std::size_t bytes);

// "1 MiB", "64 KiB", "24 B".
std::string sizeName(std::size_t bytes);

}  // namespace velvane::bench
