// Parsing patterns.
//
// The dialect is a deliberately small subset of what Perl, JavaScript, VBScript and Python agree
// on: literals and escaped punctuation, \d \D \w \W \s \S \b \B \n \r \t \f \v \xHH \uHHHH, ".",
// classes with ranges and negation, capturing and non-capturing groups, alternation, and the
// quantifiers * + ? {n} {n,} {n,m}, each greedy or lazy, and the anchors ^ and $. Everything else
// is refused with a reason rather than guessed at: a construct that one of those engines reads
// differently from another (a lone "{", "[]", "[\b]") is refused too, so that a pattern that
// compiles means the same thing everywhere.
//
// Pattern text is code page 936, decoded with the same rule as the subject: a lead byte and the
// byte after it form one character, so a double-byte character whose second byte is "\", "|",
// "]" and so on is a literal and never syntax.
//
// The parser is recursive descent. Recursion happens only at "(", so its depth is bounded by
// kMaxNesting and a hostile pattern cannot exhaust the stack; quantifiers cannot be stacked, so
// the tree's depth is bounded by a small multiple of the nesting. The cost is linear in the
// pattern's length. Letter case and the Multiline option are not applied here: the tree says
// what was written, the compiler decides what it matches.

#include "text/regex_syntax.h"

#include "text/regex_characters.h"

namespace velvane::regex {
namespace {

constexpr std::uint32_t kHighestValue = 0xFFFF;
constexpr std::uint32_t kHighestEscapeValue = 0x7F;  // \x and \u stop at ASCII (see regex.h)

constexpr CharRange kDigitRanges[] = {{'0', '9'}};
constexpr CharRange kWordRanges[] = {{'0', '9'}, {'A', 'Z'}, {'_', '_'}, {'a', 'z'}};
constexpr CharRange kSpaceRanges[] = {{'\t', '\r'}, {' ', ' '}};

bool isDigit(unsigned char byte) {
    return byte >= '0' && byte <= '9';
}

bool isAsciiPunctuation(unsigned char byte) {
    return (byte >= '!' && byte <= '/') || (byte >= ':' && byte <= '@') ||
           (byte >= '[' && byte <= '`') || (byte >= '{' && byte <= '~');
}

int hexDigitValue(unsigned char byte) {
    if (byte >= '0' && byte <= '9') {
        return byte - '0';
    }
    if (byte >= 'a' && byte <= 'f') {
        return byte - 'a' + 10;
    }
    if (byte >= 'A' && byte <= 'F') {
        return byte - 'A' + 10;
    }
    return -1;
}

// Appends `ranges`, or their complement over all character values when `negated`.
template <std::size_t N>
void appendRanges(std::vector<CharRange>& out, const CharRange (&ranges)[N], bool negated) {
    if (!negated) {
        out.insert(out.end(), ranges, ranges + N);
        return;
    }
    std::uint32_t next = 0;
    for (const CharRange& range : ranges) {
        if (range.first > next) {
            out.push_back({next, range.first - 1});
        }
        next = range.last + 1;
    }
    out.push_back({next, kHighestValue});
}

Node nodeOf(NodeKind kind) {
    Node node;
    node.kind = kind;
    return node;
}

// What one escape or character stands for: a single character, or a class (\d, \W, ...).
struct Atom {
    std::uint32_t value = 0;
    std::vector<CharRange> ranges;
    bool isClass = false;
};

class Parser {
  public:
    explicit Parser(std::string_view pattern) : pattern_(pattern) {}

    std::optional<SyntaxTree> run(CompileError* error) {
        tree_.root = parseAlternation(0);
        if (!failed_ && pos_ < pattern_.size()) {
            fail(ErrorKind::kUnmatchedParenthesis);  // only a ")" stops the top level early
        }
        if (failed_) {
            if (error != nullptr) {
                *error = error_;
            }
            return std::nullopt;
        }
        return std::move(tree_);
    }

  private:
    bool atEnd() const { return pos_ >= pattern_.size(); }
    unsigned char peek(std::size_t ahead = 0) const {
        return pos_ + ahead < pattern_.size() ? static_cast<unsigned char>(pattern_[pos_ + ahead])
                                              : 0;
    }
    bool peekIs(char c) const { return !atEnd() && pattern_[pos_] == c; }

    int fail(ErrorKind kind) {
        if (!failed_) {
            failed_ = true;
            error_ = {kind, pos_};
        }
        return -1;
    }

