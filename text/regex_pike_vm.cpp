// The Pike VM.
//
// A simulation of the program's NFA that runs all alternatives in lock step, one character at
// a time, as Thompson described and Pike extended with capture slots (see Russ Cox, "Regular
// Expression Matching: the Virtual Machine Approach"). The threads alive at a position are kept
// in a list ordered by priority, the order in which a backtracking engine would try them; a
// thread that reaches an instruction another thread already holds at the same position is
// dropped, because the earlier one explores the same future with higher priority. That rule
// bounds the list by the program size and makes the result equal to the first match a
// backtracking engine (Perl, JavaScript, VBScript, Python) would find, captures included.
//
// Search is unanchored: while no match has been found, a new thread of lowest priority starts
// at every position that can begin a match, so one pass finds the leftmost match without ever
// restarting at a later position. Once a thread matches, the threads below it are cut and no
// new ones start; the threads above it run on until they die or find a better match. When no
// thread is alive the VM does not step at all: it jumps to the next place a match can start,
// found with memchr on a byte of the literal prefix (verified in full, letters folded under
// IgnoreCase) or with a table of first bytes. Since those scans land on arbitrary bytes, a
// candidate is checked to start a character by lead-byte parity (regex_characters.h).
//
// Cost: O(subject length x program size) time, O(program size x slots) memory allocated once
// per VM and reused by every search. Following the epsilon transitions (Split, Jump, Save,
// ProgressCheck, Assert) uses an explicit stack whose depth is bounded by the program size; a
// Save pushes a frame that restores the slot on the way back, so one scratch array serves the
// whole closure and is copied only into the rows of the consuming instructions it reaches.

#include "text/regex_pike_vm.h"

#include <algorithm>
#include <cstring>

