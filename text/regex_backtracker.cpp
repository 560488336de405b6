// The bounded backtracker.
//
// A backtracking matcher explores the program depth first in priority order, so the first
// Match it reaches is the leftmost-first match, and it carries one capture array that is
// restored on the way back instead of copying arrays for every thread as the Pike VM does. That
// makes it several times faster on the short spans where matches live. Unbounded, backtracking
// is exponential; this one (after RE2's BitState) remembers every (instruction, position) it has
// explored in a bitmap and never explores one twice. That is sound because the future of such a
// state does not depend on how it was reached: captures do not influence matching, the
// character before a position is fixed by the position, and programs with loops that can match
// the empty text, whose registers would make the state larger, are left to the Pike VM
// (canRun). A state found in the bitmap has therefore been explored completely and failed, and
// the work is bounded by the number of states: time and memory O(program size x span).
//
// The bitmap covers a window of the subject whose size is a fixed budget divided by the
// program size. Candidate starts come from the StartFinder, in order; the bitmap is shared by
// all candidates of one window (a state that failed for an earlier start fails for a later one
// too), and a new window starts when the candidates move past its middle, clearing only the
// part that was used. A candidate whose exploration runs past the end of its window gets one
// retry in a fresh window starting at the candidate; if that also overflows, the search hands
// over to the Pike VM at that candidate. Each window is thus filled at most once, windows
// overlap at most twice, and the whole search stays linear in the subject.

#include "text/regex_backtracker.h"

#include <algorithm>

#include "text/regex_characters.h"
#include "text/regex_pike_vm.h"