    int addNode(Node node) {
        tree_.nodes.push_back(std::move(node));
        return static_cast<int>(tree_.nodes.size()) - 1;
    }

    int parseAlternation(int depth) {
        std::vector<int> branches;
        branches.push_back(parseConcatenation(depth));
        while (!failed_ && peekIs('|')) {
            ++pos_;
            branches.push_back(parseConcatenation(depth));
        }
        if (failed_) {
            return -1;
        }
        if (branches.size() == 1) {
            return branches[0];
        }
        Node node = nodeOf(NodeKind::kAlternate);
        node.children = std::move(branches);
        return addNode(std::move(node));
    }

    int parseConcatenation(int depth) {
        std::vector<int> items;
        while (!failed_ && !atEnd() && !peekIs('|') && !peekIs(')')) {
            bool repeatable = true;
            int item = parseAtom(depth, repeatable);
            if (failed_) {
                return -1;
            }
            if (startsQuantifier()) {
                if (!repeatable) {
                    return fail(ErrorKind::kNothingToRepeat);
                }
                item = parseQuantifier(item);
                if (!failed_ && startsQuantifier()) {
                    return fail(ErrorKind::kRepeatedQuantifier);
                }
            }
            items.push_back(item);
        }
        if (failed_) {
            return -1;
        }
        if (items.size() == 1) {
            return items[0];
        }
        Node node = nodeOf(items.empty() ? NodeKind::kEmpty : NodeKind::kConcat);
        node.children = std::move(items);
        return addNode(std::move(node));
    }

    bool startsQuantifier() const {
        return peekIs('*') || peekIs('+') || peekIs('?') || peekIs('{');
    }

    // Reads {n}, {n,} or {n,m} at `pos_`. Leaves `pos_` after the "}".
    bool parseBraces(int& min, int& max) {
        ++pos_;  // "{"
        if (!readCount(min)) {
            return false;
        }
        max = min;
        if (peekIs(',')) {
            ++pos_;
            max = kUnbounded;
            if (peekIs('}')) {
                ++pos_;
                return true;
            }
            if (!readCount(max)) {
                return false;
            }
        }
        if (!peekIs('}')) {
            return fail(ErrorKind::kBadBrace), false;
        }
        ++pos_;
        if (max != kUnbounded && min > max) {
            return fail(ErrorKind::kReversedRepeatRange), false;
        }
        return true;
    }

    bool readCount(int& count) {
        if (!isDigit(peek())) {
            return fail(ErrorKind::kBadBrace), false;
        }
        const std::size_t start = pos_;
        long value = 0;
        while (isDigit(peek())) {
            value = value * 10 + (peek() - '0');
            if (value > kMaxRepeatCount) {
                pos_ = start;
                return fail(ErrorKind::kRepeatCountTooLarge), false;
            }
            ++pos_;
        }
        count = static_cast<int>(value);
        return true;
    }

    int parseQuantifier(int item) {
        Node node = nodeOf(NodeKind::kRepeat);
        node.children = {item};
        switch (peek()) {
            case '*':
                node.min = 0, node.max = kUnbounded, ++pos_;
                break;
            case '+':
                node.min = 1, node.max = kUnbounded, ++pos_;
                break;
            case '?':
                node.min = 0, node.max = 1, ++pos_;
                break;
            default:
                if (!parseBraces(node.min, node.max)) {
                    return -1;
                }
        }
        if (peekIs('?')) {
            node.greedy = false;
            ++pos_;
        }
        return addNode(std::move(node));
    }

    int parseAtom(int depth, bool& repeatable) {
        const unsigned char byte = peek();
        switch (byte) {
            case '(':
                return parseGroup(depth);
            case '[':
                return parseClass();
            case '.':
                ++pos_;
                return addNode(nodeOf(NodeKind::kAnyButNewline));
            case '^':
            case '$':
                ++pos_;
                repeatable = false;
                return addAssertion(byte == '^' ? Assertion::kBeginLine : Assertion::kEndLine);
            case '*':
            case '+':
            case '?':
                return fail(ErrorKind::kNothingToRepeat);
            case '{': {
                int min = 0;
                int max = 0;
                return parseBraces(min, max) ? fail(ErrorKind::kNothingToRepeat) : -1;
            }
            case '\\':
                return parseEscape(repeatable);
            default: {
                std::uint32_t value = 0;
                if (!readCharacter(value)) {
                    return -1;
                }
                return addLiteral(value);
            }
        }
    }

