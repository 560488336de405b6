// Which patterns the engine takes and which it refuses, and why.

#include <gtest/gtest.h>

#include <string>

#include "text/regex.h"

namespace velvane::regex {
namespace {

std::optional<Regex> compile(std::string_view pattern, CompileError* error = nullptr) {
    return Regex::compile(pattern, {}, error);
}

TEST(RegexSyntax, AcceptsTheDialect) {
    const char* const accepted[] = {
        "",
        "abc",
        "a|b|",
        "|",
        "()",
        "(?:)",
        "(a)(?:b)(c)",
        "\\<a "
        "href=\\/"
        "\\.\\*\\+\\?\\(\\)\\[\\]\\{\\}\\|\\\\\\^\\$\\-\\_\\#\\\"\\'\\!\\~\\`\\@\\%\\&\\,\\;\\:\\=",
        "\\d\\D\\w\\W\\s\\S\\b\\B\\n\\r\\t\\f\\v",
        "\\x41\\x7f\\u0041\\u007F\\x00",
        ".",
        "[abc][^abc][a-z][^\\d\\s][\\w-][-a][a-][\\]\\[\\-\\\\][.*+?(){}|^$]",
        "[\\x00-\\x7F][\\n\\r\\t\\f\\v][--/]",
        "a*a+a?a{2}a{2,}a{2,5}a{0}a{0,0}a{1000}a{0,1000}",
        "a*?a+?a??a{2}?a{2,}?a{2,5}?",
        "(a)*(b)+(c)?(d){3}",
        "^a$",
        "]}",  // closing brackets alone are plain characters in every engine we follow
        "\xD6\xD0\xCE\xC4",     // 中文
        "[\xD6\xD0\xCE\xC4]",   // [中文]
        "[^\xD6\xD0]",          // [^中]
        "[\xB0\xA1-\xB0\xA5]",  // a range of double-byte characters
        "\xD6\xD0+",            // 中+ repeats the whole character
        "\x81\x5C",             // 乗: its second byte is a backslash
        "\x81\x7C",             // 亅: its second byte is "|"
        "[\x81\x5D]",           // [乚]: its second byte is "]"
        "\x81\x28?",            // not GBK, but a lead byte always takes the next byte
        "((((((((((a))))))))))",
        "\\<a href=.*>(.[^\\<]*)?\\</a>\\s.*?\\s.*</td>\\s.*<td (.*)\\</td>",
    };
    for (const char* pattern : accepted) {
        CompileError error;
        EXPECT_TRUE(compile(pattern, &error)) << pattern << ": " << describe(error.kind);
    }
}

TEST(RegexSyntax, CountsCaptureGroupsInOrderOfOpening) {
    EXPECT_EQ(compile("")->captureCount(), 0);
    EXPECT_EQ(compile("(?:a)(b)")->captureCount(), 1);
    EXPECT_EQ(compile("((a)|(b))(c)")->captureCount(), 4);
    std::string ninetyNine;
    for (int i = 0; i < kMaxCaptureGroups; ++i) {
        ninetyNine += "(a)";
    }
    ASSERT_TRUE(compile(ninetyNine));
    EXPECT_EQ(compile(ninetyNine)->captureCount(), kMaxCaptureGroups);
}

struct Rejection {
    std::string pattern;
    ErrorKind kind;
};

TEST(RegexSyntax, RefusesEverythingElse) {
    const Rejection rejected[] = {
        {"\xD6", ErrorKind::kIncompleteCharacter},
        {"a\\", ErrorKind::kTrailingBackslash},
        {"[a\\", ErrorKind::kTrailingBackslash},
        {"(a)\\1", ErrorKind::kUnsupportedEscape},  // backreference
        {"\\0", ErrorKind::kUnsupportedEscape},
        {"\\A", ErrorKind::kUnsupportedEscape},
        {"\\Z", ErrorKind::kUnsupportedEscape},
        {"\\z", ErrorKind::kUnsupportedEscape},
        {"\\p{L}", ErrorKind::kUnsupportedEscape},
        {"\\k<x>", ErrorKind::kUnsupportedEscape},
        {"\\cA", ErrorKind::kUnsupportedEscape},
        {"\\e", ErrorKind::kUnsupportedEscape},
        {"\\a", ErrorKind::kUnsupportedEscape},
        {"\\ ", ErrorKind::kUnsupportedEscape},
        {"\\\xD6\xD0", ErrorKind::kUnsupportedEscape},
        {"[\\b]", ErrorKind::kUnsupportedEscape},
        {"[\\B]", ErrorKind::kUnsupportedEscape},
        {"[\\q]", ErrorKind::kUnsupportedEscape},
        {"\\x4", ErrorKind::kBadHexEscape},
        {"\\x4g", ErrorKind::kBadHexEscape},
        {"\\u004", ErrorKind::kBadHexEscape},
        {"\\u{41}", ErrorKind::kBadHexEscape},
        {"\\x80", ErrorKind::kCharacterOutOfRange},
        {"\\xFF", ErrorKind::kCharacterOutOfRange},
        {"\\u4E2D", ErrorKind::kCharacterOutOfRange},
        {"[\\u00e9]", ErrorKind::kCharacterOutOfRange},
        {"[abc", ErrorKind::kMissingBracket},
        {"[^", ErrorKind::kMissingBracket},
        {"[a-", ErrorKind::kMissingBracket},
        {"[]", ErrorKind::kEmptyClass},
        {"[]a]", ErrorKind::kEmptyClass},
        {"[^]", ErrorKind::kEmptyClass},
        {"[[a]]", ErrorKind::kNestedClass},
        {"[a[]", ErrorKind::kNestedClass},
        {"[[:alpha:]]", ErrorKind::kNestedClass},
        {"[z-a]", ErrorKind::kBadClassRange},
        {"[\\d-z]", ErrorKind::kBadClassRange},
        {"[a-\\w]", ErrorKind::kBadClassRange},
        {"[\xB0\xA5-\xB0\xA1]", ErrorKind::kBadClassRange},
        {"(a", ErrorKind::kMissingParenthesis},
        {"((a)", ErrorKind::kMissingParenthesis},
        {"(?:a", ErrorKind::kMissingParenthesis},
        {"a)", ErrorKind::kUnmatchedParenthesis},
        {")", ErrorKind::kUnmatchedParenthesis},
        {"(?=a)", ErrorKind::kUnsupportedGroup},
        {"(?!a)", ErrorKind::kUnsupportedGroup},
        {"(?<=a)", ErrorKind::kUnsupportedGroup},
        {"(?<!a)", ErrorKind::kUnsupportedGroup},
        {"(?<n>a)", ErrorKind::kUnsupportedGroup},
        {"(?P<n>a)", ErrorKind::kUnsupportedGroup},
        {"(?i)a", ErrorKind::kUnsupportedGroup},
        {"(?>a)", ErrorKind::kUnsupportedGroup},
        {"(?#note)", ErrorKind::kUnsupportedGroup},
        {"(?", ErrorKind::kUnsupportedGroup},
        {"*a", ErrorKind::kNothingToRepeat},
        {"a|*", ErrorKind::kNothingToRepeat},
        {"(+)", ErrorKind::kNothingToRepeat},
        {"?", ErrorKind::kNothingToRepeat},
        {"{2}", ErrorKind::kNothingToRepeat},
        {"^*", ErrorKind::kNothingToRepeat},
        {"$+", ErrorKind::kNothingToRepeat},
        {"\\b*", ErrorKind::kNothingToRepeat},
        {"\\B{2}", ErrorKind::kNothingToRepeat},
        {"a**", ErrorKind::kRepeatedQuantifier},
        {"a*+", ErrorKind::kRepeatedQuantifier},  // possessive
        {"a++", ErrorKind::kRepeatedQuantifier},
        {"a?+", ErrorKind::kRepeatedQuantifier},
        {"a{2}+", ErrorKind::kRepeatedQuantifier},
        {"a*??", ErrorKind::kRepeatedQuantifier},
        {"a{2}{3}", ErrorKind::kRepeatedQuantifier},
        {"a{", ErrorKind::kBadBrace},
        {"a{x}", ErrorKind::kBadBrace},
        {"a{,3}", ErrorKind::kBadBrace},
        {"a{1,2", ErrorKind::kBadBrace},
        {"a{1 ,2}", ErrorKind::kBadBrace},
        {"a{-1}", ErrorKind::kBadBrace},
        {"{", ErrorKind::kBadBrace},
        {"a{1001}", ErrorKind::kRepeatCountTooLarge},
        {"a{0,1001}", ErrorKind::kRepeatCountTooLarge},
        {"a{99999999999999999999}", ErrorKind::kRepeatCountTooLarge},
        {"a{3,2}", ErrorKind::kReversedRepeatRange},
        {"(?:a{1000}){11}", ErrorKind::kProgramTooLarge},
        {"((a{1000}){1000}){1000}", ErrorKind::kProgramTooLarge},
        {"(?:(?:(?:(?:.{10}){10}){10}){10}){10}", ErrorKind::kProgramTooLarge},
    };
    for (const Rejection& rejection : rejected) {
        CompileError error;
        EXPECT_FALSE(compile(rejection.pattern, &error)) << rejection.pattern;
        EXPECT_EQ(error.kind, rejection.kind) << rejection.pattern << ": " << describe(error.kind)
                                              << " instead of " << describe(rejection.kind);
    }
}

TEST(RegexSyntax, BoundsNestingGroupsAndLoops) {
    CompileError error;
    auto nested = [](int depth) {
        std::string pattern;
        for (int i = 0; i < depth; ++i) {
            pattern += "(?:";
        }
        return pattern + "a" + std::string(static_cast<std::size_t>(depth), ')');
    };
    EXPECT_TRUE(compile(nested(kMaxNesting)));
    EXPECT_FALSE(compile(nested(kMaxNesting + 1), &error));
    EXPECT_EQ(error.kind, ErrorKind::kNestingTooDeep);

    // Hostile nesting far beyond the limit is refused without exhausting the stack.
    EXPECT_FALSE(compile(nested(1'000'000), &error));
    EXPECT_EQ(error.kind, ErrorKind::kNestingTooDeep);
    EXPECT_FALSE(compile(std::string(1'000'000, '['), &error));
    EXPECT_FALSE(compile(std::string(500'000, 'a') + std::string(500'000, '|'), &error));
    EXPECT_EQ(error.kind, ErrorKind::kProgramTooLarge);

    std::string hundredGroups;
    for (int i = 0; i <= kMaxCaptureGroups; ++i) {
        hundredGroups += "(a)";
    }
    EXPECT_FALSE(compile(hundredGroups, &error));
    EXPECT_EQ(error.kind, ErrorKind::kTooManyGroups);

    std::string manyEmptyLoops;
    for (int i = 0; i <= kMaxLoopRegisters; ++i) {
        manyEmptyLoops += "(?:a?)*";
    }
    EXPECT_FALSE(compile(manyEmptyLoops, &error));
    EXPECT_EQ(error.kind, ErrorKind::kTooManyLoops);
}

TEST(RegexSyntax, ReportsWhereTheProblemIs) {
    CompileError error;
    EXPECT_FALSE(compile("ab(cd", &error));
    EXPECT_EQ(error.offset, 2u);
    EXPECT_FALSE(compile("abc[de", &error));
    EXPECT_EQ(error.offset, 3u);
    EXPECT_FALSE(compile("a\\q", &error));
    EXPECT_EQ(error.offset, 1u);
    EXPECT_FALSE(compile("x[b-a]", &error));
    EXPECT_EQ(error.offset, 2u);
}

}  // namespace
}  // namespace velvane::regex
