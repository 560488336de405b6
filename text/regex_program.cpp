// Compiling a syntax tree into a program.
//
// The program is a Thompson NFA laid out as an array of instructions (see regex_program.h for
// the instruction set), the form the Pike VM (regex_pike_vm.cpp) simulates. Every instruction
// names its successor explicitly, and Split names two, the first with higher priority: that
// order is how alternation order and greedy versus lazy quantifiers reach the matcher.
//
//   a|b|c     Split L1,N1; L1: a; Jump E; N1: Split L2,L3; L2: b; Jump E; L3: c; E:
//   x*        L: Split B,E; B: x; Jump L; E:            (lazy: Split E,B)
//   x+        L: x; Split L,E; E:
//   x{2,4}    x x Split B1,E; B1: x Split B2,E; B2: x E:
//   (x)       Save 2n; x; Save 2n+1
//
// Counted repeats are expanded into copies, so the size of a program is the product of the
// counts along a path; it is computed before anything is emitted and refused beyond
// kMaxProgramSize, which keeps "((a{1000}){1000}){1000}" from allocating anything.
//
// Loops whose body can match the empty text ("(a*)*", "(a?)+", "(|x){2,}") get a register, a
// slot beside the capture slots. The body records its start position there, and after the body
// a ProgressCheck leaves the loop when the iteration consumed nothing. This is the rule of the
// backtracking engines (an iteration that matched the empty text ends the loop, its captures
// kept), and it also keeps the matcher from looping forever. Mandatory copies ({n} part) are
// not checked, as in those engines. The instructions of such a body are tagged with the loop
// (Program::enclosingLoop), because a thread that began its iteration at the current position
// and one that began it earlier can stand at the same instruction with different futures; the
// VM tells them apart by that tag.
//
// Letter case is applied here: with IgnoreCase an ASCII letter compiles to ByteFold and a class
// gains the other case of each letter it holds before it is negated, so "[^a]" matches neither
// "a" nor "A". Double-byte characters never change case.
//
// Finally the program is analysed for the searchers: the literal prefix every match starts
// with, the set of bytes a match can start with, and whether the program is anchored or looks
// behind its position. Compilation costs time linear in the size of the program.

#include "text/regex_program.h"

#include <algorithm>

#include "text/regex_characters.h"

namespace velvane::regex {
namespace {

constexpr std::uint32_t kHighestValue = 0xFFFF;
constexpr std::uint32_t kUnpatched = 0xFFFFFFFF;

bool isAsciiUpper(std::uint32_t value) {
    return value >= 'A' && value <= 'Z';
}
bool isAsciiLower(std::uint32_t value) {
    return value >= 'a' && value <= 'z';
}

std::vector<CharRange> normalized(std::vector<CharRange> ranges) {
    std::sort(ranges.begin(), ranges.end(),
              [](const CharRange& a, const CharRange& b) { return a.first < b.first; });
    std::vector<CharRange> merged;
    for (const CharRange& range : ranges) {
        if (!merged.empty() && range.first <= merged.back().last + 1) {
            merged.back().last = std::max(merged.back().last, range.last);
        } else {
            merged.push_back(range);
        }
    }
    return merged;
}

// Adds the other case of every ASCII letter in `ranges`.
void addOtherCase(std::vector<CharRange>& ranges) {
    const std::size_t count = ranges.size();
    for (std::size_t i = 0; i < count; ++i) {
        const CharRange range = ranges[i];
        const std::uint32_t upperFirst = std::max<std::uint32_t>(range.first, 'A');
        const std::uint32_t upperLast = std::min<std::uint32_t>(range.last, 'Z');
        if (upperFirst <= upperLast) {
            ranges.push_back({upperFirst + 32, upperLast + 32});
        }
        const std::uint32_t lowerFirst = std::max<std::uint32_t>(range.first, 'a');
        const std::uint32_t lowerLast = std::min<std::uint32_t>(range.last, 'z');
        if (lowerFirst <= lowerLast) {
            ranges.push_back({lowerFirst - 32, lowerLast - 32});
        }
    }
}

std::vector<CharRange> complement(const std::vector<CharRange>& ranges) {
    std::vector<CharRange> result;
    std::uint32_t next = 0;
    for (const CharRange& range : ranges) {
        if (range.first > next) {
            result.push_back({next, range.first - 1});
        }
        next = range.last + 1;
    }
    if (next <= kHighestValue) {
        result.push_back({next, kHighestValue});
    }
    return result;
}

CharSet buildSet(const ClassSyntax& syntax, bool ignoreCase) {
    std::vector<CharRange> ranges = syntax.ranges;
    if (ignoreCase) {
        addOtherCase(ranges);
    }
    ranges = normalized(std::move(ranges));
    if (syntax.negated) {
        ranges = complement(ranges);
    }
    CharSet set;
    for (const CharRange& range : ranges) {
        for (std::uint32_t value = range.first; value <= std::min<std::uint32_t>(range.last, 255);
             ++value) {
            set.singles[value >> 6] |= std::uint64_t{1} << (value & 63);
        }
        if (range.last >= 256) {
            set.pairs.push_back({std::max<std::uint32_t>(range.first, 256), range.last});
        }
    }
    return set;
}

class Compiler {
  public:
    Compiler(const SyntaxTree& tree, const Options& options) : tree_(tree), options_(options) {}

