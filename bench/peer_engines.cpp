#include "bench/peer_engines.h"

#include <optional>
#include <regex>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include "text/regex.h"

namespace velvane::bench {
namespace {

class OurMatcher : public Matcher {
  public:
    explicit OurMatcher(std::string_view pattern) {
        regex::CompileError error;
        regex_ = regex::Regex::compile(pattern, {.ignoreCase = true, .multiline = true}, &error);
        if (regex_) {
            searcher_.emplace(*regex_);
        } else {
            error_ = std::string("pattern refused: ") + regex::describe(error.kind);
        }
    }

    SearchOutcome searchAll(std::string_view subject) override {
        SearchOutcome outcome;
        if (!searcher_) {
            outcome.error = error_;
            return outcome;
        }
        searcher_->reset(subject);
        while (searcher_->next()) {
            ++outcome.matches;
            for (int g = 1; g <= regex_->captureCount(); ++g) {
                const regex::Span span = searcher_->group(g);
                if (span.matched()) {
                    outcome.capturedBytes += span.end - span.begin;
                }
            }
        }
        return outcome;
    }

  private:
    std::optional<regex::Regex> regex_;
    std::optional<regex::Searcher> searcher_;  // reused, so a search does not allocate
    std::string error_;
};

std::string pcre2Message(int code) {
    PCRE2_UCHAR buffer[256];
    pcre2_get_error_message(code, buffer, sizeof buffer);
    return "PCRE2 error " + std::to_string(code) + ": " + reinterpret_cast<const char*>(buffer);
}

// The global loop of pcre2demo. None of the benchmark patterns matches the empty text; should
// one, the next search starts one byte further.
class Pcre2Matcher : public Matcher {
  public:
    Pcre2Matcher(std::string_view pattern, bool jit) : jit_(jit) {
        int code = 0;
        PCRE2_SIZE offset = 0;
        code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                              PCRE2_CASELESS | PCRE2_MULTILINE, &code, &offset, nullptr);
        if (code_ == nullptr) {
            error_ = pcre2Message(code);
            return;
        }
        if (jit_) {
            const int rc = pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE);
            if (rc != 0) {
                error_ = pcre2Message(rc);
            }
        }
        matchData_ = pcre2_match_data_create_from_pattern(code_, nullptr);
    }
    ~Pcre2Matcher() override {
        pcre2_match_data_free(matchData_);
        pcre2_code_free(code_);
    }
    Pcre2Matcher(const Pcre2Matcher&) = delete;
    Pcre2Matcher& operator=(const Pcre2Matcher&) = delete;

    SearchOutcome searchAll(std::string_view subject) override {
        SearchOutcome outcome;
        if (!error_.empty()) {
            outcome.error = error_;
            return outcome;
        }
        const auto* data = reinterpret_cast<PCRE2_SPTR>(subject.data());
        const std::uint32_t options = jit_ ? 0 : PCRE2_NO_JIT;
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(matchData_);
        const std::uint32_t groups = pcre2_get_ovector_count(matchData_);
        PCRE2_SIZE from = 0;
        while (from <= subject.size()) {
            const int rc =
                pcre2_match(code_, data, subject.size(), from, options, matchData_, nullptr);
            if (rc == PCRE2_ERROR_NOMATCH) {
                break;
            }
            if (rc < 0) {
                outcome.error = pcre2Message(rc);
                break;
            }
            ++outcome.matches;
            for (std::uint32_t g = 1; g < groups; ++g) {
                if (ovector[2 * g] != PCRE2_UNSET) {
                    outcome.capturedBytes += ovector[2 * g + 1] - ovector[2 * g];
                }
            }
            from = ovector[1] > ovector[0] ? ovector[1] : ovector[1] + 1;
        }
        return outcome;
    }

  private:
    bool jit_;
    pcre2_code* code_ = nullptr;
    pcre2_match_data* matchData_ = nullptr;
    std::string error_;
};

// std::regex reports trouble (a pattern it refuses, a search too complex for it) by throwing;
// a search too deep for the stack is not reported at all: it crashes, which is why the
// benchmarks run it in a child process on anything but the page.
class StdRegexMatcher : public Matcher {
  public:
    explicit StdRegexMatcher(std::string_view pattern) {
        try {
            regex_.emplace(pattern.begin(), pattern.end(),
                           std::regex::ECMAScript | std::regex::icase | std::regex::multiline);
        } catch (const std::regex_error& error) {
            error_ = std::string("std::regex_error: ") + error.what();
        }
    }

    SearchOutcome searchAll(std::string_view subject) override {
        SearchOutcome outcome;
        if (!regex_) {
            outcome.error = error_;
            return outcome;
        }
        try {
            const std::cregex_iterator end;
            for (std::cregex_iterator it(subject.data(), subject.data() + subject.size(), *regex_);
                 it != end; ++it) {
                ++outcome.matches;
                for (std::size_t g = 1; g < it->size(); ++g) {
                    if ((*it)[g].matched) {
                        outcome.capturedBytes += static_cast<std::size_t>((*it)[g].length());
                    }
                }
            }
        } catch (const std::regex_error& error) {
            outcome.error = std::string("std::regex_error: ") + error.what();
        }
        return outcome;
    }

  private:
    std::optional<std::regex> regex_;
    std::string error_;
};

}  // namespace

const char* engineName(EngineKind kind) {
    switch (kind) {
        case EngineKind::kOurs:
            return "ours";
        case EngineKind::kPcre2:
            return "pcre2";
        case EngineKind::kPcre2Jit:
            return "pcre2-jit";
        case EngineKind::kStdRegex:
            return "std-regex";
    }
    return "?";
}

std::unique_ptr<Matcher> makeMatcher(EngineKind kind, std::string_view pattern) {
    switch (kind) {
        case EngineKind::kOurs:
            return std::make_unique<OurMatcher>(pattern);
        case EngineKind::kPcre2:
            return std::make_unique<Pcre2Matcher>(pattern, false);
        case EngineKind::kPcre2Jit:
            return std::make_unique<Pcre2Matcher>(pattern, true);
        case EngineKind::kStdRegex:
            return std::make_unique<StdRegexMatcher>(pattern);
    }
    return nullptr;
}

}  // namespace velvane::bench
