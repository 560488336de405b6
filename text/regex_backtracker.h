// The bounded backtracker: leftmost-first search with captures, fast on short spans.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "text/regex_program.h"
#include "text/regex_start_finder.h"

namespace velvane::regex {

class Backtracker {
  public:
    // Whether the backtracker can run `program`: no loop of it can match the empty text, and it
    // is small enough for a useful window.
    static bool canRun(const Program& program);

    explicit Backtracker(const Program& program);

    enum class Outcome { kMatch, kNoMatch, kTooLong };

    // As PikeVm::search, except that a search whose candidate at `resume` needs more of the
    // subject than a window holds gives up with kTooLong: every candidate before `resume` has
    // failed, and the search must go on from `resume` with the Pike VM.
    Outcome search(std::string_view subject, std::size_t from, std::size_t floor,
                   std::uint32_t* slots, std::size_t& resume);

  private:
    // A branch still to explore at `position`, or at every position from `low` up to it (the
    // exits of a character loop), or (pc == kRestore) a capture slot to restore.
    struct Job {
        std::uint32_t pc;
        std::uint32_t position;  // or the slot
        std::uint32_t previous;  // the character before `low`, or the slot's old value
        std::uint32_t low;
    };

    // What the character at an exit position must be, when the exit starts with a literal.
    struct ExitFilter {
        bool active = false;
        unsigned char byte = 0;
        unsigned char fold = 0;  // 0x20 when the literal is a letter of either case

        bool admits(char c) const { return (static_cast<unsigned char>(c) | fold) == byte; }
    };

    // A lazy loop over one character ("x*?", "x+?") whose exit must start with a consuming
    // instruction: at a position where that instruction refuses the character, trying the exit
    // first is pointless, so the loop steps straight on.
    struct LazyLoop {
        std::uint32_t body;           // the consuming instruction of the loop
        std::uint32_t exit;           // the consuming instruction the exit starts with
        std::array<bool, 256> steps;  // single-byte characters the body takes and the
                                      // exit refuses
    };

    bool tryAt(std::string_view subject, std::uint32_t start, std::uint32_t previous);
    bool skipLazyLoop(std::string_view subject, std::uint32_t loop, std::uint32_t& position,
                      std::uint32_t& previous);
    void scanLoop(std::string_view subject, std::uint32_t loop, std::uint32_t position,
                  std::uint32_t previous);
    bool firstVisit(std::uint32_t pc, std::uint32_t position);
    void startWindow(std::size_t base);

    const Program& program_;
    StartFinder finder_;
    std::size_t programSize_;
    std::size_t window_;                  // positions the visited bitmap covers
    std::vector<std::uint64_t> visited_;  // bit (position - base) * programSize + pc
    std::size_t base_ = 0;
    std::size_t used_ = 0;                  // positions from base_ that may have bits set
    bool overflow_ = false;                 // the last exploration left the window
    std::vector<ExitFilter> exitFilters_;   // per instruction, for ranges of exits there
    std::vector<std::uint32_t> loopTable_;  // per character loop's Split: its loopBytes_ index
    std::vector<std::array<bool, 256>> loopBytes_;  // per character loop: the bytes it takes
    std::vector<std::uint32_t> lazyTable_;          // per Split: 1 + its lazyLoops_ index, or 0
    std::vector<LazyLoop> lazyLoops_;
    std::vector<Job> stack_;
    std::vector<std::uint32_t> slots_;
};

}  // namespace velvane::regex