    int addLiteral(std::uint32_t value) {
        Node node = nodeOf(NodeKind::kLiteral);
        node.value = value;
        return addNode(std::move(node));
    }

    int addAssertion(Assertion assertion) {
        Node node = nodeOf(NodeKind::kAssertion);
        node.value = static_cast<std::uint32_t>(assertion);
        return addNode(std::move(node));
    }

    int addClass(ClassSyntax syntax) {
        tree_.classes.push_back(std::move(syntax));
        Node node = nodeOf(NodeKind::kClass);
        node.value = static_cast<std::uint32_t>(tree_.classes.size() - 1);
        return addNode(std::move(node));
    }

    // A plain (unescaped) character of the pattern, single- or double-byte.
    bool readCharacter(std::uint32_t& value) {
        if (isLeadByte(peek()) && pos_ + 1 >= pattern_.size()) {
            return fail(ErrorKind::kIncompleteCharacter), false;
        }
        const Character character = decodeAt(pattern_, pos_);
        pos_ += character.length;
        value = character.value;
        return true;
    }

    int parseGroup(int depth) {
        if (depth + 1 > kMaxNesting) {
            return fail(ErrorKind::kNestingTooDeep);
        }
        const std::size_t open = pos_;
        ++pos_;
        Node node = nodeOf(NodeKind::kGroup);
        bool capturing = true;
        if (peekIs('?')) {
            if (peek(1) != ':') {
                return fail(ErrorKind::kUnsupportedGroup);
            }
            pos_ += 2;
            capturing = false;
        } else {
            if (tree_.groupCount == kMaxCaptureGroups) {
                return fail(ErrorKind::kTooManyGroups);
            }
            node.value = static_cast<std::uint32_t>(++tree_.groupCount);
        }
        const int child = parseAlternation(depth + 1);
        if (failed_) {
            return -1;
        }
        if (!peekIs(')')) {
            pos_ = open;
            return fail(ErrorKind::kMissingParenthesis);
        }
        ++pos_;
        if (!capturing) {
            return child;  // a non-capturing group is just its contents
        }
        node.children = {child};
        return addNode(std::move(node));
    }

    // An escape outside a class.
    int parseEscape(bool& repeatable) {
        const unsigned char letter = peek(1);
        if (letter == 'b' || letter == 'B') {
            pos_ += 2;
            repeatable = false;
            return addAssertion(letter == 'b' ? Assertion::kWordBoundary
                                              : Assertion::kNotWordBoundary);
        }
        Atom atom;
        if (!parseEscapedAtom(atom)) {
            return -1;
        }
        if (atom.isClass) {
            return addClass(ClassSyntax{std::move(atom.ranges), false});
        }
        return addLiteral(atom.value);
    }

    // An escape that stands for a character or a class, in or outside a class: `pos_` is at the
    // backslash.
    bool parseEscapedAtom(Atom& atom) {
        if (pos_ + 1 >= pattern_.size()) {
            return fail(ErrorKind::kTrailingBackslash), false;
        }
        const unsigned char letter = peek(1);
        switch (letter) {
            case 'd':
            case 'D':
                appendRanges(atom.ranges, kDigitRanges, letter == 'D');
                break;
            case 'w':
            case 'W':
                appendRanges(atom.ranges, kWordRanges, letter == 'W');
                break;
            case 's':
            case 'S':
                appendRanges(atom.ranges, kSpaceRanges, letter == 'S');
                break;
            case 'n':
                atom.value = '\n';
                break;
            case 'r':
                atom.value = '\r';
                break;
            case 't':
                atom.value = '\t';
                break;
            case 'f':
                atom.value = '\f';
                break;
            case 'v':
                atom.value = '\v';
                break;
            case 'x':
            case 'u':
                return parseHexEscape(letter == 'x' ? 2 : 4, atom);
            default:
                if (!isAsciiPunctuation(letter)) {
                    return fail(ErrorKind::kUnsupportedEscape), false;
                }
                atom.value = letter;
        }
        atom.isClass = !atom.ranges.empty();
        pos_ += 2;
        return true;
    }

