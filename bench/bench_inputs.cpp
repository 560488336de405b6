#include "bench/bench_inputs.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace velvane::bench {
namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        std::exit(2);
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

// The further pages are taken in the order of their names, so that a run is repeatable.
Inputs loadInputs(const std::string& fixtureDir, const std::string& pageDir) {
    Inputs inputs;
    const std::filesystem::path fixtures(fixtureDir);
    inputs.pageUtf8 = readFile(fixtures / "summary_page.html");
    inputs.page = readFile(fixtures / "summary_page_cp936.html");
    inputs.pages.push_back(inputs.page);
    if (!pageDir.empty()) {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(pageDir)) {
            const std::string name = entry.path().filename().string();
            if (name.ends_with("_cp936.html")) {
                files.push_back(entry.path());
            }
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            inputs.pages.push_back(readFile(file));
        }
    }
    return inputs;
}

std::string concatenatedPages(const std::vector<std::string>& pages, std::size_t bytes) {
    std::string text;
    text.reserve(bytes + pages.front().size());
    for (std::size_t i = 0; text.size() < bytes; ++i) {
        text += pages[i % pages.size()];
    }
    return text;
}

std::string oneLinePage(const std::vector<std::string>& pages, std::size_t bytes) {
    std::string text = concatenatedPages(pages, bytes);
    text.resize(bytes);
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

std::string repeated(std::string_view unit, std::size_t bytes) {
    std::string text;
    text.reserve(bytes + unit.size());
    while (text.size() < bytes) {
        text += unit;
    }
    text.resize(bytes);
    return text;
}

std::string sizeName(std::size_t bytes) {
    if (bytes >= kMiB && bytes % kMiB == 0) {
        return std::to_string(bytes / kMiB) + " MiB";
    }
    if (bytes >= kKiB && bytes % kKiB == 0) {
        return std::to_string(bytes / kKiB) + " KiB";
    }
    return std::to_string(bytes) + " B";
}

}  // namespace velvane::bench