    std::optional<Program> run(CompileError* error) {
        measure();
        const std::size_t total = size_[static_cast<std::size_t>(tree_.root)] + 3;
        if (total > kMaxProgramSize) {
            return fail(ErrorKind::kProgramTooLarge, error);
        }
        if (registerCount_ > kMaxLoopRegisters) {
            return fail(ErrorKind::kTooManyLoops, error);
        }
        program_.captureCount = tree_.groupCount;
        program_.slotCount = 2 * (tree_.groupCount + 1) + registerCount_;
        program_.code.reserve(total);
        for (const ClassSyntax& syntax : tree_.classes) {
            program_.sets.push_back(buildSet(syntax, options_.ignoreCase));
        }
        emit(Opcode::kSave, 0);
        compile(tree_.root);
        emit(Opcode::kSave, 1);
        emit(Opcode::kMatch);
        return std::move(program_);
    }

  private:
    static std::optional<Program> fail(ErrorKind kind, CompileError* error) {
        if (error != nullptr) {
            *error = {kind, 0};
        }
        return std::nullopt;
    }

    // Computes for every node whether it can match the empty text and how many instructions it
    // compiles to (saturating just above the limit), and gives a register to every loop whose
    // body can match the empty text. Children come before their parents in the node array, so
    // one forward pass suffices.
    void measure() {
        const std::size_t count = tree_.nodes.size();
        nullable_.assign(count, false);
        size_.assign(count, 0);
        register_.assign(count, -1);
        for (std::size_t i = 0; i < count; ++i) {
            const Node& node = tree_.nodes[i];
            std::size_t size = 1;
            bool nullable = false;
            switch (node.kind) {
                case NodeKind::kEmpty:
                    size = 0;
                    nullable = true;
                    break;
                case NodeKind::kLiteral:
                case NodeKind::kAnyButNewline:
                case NodeKind::kClass:
                    break;
                case NodeKind::kAssertion:
                    nullable = true;
                    break;
                case NodeKind::kGroup:
                    size = childSize(node, 0) + 2;
                    nullable = childNullable(node, 0);
                    break;
                case NodeKind::kConcat:
                    size = 0;
                    nullable = true;
                    for (std::size_t c = 0; c < node.children.size(); ++c) {
                        size = saturate(size + childSize(node, c));
                        nullable = nullable && childNullable(node, c);
                    }
                    break;
                case NodeKind::kAlternate:
                    size = 2 * (node.children.size() - 1);
                    for (std::size_t c = 0; c < node.children.size(); ++c) {
                        size = saturate(size + childSize(node, c));
                        nullable = nullable || childNullable(node, c);
                    }
                    break;
                case NodeKind::kRepeat:
                    size = repeatSize(node, i);
                    nullable = node.min == 0 || childNullable(node, 0);
                    break;
            }
            size_[i] = saturate(size);
            nullable_[i] = nullable;
        }
    }

