// Runs one regular expression over a text and answers questions about its matches.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "text/text.h"

namespace velvane {

class PatternMatcher {
public:
    PatternMatcher();
    ~PatternMatcher();
    PatternMatcher(const PatternMatcher& other);
    PatternMatcher& operator=(const PatternMatcher& other);

    bool create(std::string_view patternText, std::string_view subjectText, bool matchCase = false,
                bool multiline = true, bool global = true, bool quoteToken = false);

    Text pattern() const;
    Text replace(std::string_view replacement = {}) const;
    std::int32_t matchCount() const;
    Text matchText(std::int32_t matchIndex, std::int32_t* bytePosition = nullptr) const;
    Text subMatchText(std::int32_t matchIndex, std::int32_t groupIndex,
                      std::int32_t* bytePosition = nullptr) const;
    std::int32_t subMatchCount() const;

private:
    struct Search;
    std::shared_ptr<const Search> search_;  // shared by copies, replaced by each create()
};

}  // namespace velvane
