// The Pike VM: leftmost-first search with captures in time linear in the subject.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "text/regex_characters.h"
#include "text/regex_program.h"
#include "text/regex_start_finder.h"

namespace velvane::regex {

inline constexpr std::uint32_t kNoPosition = 0xFFFFFFFF;

class PikeVm {
  public:
    explicit PikeVm(const Program& program);

    // Finds the leftmost-first match that starts at or after `from`, a character start. `floor`
    // is a character start before `from` (any, 0 will do; closer is cheaper) that lets the VM
    // find the character before `from`. On success `slots` (Program::slotCount entries) holds
    // the match: slot 2g and 2g+1 the start and end of group g, kNoPosition for a group that
    // took no part. Subjects of kNoPosition bytes or more never match.
    bool search(std::string_view subject, std::size_t from, std::size_t floor,
                std::uint32_t* slots);

  private:
    // The threads of one position: the consuming (and Match) instructions they wait at, in
    // priority order, with the capture slots of each; and the states the closure has visited,
    // marked with the list's generation so that clearing is one increment.
    struct ThreadList {
        std::vector<std::uint32_t> pcs;
        std::uint32_t size = 0;
        std::vector<std::uint32_t> slots;
        std::vector<std::uint32_t> seen;
        std::uint32_t generation = 0;

        void clear();
    };

    // One entry of the explicit stack of addThread: an instruction to explore, or a capture
    // slot to restore on the way back.
    struct Frame {
        std::uint32_t pc;
        std::uint32_t slot;
        std::uint32_t value;
    };

    // Where the epsilon closure runs: the position and the character before it.
    struct Place {
        std::string_view subject;
        std::uint32_t position;
        Character previous;
    };

    void addThread(ThreadList& list, std::uint32_t pc, std::uint32_t* slots, const Place& place);
    bool skipAhead(std::string_view subject, std::size_t& at, Character& previous) const;
    std::size_t stateKey(std::uint32_t pc, const std::uint32_t* slots,
                         std::uint32_t position) const;
    std::uint32_t* row(ThreadList& list, std::uint32_t pc) {
        return list.slots.data() + static_cast<std::size_t>(pc) * slotCount_;
    }

    const Program& program_;
    StartFinder finder_;
    std::size_t slotCount_;
    ThreadList lists_[2];
    std::vector<Frame> stack_;
    std::vector<std::uint32_t> startSlots_;  // all kNoPosition
};

}  // namespace velvane::regex