    std::size_t repeatSize(const Node& node, std::size_t index) {
        const std::size_t body = childSize(node, 0);
        const bool bodyNullable = childNullable(node, 0);
        const auto min = static_cast<std::size_t>(node.min);
        if (node.max == kUnbounded) {
            if (bodyNullable) {
                register_[index] = registerCount_++;
                return saturate((min + 1) * body + 3);  // Split, Save, body, ProgressCheck
            }
            return min > 0 ? saturate(min * body + 1) : saturate(body + 2);
        }
        const auto optional = static_cast<std::size_t>(node.max - node.min);
        const bool checked = bodyNullable && optional > 1;
        if (checked) {
            register_[index] = registerCount_++;
        }
        return saturate(min * body + optional * (body + 1) + (checked ? 2 * (optional - 1) : 0));
    }

    static std::size_t saturate(std::size_t size) { return std::min(size, kMaxProgramSize + 1); }
    std::size_t childSize(const Node& node, std::size_t c) const {
        return size_[static_cast<std::size_t>(node.children[c])];
    }
    bool childNullable(const Node& node, std::size_t c) const {
        return nullable_[static_cast<std::size_t>(node.children[c])];
    }

    std::uint32_t pc() const { return static_cast<std::uint32_t>(program_.code.size()); }

    std::uint32_t emit(Opcode op, std::uint32_t arg = 0) {
        const std::uint32_t at = pc();
        program_.code.push_back({op, arg, at + 1, kUnpatched});
        program_.enclosingLoop.push_back(currentLoop_);
        return at;
    }

    // Marks the instructions emitted until leaveLoop as the body of a loop with register `slot`.
    void enterLoop(std::uint32_t slot) {
        program_.loops.push_back({slot, currentLoop_});
        currentLoop_ = static_cast<std::int32_t>(program_.loops.size()) - 1;
        program_.loopNesting = std::max(program_.loopNesting, ++loopDepth_);
    }

    void leaveLoop() {
        currentLoop_ = program_.loops[static_cast<std::size_t>(currentLoop_)].parent;
        --loopDepth_;
    }

    // Emits a Split whose preferred branch is the code that follows when `bodyFirst`; the
    // other branch is patched later with patchExit.
    std::uint32_t emitSplit(bool bodyFirst) {
        const std::uint32_t at = emit(Opcode::kSplit);
        if (!bodyFirst) {
            program_.code[at].alt = at + 1;
            program_.code[at].next = kUnpatched;
        }
        return at;
    }

    void patchExit(std::uint32_t at, std::uint32_t target) {
        Instruction& instruction = program_.code[at];
        (instruction.next == kUnpatched ? instruction.next : instruction.alt) = target;
    }

    std::uint32_t registerSlot(std::size_t node) const {
        return static_cast<std::uint32_t>(2 * (tree_.groupCount + 1) + register_[node]);
    }

    // Emits the code of node `index`; its successor is whatever is emitted next. The recursion
    // follows the tree, whose depth the parser bounds.
    void compile(int index) {
        const Node& node = tree_.nodes[static_cast<std::size_t>(index)];
        switch (node.kind) {
            case NodeKind::kEmpty:
                break;
            case NodeKind::kLiteral:
                compileLiteral(node.value);
                break;
            case NodeKind::kAnyButNewline:
                emit(Opcode::kAnyButNewline);
                break;
            case NodeKind::kClass:
                emit(Opcode::kSet, node.value);
                break;
            case NodeKind::kAssertion:
                emit(Opcode::kAssert, static_cast<std::uint32_t>(exactAssertion(node.value)));
                break;
            case NodeKind::kGroup:
                emit(Opcode::kSave, 2 * node.value);
                compile(node.children[0]);
                emit(Opcode::kSave, 2 * node.value + 1);
                break;
            case NodeKind::kConcat:
                for (const int child : node.children) {
                    compile(child);
                }
                break;
            case NodeKind::kAlternate:
                compileAlternate(node);
                break;
            case NodeKind::kRepeat:
                compileRepeat(node, static_cast<std::size_t>(index));
                break;
        }
    }

    void compileLiteral(std::uint32_t value) {
        if (value >= 256) {
            emit(Opcode::kPair, value);
        } else if (options_.ignoreCase && (isAsciiUpper(value) || isAsciiLower(value))) {
            emit(Opcode::kByteFold, value | 0x20);
        } else {
            emit(Opcode::kByte, value);
        }
    }

    Assertion exactAssertion(std::uint32_t value) const {
        const auto assertion = static_cast<Assertion>(value);
        if (!options_.multiline && assertion == Assertion::kBeginLine) {
            return Assertion::kBeginText;
        }
        if (!options_.multiline && assertion == Assertion::kEndLine) {
            return Assertion::kEndText;
        }
        return assertion;
    }