namespace velvane::regex {
namespace {

constexpr std::size_t kBitmapBudget = 256 * 1024;  // bits: 32 KiB
constexpr std::size_t kMinimumWindow = 256;        // positions
constexpr std::uint32_t kRestore = 0xFFFFFFFF;

}  // namespace

bool Backtracker::canRun(const Program& program) {
    return program.loopNesting == 0 && program.code.size() * kMinimumWindow <= kBitmapBudget;
}

Backtracker::Backtracker(const Program& program)
    : program_(program),
      finder_(program),
      programSize_(program.code.size()),
      window_(kBitmapBudget / program.code.size()),
      visited_(kBitmapBudget / 64 + 1, 0),
      exitFilters_(program.code.size()),
      loopTable_(program.code.size(), 0),
      lazyTable_(program.code.size(), 0),
      slots_(static_cast<std::size_t>(program.slotCount), kNoPosition) {
    // An exit that, past captures, must take a literal character cannot start where the
    // subject holds another byte: ranges of exits skip such positions without visiting them.
    for (std::size_t pc = 0; pc < programSize_; ++pc) {
        std::size_t at = pc;
        while (program.code[at].op == Opcode::kSave || program.code[at].op == Opcode::kJump) {
            at = program.code[at].next;
        }
        const Instruction& first = program.code[at];
        ExitFilter& filter = exitFilters_[pc];
        filter.active =
            first.op == Opcode::kByte || first.op == Opcode::kByteFold || first.op == Opcode::kPair;
        filter.byte =
            static_cast<unsigned char>(first.op == Opcode::kPair ? first.arg >> 8 : first.arg);
        filter.fold = first.op == Opcode::kByteFold ? 0x20 : 0;
    }
    // The single-byte characters that the body of each character loop takes, so that a scan
    // needs one table look-up per character.
    for (std::size_t pc = 0; pc < programSize_; ++pc) {
        const Instruction& split = program.code[pc];
        if (split.op == Opcode::kSplit && split.arg == kCharacterLoop) {
            loopTable_[pc] = static_cast<std::uint32_t>(loopBytes_.size());
            std::array<bool, 256>& table = loopBytes_.emplace_back();
            for (std::uint32_t byte = 0; byte < 256; ++byte) {
                table[byte] = takes(program.code[split.next], program.sets.data(), byte);
            }
        }
    }
    // Lazy loops over one character: a Split whose second branch is one consuming instruction
    // that leads (through Jumps) straight back to it, and whose first branch, past captures,
    // starts with a consuming instruction.
    for (std::size_t pc = 0; pc < programSize_; ++pc) {
        const Instruction& split = program.code[pc];
        if (split.op != Opcode::kSplit || split.arg == kCharacterLoop ||
            program.code[split.alt].op >= Opcode::kMatch) {
            continue;
        }
        std::uint32_t back = program.code[split.alt].next;
        while (back != pc && program.code[back].op == Opcode::kJump) {
            back = program.code[back].next;
        }
        std::uint32_t exit = split.next;
        while (program.code[exit].op == Opcode::kSave || program.code[exit].op == Opcode::kJump) {
            exit = program.code[exit].next;
        }
        if (back != pc || program.code[exit].op >= Opcode::kMatch) {
            continue;
        }
        lazyTable_[pc] = static_cast<std::uint32_t>(lazyLoops_.size() + 1);
        LazyLoop& lazy = lazyLoops_.emplace_back();
        lazy.body = split.alt;
        lazy.exit = exit;
        for (std::uint32_t byte = 0; byte < 256; ++byte) {
            lazy.steps[byte] = takes(program.code[lazy.body], program.sets.data(), byte) &&
                               !takes(program.code[exit], program.sets.data(), byte);
        }
    }
}

void Backtracker::startWindow(std::size_t base) {
    const std::size_t usedBits = used_ * programSize_;
    std::fill(visited_.begin(),
              visited_.begin() + static_cast<std::ptrdiff_t>((usedBits + 63) / 64), 0);
    base_ = base;
    used_ = 0;
}

// Marks (pc, position) explored. False when it already was, or when it lies outside the
// window, which sets overflow_.
inline bool Backtracker::firstVisit(std::uint32_t pc, std::uint32_t position) {
    const std::size_t offset = position - base_;
    if (offset >= window_) {
        overflow_ = true;
        return false;
    }
    const std::size_t bit = offset * programSize_ + pc;
    std::uint64_t& word = visited_[bit / 64];
    const std::uint64_t mask = std::uint64_t{1} << (bit % 64);
    if ((word & mask) != 0) {
        return false;
    }
    word |= mask;
    used_ = std::max(used_, offset + 1);
    return true;
}

// Explores the program from `start` depth first; true when it reaches Match, with the captures
// in slots_. Sets overflow_ when the exploration left the window.
bool Backtracker::tryAt(std::string_view subject, std::uint32_t start, std::uint32_t previous) {
    const Instruction* code = program_.code.data();
    const CharSet* sets = program_.sets.data();
    const std::size_t size = subject.size();
    overflow_ = false;
    std::fill(slots_.begin(), slots_.end(), kNoPosition);
    stack_.clear();
    stack_.push_back({0, start, previous, start});
    while (!stack_.empty()) {
        const Job job = stack_.back();
        stack_.pop_back();
        if (job.pc == kRestore) {
            slots_[job.position] = job.previous;
            continue;
        }
        std::uint32_t pc = job.pc;
        std::uint32_t position = job.position;
        previous = job.previous;
        if (job.low < position) {
            // A range of exits of a character loop: the highest that can start the exit now,
            // the rest later. Within a range every character is single-byte.
            const ExitFilter& filter = exitFilters_[pc];
            while (position > job.low && filter.active &&
                   (position == size || !filter.admits(subject[position]))) {
                --position;
            }
            if (position > job.low) {
                stack_.push_back({pc, position - 1, job.previous, job.low});
                previous = static_cast<unsigned char>(subject[position - 1]);
            }
        }
        while (firstVisit(pc, position)) {
            const Instruction& instruction = code[pc];
            if (instruction.op < Opcode::kMatch) {
                if (position == size) {
                    break;
                }
                const Character character = decodeAt(subject, position);
                if (!takes(instruction, sets, character.value)) {
                    break;
                }
                previous = character.value;
                position += character.length;
                pc = instruction.next;
            } else if (instruction.op == Opcode::kMatch) {
                return true;
            } else if (instruction.op == Opcode::kSplit && instruction.arg == kCharacterLoop) {
                scanLoop(subject, pc, position, previous);
                break;
            } else if (instruction.op == Opcode::kSplit) {
                if (lazyTable_[pc] != 0 && !skipLazyLoop(subject, pc, position, previous)) {
                    break;
                }
                stack_.push_back({instruction.alt, position, previous, position});
                pc = instruction.next;
            } else if (instruction.op == Opcode::kJump) {
                pc = instruction.next;
            } else if (instruction.op == Opcode::kSave) {
                stack_.push_back({kRestore, instruction.arg, slots_[instruction.arg], 0});
                slots_[instruction.arg] = position;
                pc = instruction.next;
            } else if (instruction.op == Opcode::kAssert &&
                       assertionHolds(instruction.arg, subject, position, previous)) {
                pc = instruction.next;
            } else {
                break;  // a failed assertion (ProgressCheck never occurs: canRun)
            }
        }
        if (overflow_) {
            return false;
        }
    }
    return false;
}

// Runs the greedy loop over one character that the Split at `loop` heads, entered at
// `position`: takes characters while the body does, marking the loop explored at each new
// position, then leaves the exits at all those positions on the stack, to be tried from the
// longest take down, as backtracking into the loop would. A double-byte character closes a
// range of exits, so that within a range every character is single-byte. The scan stops early
// at a position whose loop state was explored before, and everything after it with it.
void Backtracker::scanLoop(std::string_view subject, std::uint32_t loop, std::uint32_t position,
                           std::uint32_t previous) {
    const Instruction& split = program_.code[loop];
    const Instruction& body = program_.code[split.next];
    const CharSet* sets = program_.sets.data();
    const std::array<bool, 256>& takesByte = loopBytes_[loopTable_[loop]];
    const unsigned char* data = reinterpret_cast<const unsigned char*>(subject.data());
    const std::size_t size = subject.size();
    const std::size_t windowEnd = base_ + window_;  // the first position outside the window
    std::uint32_t low = position;
    std::uint32_t lowPrevious = previous;
    // The bit of the loop at the position after the next character, when that is single-byte.
    std::size_t bit = (position + 1 - base_) * programSize_ + loop;
    while (position < size) {
        const unsigned char byte = data[position];
        if (isLeadByte(byte) && position + 1 < size) {
            const Character character = decodeAt(subject, position);
            if (!takes(body, sets, character.value) || !firstVisit(loop, position + 2)) {
                break;
            }
            stack_.push_back({split.alt, position, lowPrevious, low});
            position += 2;
            low = position;
            lowPrevious = character.value;
            bit = (position + 1 - base_) * programSize_ + loop;
            continue;
        }
        if (!takesByte[byte]) {
            break;
        }
        if (position + 1 >= windowEnd) {
            overflow_ = true;
            break;
        }
        std::uint64_t& word = visited_[bit / 64];
        const std::uint64_t mask = std::uint64_t{1} << (bit % 64);
        if ((word & mask) != 0) {
            break;
        }
        word |= mask;
        ++position;
        bit += programSize_;
    }
    used_ = std::max(used_, position - base_ + 1);  // the bits set above, for startWindow
    if (!overflow_) {
        stack_.push_back({split.alt, position, lowPrevious, low});
    }
}

// Runs the lazy loop whose Split is `loop`, entered (and marked explored) at `position`, over
// the characters where its exit cannot start: there the exit would fail at once, its captures
// undone, and the body would take the character and come back to the Split. Stops at the first
// character that the exit may start with or the body refuses, leaving `position` and `previous`
// there for the Split to be run as usual. Each position stepped onto marks the Split explored
// there as coming back to it would; false when it already was (or lies outside the window), and
// the branch ends as it would have.
bool Backtracker::skipLazyLoop(std::string_view subject, std::uint32_t loop,
                               std::uint32_t& position, std::uint32_t& previous) {
    const LazyLoop& lazy = lazyLoops_[lazyTable_[loop] - 1];
    const Instruction* code = program_.code.data();
    const CharSet* sets = program_.sets.data();
    const unsigned char* data = reinterpret_cast<const unsigned char*>(subject.data());
    const std::size_t size = subject.size();
    while (position < size) {
        const unsigned char byte = data[position];
        if (isLeadByte(byte) && position + 1 < size) {
            const Character character = decodeAt(subject, position);
            if (takes(code[lazy.exit], sets, character.value) ||
                !takes(code[lazy.body], sets, character.value)) {
                return true;
            }
            previous = character.value;
            position += 2;
        } else {
            if (!lazy.steps[byte]) {
                return true;
            }
            previous = byte;
            ++position;
        }
        if (!firstVisit(loop, position)) {
            return false;
        }
    }
    return true;
}

Backtracker::Outcome Backtracker::search(std::string_view subject, std::size_t from,
                                         std::size_t floor, std::uint32_t* slots,
                                         std::size_t& resume) {
    const std::size_t size = subject.size();
    if (size >= kNoPosition || from > size) {
        return Outcome::kNoMatch;
    }
    std::size_t at = from;
    std::size_t behind = floor < from ? floor : 0;  // a character start before `at`
    bool windowOpen = false;
    for (;;) {
        const std::size_t candidate = finder_.next(subject, at);
        if (candidate == std::string_view::npos || (candidate == size && !program_.matchesEmpty)) {
            return Outcome::kNoMatch;
        }
        std::uint32_t previous = kNoCharacter;
        if (program_.needsPreviousCharacter) {
            previous = characterBefore(subject, candidate == at ? behind : at, candidate).value;
        }
        if (!windowOpen || candidate - base_ > window_ / 2) {
            startWindow(candidate);
            windowOpen = true;
        }
        const auto start = static_cast<std::uint32_t>(candidate);
        bool found = tryAt(subject, start, previous);
        if (overflow_ && base_ < candidate) {
            startWindow(candidate);
            found = tryAt(subject, start, previous);
        }
        if (found) {
            std::copy(slots_.begin(), slots_.end(), slots);
            return Outcome::kMatch;
        }
        if (overflow_) {
            resume = candidate;
            return Outcome::kTooLong;
        }
        if (candidate == size) {
            return Outcome::kNoMatch;
        }
        behind = candidate;
        at = candidate + decodeAt(subject, candidate).length;
    }
}

}  // namespace velvane::regex
