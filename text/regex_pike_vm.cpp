// The Pike VM.
//
// A simulation of the program's NFA that runs all alternatives in lock step, one character at
// a time, as Thompson described and Pike extended with capture slots (see Russ Cox, "Regular
// Expression Matching: the Virtual Machine Approach"). The threads alive at a position are kept
// in a list ordered by priority, the order in which a backtracking engine would try them; a
// thread that reaches a state another thread already reached at the same position is dropped,
// because the earlier one explores the same future with higher priority. A state is the
// instruction, and inside loops that can match the empty text also how many of them began
// their iteration here (stateKey). That rule bounds the list by the program size and makes the
// result equal to the first match a backtracking engine (Perl, JavaScript, VBScript, Python)
// would find, captures included.
//
// The Pike VM is the matcher of last resort: it runs every program on subjects of any length.
// For the common case the bounded backtracker (regex_backtracker.cpp) is several times faster,
// and hands over to the Pike VM when it cannot finish in its window.
//
// Search is unanchored: while no match has been found, a new thread of lowest priority starts
// at every position that can begin a match, so one pass finds the leftmost match without ever
// restarting at a later position. Once a thread matches, the threads below it are cut and no
// new ones start; the threads above it run on until they die or find a better match. When no
// thread is alive the VM does not step at all: it jumps to the next place a match can start
// (regex_start_finder.cpp), at memchr speed when the pattern begins with a literal.
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
    : program_(program), finder_(program), slotCount_(static_cast<std::size_t>(program.slotCount)) {
    const std::size_t size = program.code.size();
    for (ThreadList& list : lists_) {
        list.pcs.resize(size);
        list.slots.resize(size * slotCount_);
        list.seen.resize(size * static_cast<std::size_t>(program.loopNesting + 1));
    }
    stack_.reserve(size + 1);
    startSlots_.assign(slotCount_, kNoPosition);
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
                if (!assertionHolds(instruction.arg, place.subject, place.position,
                                    place.previous.value)) {
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

// Moves `at` to the first place at or after it where a match can start, keeping `previous`
// the character before it. False when there is none.
bool PikeVm::skipAhead(std::string_view subject, std::size_t& at, Character& previous) const {
    const std::size_t candidate = finder_.next(subject, at);
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