    void compileAlternate(const Node& node) {
        std::vector<std::uint32_t> jumps;
        for (std::size_t c = 0; c + 1 < node.children.size(); ++c) {
            const std::uint32_t split = emitSplit(true);
            compile(node.children[c]);
            jumps.push_back(emit(Opcode::kJump));
            program_.code[split].alt = pc();
        }
        compile(node.children.back());
        for (const std::uint32_t jump : jumps) {
            program_.code[jump].next = pc();
        }
    }

    // Flags a greedy loop whose body, the code from `body` to `end`, is one consuming
    // instruction.
    void markCharacterLoop(std::uint32_t split, std::uint32_t body, std::uint32_t end,
                           bool greedy) {
        if (greedy && end == body + 1 && program_.code[body].op < Opcode::kMatch) {
            program_.code[split].arg = kCharacterLoop;
        }
    }

    void compileRepeat(const Node& node, std::size_t index) {
        const int child = node.children[0];
        const bool bodyNullable = nullable_[static_cast<std::size_t>(child)];
        if (node.max == kUnbounded && node.min > 0 && !bodyNullable) {
            for (int i = 1; i < node.min; ++i) {
                compile(child);
            }
            const std::uint32_t loop = pc();
            compile(child);
            const std::uint32_t split = emitSplit(node.greedy);
            (node.greedy ? program_.code[split].next : program_.code[split].alt) = loop;
            markCharacterLoop(split, loop, split, node.greedy);
            patchExit(split, pc());
            return;
        }
        for (int i = 0; i < node.min; ++i) {
            compile(child);
        }
        if (node.max == kUnbounded) {
            const std::uint32_t split = emitSplit(node.greedy);
            std::uint32_t check = kUnpatched;
            if (bodyNullable) {
                emit(Opcode::kSave, registerSlot(index));
                enterLoop(registerSlot(index));
                compile(child);
                check = emit(Opcode::kProgressCheck, registerSlot(index));
                leaveLoop();
                program_.code[check].next = split;
            } else {
                compile(child);
                markCharacterLoop(split, split + 1, pc(), node.greedy);
                program_.code[emit(Opcode::kJump)].next = split;
            }
            patchExit(split, pc());
            if (check != kUnpatched) {
                program_.code[check].alt = pc();
            }
            return;
        }
        std::vector<std::uint32_t> exits;
        const int optional = node.max - node.min;
        for (int i = 0; i < optional; ++i) {
            exits.push_back(emitSplit(node.greedy));
            const bool checked = register_[index] >= 0 && i + 1 < optional;
            if (checked) {
                emit(Opcode::kSave, registerSlot(index));
                enterLoop(registerSlot(index));
            }
            compile(child);
            if (checked) {
                exits.push_back(emit(Opcode::kProgressCheck, registerSlot(index)));
                leaveLoop();
            }
        }
        for (const std::uint32_t at : exits) {
            if (program_.code[at].op == Opcode::kProgressCheck) {
                program_.code[at].alt = pc();
            } else {
                patchExit(at, pc());
            }
        }
    }