    bool parseHexEscape(int digits, Atom& atom) {
        std::uint32_t value = 0;
        for (int i = 0; i < digits; ++i) {
            const int digit = hexDigitValue(peek(2 + static_cast<std::size_t>(i)));
            if (digit < 0) {
                return fail(ErrorKind::kBadHexEscape), false;
            }
            value = value * 16 + static_cast<std::uint32_t>(digit);
        }
        if (value > kHighestEscapeValue) {
            return fail(ErrorKind::kCharacterOutOfRange), false;
        }
        atom.value = value;
        pos_ += 2 + static_cast<std::size_t>(digits);
        return true;
    }

    // One member of a bracketed class: a character or a class escape.
    bool parseClassAtom(Atom& atom) {
        if (atEnd()) {
            return fail(ErrorKind::kMissingBracket), false;
        }
        if (peekIs('[')) {
            return fail(ErrorKind::kNestedClass), false;
        }
        if (peekIs('\\')) {
            if (peek(1) == 'b' || peek(1) == 'B') {
                // Inside a class \b means backspace in the engines we follow; refused so that
                // nobody reads it as a word boundary.
                return fail(ErrorKind::kUnsupportedEscape), false;
            }
            return parseEscapedAtom(atom);
        }
        return readCharacter(atom.value);
    }

    int parseClass() {
        const std::size_t open = pos_;
        ++pos_;
        ClassSyntax syntax;
        if (peekIs('^')) {
            syntax.negated = true;
            ++pos_;
        }
        if (peekIs(']')) {
            return fail(ErrorKind::kEmptyClass);
        }
        for (;;) {
            if (atEnd()) {
                pos_ = open;
                return fail(ErrorKind::kMissingBracket);
            }
            if (peekIs(']')) {
                ++pos_;
                break;
            }
            const std::size_t itemStart = pos_;
            Atom first;
            if (!parseClassAtom(first)) {
                return -1;
            }
            if (peekIs('-') && pos_ + 1 < pattern_.size() && peek(1) != ']') {
                ++pos_;
                Atom last;
                if (!parseClassAtom(last)) {
                    return -1;
                }
                if (first.isClass || last.isClass || first.value > last.value) {
                    pos_ = itemStart;
                    return fail(ErrorKind::kBadClassRange);
                }
                syntax.ranges.push_back({first.value, last.value});
            } else if (first.isClass) {
                syntax.ranges.insert(syntax.ranges.end(), first.ranges.begin(), first.ranges.end());
            } else {
                syntax.ranges.push_back({first.value, first.value});
            }
        }
        return addClass(std::move(syntax));
    }

    std::string_view pattern_;
    std::size_t pos_ = 0;
    SyntaxTree tree_;
    bool failed_ = false;
    CompileError error_;
};

}  // namespace

const char* describe(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::kIncompleteCharacter:
            return "incomplete double-byte character";
        case ErrorKind::kTrailingBackslash:
            return "trailing backslash";
        case ErrorKind::kUnsupportedEscape:
            return "unsupported escape";
        case ErrorKind::kBadHexEscape:
            return "malformed \\x or \\u escape";
        case ErrorKind::kCharacterOutOfRange:
            return "\\x or \\u beyond U+007F";
        case ErrorKind::kMissingBracket:
            return "missing ]";
        case ErrorKind::kEmptyClass:
            return "empty class";
        case ErrorKind::kNestedClass:
            return "unescaped [ inside a class";
        case ErrorKind::kBadClassRange:
            return "bad class range";
        case ErrorKind::kMissingParenthesis:
            return "missing )";
        case ErrorKind::kUnmatchedParenthesis:
            return "unmatched )";
        case ErrorKind::kUnsupportedGroup:
            return "unsupported (? group";
        case ErrorKind::kNothingToRepeat:
            return "nothing to repeat";
        case ErrorKind::kRepeatedQuantifier:
            return "quantifier after a quantifier";
        case ErrorKind::kBadBrace:
            return "{ that is not a count";
        case ErrorKind::kRepeatCountTooLarge:
            return "repeat count too large";
        case ErrorKind::kReversedRepeatRange:
            return "{n,m} with n > m";
        case ErrorKind::kNestingTooDeep:
            return "parentheses nested too deeply";
        case ErrorKind::kTooManyGroups:
            return "too many capture groups";
        case ErrorKind::kTooManyLoops:
            return "too many loops that can match the empty text";
        case ErrorKind::kProgramTooLarge:
            return "pattern too large";
    }
    return "unknown error";
}

std::optional<SyntaxTree> parsePattern(std::string_view pattern, CompileError* error) {
    return Parser(pattern).run(error);
}

}  // namespace velvane::regex
