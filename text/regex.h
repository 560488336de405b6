// Regular expressions over code page 936 text: the engine behind PatternMatcher.
//
// The dialect (regex_syntax.cpp has the details):
//   literals, escaped punctuation ("\<" is "<"), \d \D \w \W \s \S \b \B \n \r \t \f \v,
//   \xHH and \uHHHH for U+0000..U+007F only (the code page's single-byte ASCII range; anything
//   above is refused rather than mapped), ".", classes with ranges and negation, (...), (?:...),
//   |, * + ? {n} {n,} {n,m} greedy or lazy, ^ and $.
// The semantics are those of a backtracking leftmost-first engine (Perl, JavaScript, VBScript,
// Python), with Python's choices where they differ:
//   - a lead byte 0x81..0xFE and the byte after it form one character, everywhere;
//   - "." is any character but a line feed; \s is [ \t\n\r\f\v], \w is [A-Za-z0-9_], \d [0-9];
//     \b and \B look at those ASCII word characters;
//   - Multiline: ^ at the start and after "\n", $ at the end and before "\n"; otherwise ^ only
//     at the start and $ at the end or before a final "\n";
//   - IgnoreCase folds ASCII letters only; double-byte characters never change;
//   - class ranges between double-byte characters follow the code page's order;
//   - an iteration of a loop that matched the empty text ends the loop, its captures kept;
//     captures of earlier iterations stay when a later one does not set them;
//   - but \B matches in the empty subject, as in Perl and JavaScript (Python's never does).
// Limits (regex_syntax.h): counts up to 1000, 99 groups, parentheses 100 deep, 10000
// instructions after counted repeats are expanded. Matching takes time linear in the subject
// (regex_backtracker.cpp, regex_pike_vm.cpp); subjects of 4 GiB or more never match.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "text/regex_program.h"
#include "text/regex_syntax.h"

namespace velvane::regex {

class Backtracker;
class PikeVm;

// Where a group matched, in bytes; both ends npos when the group took no part.
struct Span {
    std::size_t begin = std::string_view::npos;
    std::size_t end = std::string_view::npos;

    bool matched() const { return begin != std::string_view::npos; }
};

// A compiled pattern: immutable, cheap to copy (copies share the program).
class Regex {
  public:
    static std::optional<Regex> compile(std::string_view pattern, const Options& options,
                                        CompileError* error = nullptr);

    int captureCount() const { return program_->captureCount; }
    const Program& program() const { return *program_; }

  private:
    explicit Regex(std::shared_ptr<const Program> program) : program_(std::move(program)) {}

    std::shared_ptr<const Program> program_;
};

// Which matcher a Searcher runs. Both give the same results; kAutomatic is the fast choice,
// kPikeVm exists so that tests can hold each matcher to the same standard.
enum class Engine {
    kAutomatic,  // the backtracker where it can run, the Pike VM for the rest
    kPikeVm,     // the Pike VM alone
};

// Walks the matches of a regex in a subject, left to right, as a global search or replace
// does: after a match the next search starts at its end, one character further when the match
// was empty. Owns the matchers' working memory, so reusing a Searcher does not allocate.
class Searcher {
  public:
    explicit Searcher(const Regex& regex, Engine engine = Engine::kAutomatic);
    Searcher(const Regex& regex, std::string_view subject, Engine engine = Engine::kAutomatic);
    ~Searcher();
    Searcher(const Searcher&) = delete;
    Searcher& operator=(const Searcher&) = delete;

    // Starts over on `subject`, which must outlive the walk.
    void reset(std::string_view subject);
    // Moves to the next match; false when there is none.
    bool next();
    // Group g of the current match (0: the whole match, 1..captureCount: the groups).
    Span group(int g) const;

  private:
    bool search();

    Regex regex_;
    std::unique_ptr<PikeVm> vm_;
    std::unique_ptr<Backtracker> backtracker_;  // absent when it cannot run the program
    std::string_view subject_;
    std::size_t from_ = 0;
    std::size_t floor_ = 0;
    bool done_ = false;
    std::vector<std::uint32_t> slots_;
};

}  // namespace velvane::regex
