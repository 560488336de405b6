// The compiled form of a pattern: a flat array of instructions for the matchers to run.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/regex_syntax.h"

namespace velvane::regex {

struct Options {
    bool ignoreCase = false;  // ASCII letters only
    bool multiline = false;   // ^ and $ also at line feeds
};

enum class Opcode : std::uint8_t {
    // Instructions that consume one character and continue at `next`.
    kByte,           // the single-byte character `arg`
    kByteFold,       // the ASCII letter `arg` (lower case) in either case
    kPair,           // the double-byte character `arg`
    kAnyButNewline,  // any character but a line feed
    kSet,            // a character of sets[arg]
    // The end of a successful path.
    kMatch,
    // Instructions that consume nothing.
    kSplit,          // continue at `next` and, with lower priority, at `alt`; `arg` is
                     // kCharacterLoop when `next` is one consuming instruction that leads
                     // straight back here (".*", "[^<]*"), a loop the backtracker scans
    kJump,           // continue at `next`
    kSave,           // record the position in slot `arg`, continue at `next`
    kProgressCheck,  // slot `arg` holds the position where a loop iteration began: when the
                     // iteration consumed something continue at `next`, else at `alt`
    kAssert,         // continue at `next` when Assertion `arg` holds
};

inline constexpr std::uint32_t kCharacterLoop = 1;

struct Instruction {
    Opcode op;
    std::uint32_t arg;
    std::uint32_t next;
    std::uint32_t alt;
};

// A set of characters: a bitmap for single-byte values, sorted disjoint ranges for double-byte
// values (compared as lead * 256 + trail, the order of the code page, not of Unicode).
struct CharSet {
    std::array<std::uint64_t, 4> singles{};
    std::vector<CharRange> pairs;

    bool contains(std::uint32_t value) const {
        if (value < 256) {
            return (singles[value >> 6] >> (value & 63)) & 1;
        }
        return containsPair(value);
    }
    bool containsPair(std::uint32_t value) const;
};

// A loop whose body can match the empty text, as one copy of it appears in the code: the slot
// of its register and the loop that encloses this one (-1 for none).
struct EmptyLoop {
    std::uint32_t slot;
    std::int32_t parent;
};

// Whether the consuming instruction `instruction` takes the character `value`.
inline bool takes(const Instruction& instruction, const CharSet* sets, std::uint32_t value) {
    switch (instruction.op) {
        case Opcode::kByte:
        case Opcode::kPair:
            return value == instruction.arg;
        case Opcode::kByteFold:
            return (value | 0x20) == instruction.arg;
        case Opcode::kAnyButNewline:
            return value != '\n';
        case Opcode::kSet:
            return sets[instruction.arg].contains(value);
        default:
            return false;
    }
}

struct Program {
    std::vector<Instruction> code;  // starts at 0
    std::vector<CharSet> sets;
    std::vector<EmptyLoop> loops;
    std::vector<std::int32_t> enclosingLoop;  // per instruction: the innermost loop body that
                                              // holds it, or -1
    int loopNesting = 0;                      // the deepest nesting of such loop bodies
    int captureCount = 0;                     // groups, not counting the whole match
    int slotCount = 0;  // 2 per group including the whole match, then loop registers

    // What the searchers use to skip to places where a match can start.
    std::string prefix;                   // literal bytes every match starts with
    std::string prefixFolded;             // per prefix byte: 1 when it is a letter of either case
    std::array<bool, 256> firstBytes{};   // bytes a match can start with
    bool anyFirstByte = false;            // every position may start a match
    bool matchesEmpty = false;            // the empty text can match (somewhere)
    bool anchoredAtStart = false;         // a match can only start at position 0
    bool needsPreviousCharacter = false;  // \b, \B or multiline ^ look behind the position
};

std::optional<Program> compileProgram(const SyntaxTree& tree, const Options& options,
                                      CompileError* error);

// Whether Assertion `assertion` holds at `at`, a character start of `subject`, where
// `previous` is the value of the character before it (kNoCharacter at the start).
bool assertionHolds(std::uint32_t assertion, std::string_view subject, std::size_t at,
                    std::uint32_t previous);

}  // namespace velvane::regex
