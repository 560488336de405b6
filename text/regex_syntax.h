// Parsing of the pattern dialect into a syntax tree, and the reasons a pattern is refused.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace velvane::regex {

// Limits that keep hostile patterns from exhausting the stack or memory.
inline constexpr int kMaxNesting = 100;                // parentheses inside parentheses
inline constexpr int kMaxRepeatCount = 1000;           // n and m of {n}, {n,} and {n,m}
inline constexpr int kMaxCaptureGroups = 99;           // the most that $1..$99 can name
inline constexpr int kMaxLoopRegisters = 64;           // loops whose body can match the empty text
inline constexpr std::size_t kMaxProgramSize = 10000;  // instructions after expanding counts

enum class ErrorKind {
    kIncompleteCharacter,  // a lead byte at the very end of the pattern
    kTrailingBackslash,
    kUnsupportedEscape,     // an escape outside the dialect: \1, \A, \p, \k, ...
    kBadHexEscape,          // \x without two or \u without four hexadecimal digits
    kCharacterOutOfRange,   // \x or \u naming a character other than U+0000..U+007F
    kMissingBracket,        // a class without its closing "]"
    kEmptyClass,            // "[]" or "[^]"
    kNestedClass,           // an unescaped "[" inside a class
    kBadClassRange,         // a reversed range, or a range ending in \d, \w, ...
    kMissingParenthesis,    // a "(" without its ")"
    kUnmatchedParenthesis,  // a ")" without its "("
    kUnsupportedGroup,      // "(?" other than "(?:": lookaround, names, flags, atomic groups
    kNothingToRepeat,       // a quantifier after nothing, "|", "(", or an assertion
    kRepeatedQuantifier,    // a quantifier after a quantifier: "a**", "a{2}+"
    kBadBrace,              // a "{" that does not start {n}, {n,} or {n,m}
    kRepeatCountTooLarge,
    kReversedRepeatRange,  // {n,m} with n > m
    kNestingTooDeep,
    kTooManyGroups,
    kTooManyLoops,
    kProgramTooLarge,
};

struct CompileError {
    ErrorKind kind = ErrorKind::kProgramTooLarge;
    std::size_t offset = 0;  // byte offset in the pattern where the problem was noticed
};

const char* describe(ErrorKind kind);

// A range of character values, both ends included (see regex_characters.h for values).
struct CharRange {
    std::uint32_t first;
    std::uint32_t last;
};

// A bracketed class or a class escape as written: its ranges, and whether it was negated.
struct ClassSyntax {
    std::vector<CharRange> ranges;
    bool negated = false;
};

enum class Assertion : std::uint8_t {
    kBeginText,
    kEndText,
    kBeginLine,
    kEndLine,
    kWordBoundary,
    kNotWordBoundary,
};

enum class NodeKind : std::uint8_t {
    kEmpty,
    kLiteral,  // value: the character
    kAnyButNewline,
    kClass,      // value: index into SyntaxTree::classes
    kAssertion,  // value: an Assertion (^ and $ are kBeginLine/kEndLine, made exact later)
    kGroup,      // value: the capture group number (1-based); one child
    kConcat,     // children in order
    kAlternate,  // children in priority order
    kRepeat,     // min..max copies of the one child (max kUnbounded), greedy or lazy
};

inline constexpr int kUnbounded = -1;

struct Node {
    NodeKind kind = NodeKind::kEmpty;
    std::uint32_t value = 0;
    int min = 0;
    int max = 0;
    bool greedy = true;
    std::vector<int> children;
};

struct SyntaxTree {
    std::vector<Node> nodes;
    std::vector<ClassSyntax> classes;
    int root = 0;
    int groupCount = 0;
};

std::optional<SyntaxTree> parsePattern(std::string_view pattern, CompileError* error);

}  // namespace velvane::regex