    const SyntaxTree& tree_;
    const Options& options_;
    Program program_;
    std::vector<bool> nullable_;
    std::vector<std::size_t> size_;
    std::vector<int> register_;
    int registerCount_ = 0;
    std::int32_t currentLoop_ = -1;
    int loopDepth_ = 0;
};

void markByte(Program& program, std::uint32_t byte) {
    program.firstBytes[byte & 0xFF] = true;
}

// Fills in what the searchers use to skip ahead: the bytes a match can start with, the literal
// prefix, and the anchoring and look-behind flags.
void analyse(Program& program) {
    const std::vector<Instruction>& code = program.code;
    std::vector<bool> seen(code.size(), false);
    std::vector<std::uint32_t> stack = {0};
    while (!stack.empty()) {
        const std::uint32_t at = stack.back();
        stack.pop_back();
        if (seen[at]) {
            continue;
        }
        seen[at] = true;
        const Instruction& instruction = code[at];
        switch (instruction.op) {
            case Opcode::kByte:
                markByte(program, instruction.arg);
                break;
            case Opcode::kByteFold:
                markByte(program, instruction.arg);
                markByte(program, instruction.arg - 32);
                break;
            case Opcode::kPair:
                markByte(program, instruction.arg >> 8);
                break;
            case Opcode::kAnyButNewline:
                for (std::uint32_t byte = 0; byte < 256; ++byte) {
                    if (byte != '\n') {
                        markByte(program, byte);
                    }
                }
                break;
            case Opcode::kSet: {
                const CharSet& set = program.sets[instruction.arg];
                for (std::uint32_t byte = 0; byte < 256; ++byte) {
                    if (set.contains(byte)) {
                        markByte(program, byte);
                    }
                }
                for (const CharRange& range : set.pairs) {
                    for (std::uint32_t lead = range.first >> 8; lead <= (range.last >> 8); ++lead) {
                        markByte(program, lead);
                    }
                }
                break;
            }
            case Opcode::kMatch:
                program.matchesEmpty = true;
                break;
            case Opcode::kSplit:
            case Opcode::kProgressCheck:
                stack.push_back(instruction.alt);
                stack.push_back(instruction.next);
                break;
            case Opcode::kJump:
            case Opcode::kSave:
            case Opcode::kAssert:
                stack.push_back(instruction.next);
                break;
        }
    }
    program.anyFirstByte =
        program.matchesEmpty ||
        std::all_of(program.firstBytes.begin(), program.firstBytes.end(), [](bool b) { return b; });

    std::uint32_t at = 0;
    while (code[at].op == Opcode::kSave) {
        at = code[at].next;
    }
    program.anchoredAtStart = code[at].op == Opcode::kAssert &&
                              code[at].arg == static_cast<std::uint32_t>(Assertion::kBeginText);
    for (;; at = code[at].next) {
        const Instruction& instruction = code[at];
        if (instruction.op == Opcode::kByte || instruction.op == Opcode::kByteFold) {
            program.prefix.push_back(static_cast<char>(instruction.arg));
            program.prefixFolded.push_back(instruction.op == Opcode::kByteFold ? 1 : 0);
        } else if (instruction.op == Opcode::kPair) {
            program.prefix.push_back(static_cast<char>(instruction.arg >> 8));
            program.prefix.push_back(static_cast<char>(instruction.arg & 0xFF));
            program.prefixFolded.append(2, 0);
        } else if (instruction.op != Opcode::kSave) {
            break;
        }
    }

    for (const Instruction& instruction : code) {
        if (instruction.op == Opcode::kAssert) {
            const auto assertion = static_cast<Assertion>(instruction.arg);
            program.needsPreviousCharacter |= assertion == Assertion::kBeginLine ||
                                              assertion == Assertion::kWordBoundary ||
                                              assertion == Assertion::kNotWordBoundary;
        }
    }
}

}  // namespace

bool CharSet::containsPair(std::uint32_t value) const {
    for (const CharRange& range : pairs) {
        if (value < range.first) {
            return false;
        }
        if (value <= range.last) {
            return true;
        }
    }
    return false;
}

bool assertionHolds(std::uint32_t assertion, std::string_view subject, std::size_t at,
                    std::uint32_t previous) {
    const bool atEnd = at == subject.size();
    switch (static_cast<Assertion>(assertion)) {
        case Assertion::kBeginText:
            return at == 0;
        case Assertion::kEndText:
            // Like Python's $ without MULTILINE: the end, or just before a final line feed.
            return atEnd || (at + 1 == subject.size() && subject[at] == '\n');
        case Assertion::kBeginLine:
            return at == 0 || previous == kLineFeed;
        case Assertion::kEndLine:
            return atEnd || subject[at] == '\n';
        case Assertion::kWordBoundary:
        case Assertion::kNotWordBoundary: {
            // At a character start an ASCII byte is a whole character.
            const bool before = isWordCharacter(previous);
            const bool after = !atEnd && isWordCharacter(static_cast<unsigned char>(subject[at]));
            return (before != after) ==
                   (static_cast<Assertion>(assertion) == Assertion::kWordBoundary);
        }
    }
    return false;
}

std::optional<Program> compileProgram(const SyntaxTree& tree, const Options& options,
                                      CompileError* error) {
    std::optional<Program> program = Compiler(tree, options).run(error);
    if (program) {
        analyse(*program);
    }
    return program;
}

}  // namespace velvane::regex