namespace velvane::regex {

PikeVm::PikeVm(const Program& program)
    : program_(program), slotCount_(static_cast<std::size_t>(program.slotCount)) {
    const std::size_t size = program.code.size();
    for (ThreadList& list : lists_) {
        list.pcs.resize(size);
        list.slots.resize(size * slotCount_);
        list.seen.resize(size * static_cast<std::size_t>(program.loopNesting + 1));
    }
    stack_.reserve(size + 1);
    startSlots_.assign(slotCount_, kNoPosition);
    for (std::size_t i = 0; i < program.prefixFolded.size(); ++i) {
        if (program.prefixFolded[i] == 0) {
            prefixAnchor_ = static_cast<int>(i);
            break;
        }
    }
}

bool PikeVm::holds(std::uint32_t assertion, const Place& place) const {
    const std::string_view subject = place.subject;
    const std::size_t at = place.position;
    const bool atEnd = at == subject.size();
    switch (static_cast<Assertion>(assertion)) {
        case Assertion::kBeginText:
            return at == 0;
        case Assertion::kEndText:
            // Like Python's $ without MULTILINE: the end, or just before a final line feed.
            return atEnd || (at + 1 == subject.size() && subject[at] == '\n');
        case Assertion::kBeginLine:
            return at == 0 || place.previous.value == kLineFeed;
        case Assertion::kEndLine:
            return atEnd || subject[at] == '\n';
        case Assertion::kWordBoundary:
        case Assertion::kNotWordBoundary: {
            // At a character start an ASCII byte is a whole character.
            const bool before = isWordCharacter(place.previous.value);
            const bool after = !atEnd && isWordCharacter(static_cast<unsigned char>(subject[at]));
            return (before != after) ==
                   (static_cast<Assertion>(assertion) == Assertion::kWordBoundary);
        }
    }
    return false;
}

void PikeVm::ThreadList::clear() {
    size = 0;
    if (++generation == 0) {
        std::fill(seen.begin(), seen.end(), 0);
        generation = 1;
    }
}

// The state a thread is in at `pc`: the instruction, and for an instruction inside bodies of
// loops that can match the empty text, how many of the innermost of them began their iteration
// at this very position (when an outer one did, the inner ones did too). Threads in the same
// state have the same future, so the first one to get there, the one of higher priority, is
// the only one kept. After a consuming instruction every iteration has consumed something, so
// those are keyed by the instruction alone.
std::size_t PikeVm::stateKey(std::uint32_t pc, const std::uint32_t* slots,
                             std::uint32_t position) const {
    std::size_t begunHere = 0;
    for (std::int32_t loop = program_.enclosingLoop[pc];
         loop >= 0 && slots[program_.loops[static_cast<std::size_t>(loop)].slot] == position;
         loop = program_.loops[static_cast<std::size_t>(loop)].parent) {
        ++begunHere;
    }
    return pc + begunHere * program_.code.size();
}

// Adds the thread at `pc` and everything reachable from it without consuming a character, in
// priority order, to `list`. `slots` is scratch: changed on the way and restored on return.
void PikeVm::addThread(ThreadList& list, std::uint32_t pc, std::uint32_t* slots,
                       const Place& place) {
    constexpr std::uint32_t kRestore = 0xFFFFFFFF;
    const Instruction* code = program_.code.data();
    stack_.push_back({pc, 0, 0});
    while (!stack_.empty()) {
        const Frame frame = stack_.back();
        stack_.pop_back();
        if (frame.pc == kRestore) {
            slots[frame.slot] = frame.value;
            continue;
        }
        for (pc = frame.pc;;) {
            const Instruction& instruction = code[pc];
            const std::size_t key = instruction.op >= Opcode::kSplit && program_.loopNesting > 0
                                        ? stateKey(pc, slots, place.position)
                                        : pc;
            if (list.seen[key] == list.generation) {
                break;  // an earlier thread holds this state
            }
            list.seen[key] = list.generation;
            if (instruction.op == Opcode::kSplit) {
                stack_.push_back({instruction.alt, 0, 0});
                pc = instruction.next;
            } else if (instruction.op == Opcode::kJump) {
                pc = instruction.next;
            } else if (instruction.op == Opcode::kSave) {
                stack_.push_back({kRestore, instruction.arg, slots[instruction.arg]});
                slots[instruction.arg] = place.position;
                pc = instruction.next;
            } else if (instruction.op == Opcode::kProgressCheck) {
                pc = slots[instruction.arg] == place.position ? instruction.alt : instruction.next;
            } else if (instruction.op == Opcode::kAssert) {
                if (!holds(instruction.arg, place)) {
                    break;
                }
                pc = instruction.next;
            } else {
                list.pcs[list.size++] = pc;
                std::memcpy(row(list, pc), slots, slotCount_ * sizeof(std::uint32_t));
                break;
            }
        }
    }
}

// The first position at or after `at` where the literal prefix occurs at a character start.
std::size_t PikeVm::findPrefix(std::string_view subject, std::size_t at) const {
    const std::string& prefix = program_.prefix;
    const std::size_t size = subject.size();
    const std::size_t length = prefix.size();
    const char* data = subject.data();
    std::size_t floor = at;
    while (at + length <= size) {
        std::size_t candidate;
        if (prefixAnchor_ >= 0) {
            const auto anchor = static_cast<std::size_t>(prefixAnchor_);
            const void* hit =
                std::memchr(data + at + anchor, prefix[anchor], size - length + 1 - at);
            if (hit == nullptr) {
                return std::string_view::npos;
            }
            candidate = static_cast<std::size_t>(static_cast<const char*>(hit) - data) - anchor;
        } else {
            candidate = at;
            while (candidate + length <= size && (data[candidate] | 0x20) != prefix[0]) {
                ++candidate;
            }
            if (candidate + length > size) {
                return std::string_view::npos;
            }
        }
        bool same = true;
        for (std::size_t i = 0; i < length && same; ++i) {
            const char byte = program_.prefixFolded[i] != 0
                                  ? static_cast<char>(data[candidate + i] | 0x20)
                                  : data[candidate + i];
            same = byte == prefix[i];
        }
        if (same) {
            if (startsCharacter(subject, floor, candidate)) {
                return candidate;
            }
            floor = candidate - 1;  // the lead byte of the character the candidate cuts
        }
        at = candidate + 1;
    }
    return std::string_view::npos;
}

// The first position at or after `at` that starts a character whose first byte can begin a
// match.
std::size_t PikeVm::findFirstByte(std::string_view subject, std::size_t at) const {
    std::size_t floor = at;
    for (std::size_t candidate = at; candidate < subject.size(); ++candidate) {
        if (program_.firstBytes[static_cast<unsigned char>(subject[candidate])]) {
            if (startsCharacter(subject, floor, candidate)) {
                return candidate;
            }
            floor = candidate - 1;
        }
    }
    return std::string_view::npos;
}

// Moves `at` to the first place at or after it where a match can start, keeping `previous`
// the character before it. False when there is none.
bool PikeVm::skipAhead(std::string_view subject, std::size_t& at, Character& previous) const {
    if (program_.anchoredAtStart) {
        return at == 0;
    }
    std::size_t candidate = at;
    if (!program_.prefix.empty()) {
        candidate = findPrefix(subject, at);
    } else if (!program_.anyFirstByte) {
        candidate = findFirstByte(subject, at);
    }
    if (candidate == std::string_view::npos) {
        return false;
    }
    if (candidate != at) {
        if (program_.needsPreviousCharacter) {
            previous = characterBefore(subject, at, candidate);
        }
        at = candidate;
    }
    return true;
}

bool PikeVm::search(std::string_view subject, std::size_t from, std::size_t floor,
                    std::uint32_t* slots) {
    const std::size_t size = subject.size();
    if (size >= kNoPosition || from > size) {
        return false;
    }
    const Instruction* code = program_.code.data();
    const CharSet* sets = program_.sets.data();
    ThreadList* current = &lists_[0];
    ThreadList* next = &lists_[1];
    current->clear();
    bool matched = false;
    std::size_t at = from;
    Character previous;
    if (program_.needsPreviousCharacter) {
        previous = characterBefore(subject, floor < from ? floor : 0, from);
    }
    for (;;) {
        if (!matched) {
            if (current->size == 0) {
                current->clear();  // forget what the closures of earlier positions visited
                if (!skipAhead(subject, at, previous)) {
                    break;
                }
            }
            const bool canStart =
                at < size ? program_.anyFirstByte ||
                                program_.firstBytes[static_cast<unsigned char>(subject[at])]
                          : program_.matchesEmpty;
            if (canStart) {
                addThread(*current, 0, startSlots_.data(),
                          {subject, static_cast<std::uint32_t>(at), previous});
            }
        }
        if (at >= size) {
            for (std::uint32_t i = 0; i < current->size; ++i) {
                const std::uint32_t pc = current->pcs[i];
                if (code[pc].op == Opcode::kMatch) {
                    std::memcpy(slots, row(*current, pc), slotCount_ * sizeof(std::uint32_t));
                    matched = true;
                    break;
                }
            }
            break;
        }
        const Character character = decodeAt(subject, at);
        if (current->size == 0) {
            if (matched) {
                break;
            }
            previous = character;  // nothing could start here
            at += character.length;
            continue;
        }
        const Place after{subject, static_cast<std::uint32_t>(at + character.length), character};
        const std::uint32_t value = character.value;
        next->clear();
        for (std::uint32_t i = 0; i < current->size; ++i) {
            const std::uint32_t pc = current->pcs[i];
            const Instruction& instruction = code[pc];
            bool consumes = false;
            switch (instruction.op) {
                case Opcode::kByte:
                case Opcode::kPair:
                    consumes = value == instruction.arg;
                    break;
                case Opcode::kByteFold:
                    consumes = (value | 0x20) == instruction.arg;
                    break;
                case Opcode::kAnyButNewline:
                    consumes = value != kLineFeed;
                    break;
                case Opcode::kSet:
                    consumes = sets[instruction.arg].contains(value);
                    break;
                case Opcode::kMatch:
                    std::memcpy(slots, row(*current, pc), slotCount_ * sizeof(std::uint32_t));
                    matched = true;
                    i = current->size;  // threads of lower priority are cut
                    break;
                default:
                    break;  // only consuming instructions and Match are listed
            }
            if (consumes) {
                addThread(*next, instruction.next, row(*current, pc), after);
            }
        }
        std::swap(current, next);
        previous = character;
        at += character.length;
        if (matched && current->size == 0) {
            break;
        }
    }
    return matched;
}

}  // namespace velvane::regex
