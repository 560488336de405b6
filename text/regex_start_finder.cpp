// Skipping to candidate starts.
//
// Most of a page cannot begin a match, and a matcher that steps through it character by
// character wastes its time. The compiler records what every match starts with (Program): a
// literal prefix, or at least the set of possible first bytes. With a prefix, memchr looks for
// one of its bytes that does not change with IgnoreCase ("<" of "<a href=") and the whole prefix
// is then compared, letters folded where the pattern said so; without one, a table of first
// bytes is consulted byte by byte; a pattern anchored at the start has one candidate.
//
// memchr and the table land on arbitrary bytes, and a byte in the middle of a double-byte
// character must not start a match. A candidate is accepted only when lead-byte parity says it
// starts a character (regex_characters.h). The parity walk stops at the `floor`, which moves up
// behind every candidate examined, so the whole scan stays linear.

#include "text/regex_start_finder.h"

#include <cstring>

#include "text/regex_characters.h"

namespace velvane::regex {

StartFinder::StartFinder(const Program& program) : program_(program) {
    for (std::size_t i = 0; i < program.prefixFolded.size(); ++i) {
        if (program.prefixFolded[i] == 0) {
            prefixAnchor_ = static_cast<int>(i);
            break;
        }
    }
}

std::size_t StartFinder::next(std::string_view subject, std::size_t at) const {
    if (program_.anchoredAtStart) {
        return at == 0 ? 0 : std::string_view::npos;
    }
    if (!program_.prefix.empty()) {
        return findPrefix(subject, at);
    }
    if (!program_.anyFirstByte) {
        return findFirstByte(subject, at);
    }
    return at <= subject.size() ? at : std::string_view::npos;
}

std::size_t StartFinder::findPrefix(std::string_view subject, std::size_t at) const {
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

std::size_t StartFinder::findFirstByte(std::string_view subject, std::size_t at) const {
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

}  // namespace velvane::regex
