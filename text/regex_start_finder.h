// Finding the places where a match can start, so that the matchers skip everything else.
#pragma once

#include <cstddef>
#include <string_view>

#include "text/regex_program.h"

namespace velvane::regex {

class StartFinder {
  public:
    explicit StartFinder(const Program& program);

    // The first character start at or after `at` (itself a character start) where a match may
    // begin, or npos. The end of the subject is returned only for programs that can match the
    // empty text.
    std::size_t next(std::string_view subject, std::size_t at) const;

  private:
    std::size_t findPrefix(std::string_view subject, std::size_t at) const;
    std::size_t findFirstByte(std::string_view subject, std::size_t at) const;

    const Program& program_;
    int prefixAnchor_ = -1;  // index of a prefix byte that is not case-folded, or -1
};

}  // namespace velvane::regex
