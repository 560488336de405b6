// Runs the regular-expression engine on cases read from standard input, for the differential
// test against Python's re (regex_differential.py).
//
// Input: one case per line, "<flags> <pattern in hex> <subject in hex>", flags being "i" or "-"
// (IgnoreCase) followed by "m" or "-" (Multiline); the pattern and subject are code page 936
// bytes. Output: one line per case, "error" when the pattern is refused, otherwise every match
// of a global walk as "[begin,end g1begin,g1end -]" (byte offsets, "-" for a group that took no
// part), concatenated.

#include <iostream>
#include <sstream>
#include <string>

#include "tests/text/regex_spans.h"

namespace {

std::string fromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

using velvane::regex::Engine;

std::string run(const std::string& flags, const std::string& pattern, const std::string& subject,
                Engine engine) {
    const velvane::regex::Options options{flags.size() > 0 && flags[0] == 'i',
                                          flags.size() > 1 && flags[1] == 'm'};
    return velvane::regex::matchSpans(pattern, options, subject, engine);
}

}  // namespace

int main(int argc, char** argv) {
    const Engine engine =
        argc > 1 && std::string(argv[1]) == "--pike-vm" ? Engine::kPikeVm : Engine::kAutomatic;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream fields(line);
        std::string flags;
        std::string pattern;
        std::string subject;
        fields >> flags >> pattern >> subject;
        if (pattern == ".") {
            pattern.clear();  // the empty pattern is written as "."
        }
        if (subject == ".") {
            subject.clear();
        }
        std::cout << run(flags, fromHex(pattern), fromHex(subject), engine) << '\n';
    }
    return 0;
}
