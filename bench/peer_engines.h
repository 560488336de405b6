// The regular-expression engines the benchmarks compare, behind one small interface: compile a
// pattern with IgnoreCase and Multiline, then find every match in a subject, left to right,
// reading each match's capture groups.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace velvane::bench {

enum class EngineKind {
    kOurs,      // text/regex.h, the engine behind PatternMatcher
    kPcre2,     // PCRE2's interpreter, 8-bit code units, default limits
    kPcre2Jit,  // PCRE2 compiled to machine code, default JIT stack
    kStdRegex,  // std::regex, ECMAScript grammar
};

const char* engineName(EngineKind kind);

// What one search over a whole subject found. `capturedBytes` adds up the lengths of all groups
// of all matches, a second figure on which the engines must agree.
struct SearchOutcome {
    std::size_t matches = 0;
    std::size_t capturedBytes = 0;
    std::string error;  // empty when the search ran to its end

    bool sameAs(const SearchOutcome& other) const {
        return matches == other.matches && capturedBytes == other.capturedBytes;
    }
};

class Matcher {
  public:
    virtual ~Matcher() = default;
    // Every match in `subject`; a compile error shows up here as the outcome's error.
    virtual SearchOutcome searchAll(std::string_view subject) = 0;
};

// `pattern` compiled for `kind` with IgnoreCase and Multiline.
std::unique_ptr<Matcher> makeMatcher(EngineKind kind, std::string_view pattern);

}  // namespace velvane::bench
