// Conversion between UTF-8, UTF-16 and code page 936 with no call into the system, giving the
// bytes that MultiByteToWideChar and WideCharToMultiByte give with no flags and no default
// character (a Windows test compares the two over every UTF-16 unit and every double-byte code).
//
// Code page 936 comes from the generated tables of cp936_table.cpp. Decoding indexes the
// double-byte table by lead and trail byte; encoding uses a table of all 65536 UTF-16 units,
// built from the same data on first use (128 KiB), so every unit costs one lookup. A unit the
// code page lacks, a surrogate among them, becomes "?" (each half of a pair on its own).
//
// Invalid UTF-8 is replaced as the system replaces it (checked against Wine's conversion):
//  - a byte that cannot start a sequence (a continuation byte, C0, C1, F5 to FF) is one U+FFFD;
//  - a lead byte takes continuation bytes one at a time. At a byte that is not one, or that
//    would take the value above U+10FFFF, the bytes before it become one U+FFFD; at a byte that
//    shows an overlong form or a surrogate, the bytes up to and including it do;
//  - a lead byte that announces more bytes than remain before the end turns itself and the rest
//    of the text into one U+FFFD.
//
// Runs of ASCII, most of a web page, go eight bytes at a time into UTF-16 and four units at a
// time out of it.
//
// This build has no system ANSI code page to ask, so an omitted code page (or 0, which names the
// ANSI code page on Windows) means 936, the code page of every text of the program.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "text/cp936_table.h"
#include "text/portable_code_page.h"

namespace velvane::portable {
namespace {

constexpr unsigned kAnsiCodePage = 0;
constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kInvalid = 0xFFFFFFFF;

unsigned char* putUnit(unsigned char* out, char32_t unit) {
    out[0] = static_cast<unsigned char>(unit & 0xFF);
    out[1] = static_cast<unsigned char>(unit >> 8);
    return out + 2;
}

unsigned char* putCodePoint(unsigned char* out, char32_t codePoint) {
    if (codePoint < 0x10000) {
        return putUnit(out, codePoint);
    }
    const char32_t offset = codePoint - 0x10000;
    out = putUnit(out, 0xD800 | (offset >> 10));
    return putUnit(out, 0xDC00 | (offset & 0x3FF));
}

// Widens the eight bytes at `in` when they are all ASCII.
bool widenAsciiBlock(const char* in, unsigned char*& out) {
    std::uint64_t block;
    std::memcpy(&block, in, sizeof block);
    if ((block & 0x8080808080808080u) != 0) {
        return false;
    }
    unsigned char units[16];
    for (int k = 0; k < 8; ++k) {
        units[2 * k] = static_cast<unsigned char>(in[k]);
        units[2 * k + 1] = 0;
    }
    std::memcpy(out, units, sizeof units);
    out += 16;
    return true;
}

// How many continuation bytes a byte of 0x80 or above announces; 0 when it starts nothing.
std::size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 1;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 2;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 3;
    }
    return 0;
}

// Decodes the sequence whose lead byte is text[i]; its continuation bytes lie within the text
// or on the terminating zero, which fails as one. Moves i past the bytes taken and gives the
// code point, or kInvalid for the bytes taken when the sequence is not valid.
char32_t decodeSequence(std::string_view text, std::size_t& i) {
    const auto continuation = [&]() -> unsigned {
        return (i < text.size() ? static_cast<unsigned char>(text[i]) : 0) ^ 0x80;
    };
    const auto lead = static_cast<unsigned char>(text[i++]);
    const std::size_t length = sequenceLength(lead);
    constexpr unsigned char kLeadMask[] = {0x7F, 0x1F, 0x0F, 0x07};
    char32_t value = lead & kLeadMask[length];
    unsigned bits;
    switch (length) {
        case 3:
            if ((bits = continuation()) >= 0x40) {
                return kInvalid;
            }
            value = value << 6 | bits;
            ++i;
            if (value < 0x10) {  // overlong four-byte form
                return kInvalid;
            }
            [[fallthrough]];
        case 2:
            if ((bits = continuation()) >= 0x40) {
                return kInvalid;
            }
            value = value << 6 | bits;
            if (value >= (0x110000 >> 6)) {  // beyond U+10FFFF: this byte is not taken
                return kInvalid;
            }
            ++i;
            if (value < 0x20) {  // overlong three-byte form
                return kInvalid;
            }
            if (value >= (0xD800 >> 6) && value <= (0xDFFF >> 6)) {  // a surrogate
                return kInvalid;
            }
            [[fallthrough]];
        case 1:
            if ((bits = continuation()) >= 0x40) {
                return kInvalid;
            }
            ++i;
            return value << 6 | bits;
        default:
            return kInvalid;
    }
}

// Each byte gives at most one unit (four bytes give a surrogate pair), so the input's length
// and a zero unit bound the result.
ByteArray decodeUtf8(std::string_view text) {
    ByteArray wide(2 * (text.size() + 1));
    unsigned char* out = wide.data();
    std::size_t i = 0;
    while (i < text.size()) {
        while (i + 8 <= text.size() && widenAsciiBlock(text.data() + i, out)) {
            i += 8;
        }
        if (i == text.size()) {
            break;
        }
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out = putUnit(out, byte);
            ++i;
        } else if (i + sequenceLength(byte) > text.size()) {
            out = putUnit(out, kReplacement);
            break;
        } else {
            const char32_t codePoint = decodeSequence(text, i);
            out = putCodePoint(out, codePoint == kInvalid ? kReplacement : codePoint);
        }
    }
    out = putUnit(out, 0);
    wide.resize(static_cast<std::size_t>(out - wide.data()));
    return wide;
}

// A lead byte takes the byte after it whatever that is; a lead byte at the end is "?".
ByteArray decodeCp936(std::string_view text) {
    ByteArray wide(2 * (text.size() + 1));
    unsigned char* out = wide.data();
    std::size_t i = 0;
    while (i < text.size()) {
        while (i + 8 <= text.size() && widenAsciiBlock(text.data() + i, out)) {
            i += 8;
        }
        if (i == text.size()) {
            break;
        }
        const auto byte = static_cast<unsigned char>(text[i]);
        char32_t unit = byte;
        if (byte >= cp936::kFirstLead && byte <= cp936::kLastLead) {
            unit = 0;
            if (i + 1 < text.size()) {
                const auto trail = static_cast<unsigned char>(text[i + 1]);
                if (trail >= cp936::kFirstTrail && trail <= cp936::kLastTrail) {
                    unit = cp936::kDoubleByteToUnicode[byte - cp936::kFirstLead]
                                                      [trail - cp936::kFirstTrail];
                }
                ++i;
            }
        } else if (byte >= 0x80) {
            unit = cp936::kSingleByteToUnicode[byte - 0x80];
        }
        out = putUnit(out, unit != 0 ? unit : cp936::kDefaultUnicode);
        ++i;
    }
    out = putUnit(out, 0);
    wide.resize(static_cast<std::size_t>(out - wide.data()));
    return wide;
}

// The code of every UTF-16 unit: one byte below 0x100, else lead byte * 256 + trail byte.
const std::vector<std::uint16_t>& encodeTable() {
    static const std::vector<std::uint16_t> table = [] {
        std::vector<std::uint16_t> codes(0x10000, cp936::kDefaultByte);
        for (unsigned unit = 0; unit < 0x80; ++unit) {
            codes[unit] = static_cast<std::uint16_t>(unit);
        }
        for (unsigned byte = 0x80; byte < 0x100; ++byte) {
            if (const unsigned unit = cp936::kSingleByteToUnicode[byte - 0x80]; unit != 0) {
                codes[unit] = static_cast<std::uint16_t>(byte);
            }
        }
        for (int lead = 0; lead < cp936::kLeadCount; ++lead) {
            for (int trail = 0; trail < cp936::kTrailCount; ++trail) {
                if (const unsigned unit = cp936::kDoubleByteToUnicode[lead][trail]; unit != 0) {
                    codes[unit] = static_cast<std::uint16_t>((cp936::kFirstLead + lead) << 8 |
                                                             (cp936::kFirstTrail + trail));
                }
            }
        }
        for (std::size_t k = 0; k < cp936::kBestFitCount; ++k) {
            codes[cp936::kBestFit[k].unicode] = cp936::kBestFit[k].code;
        }
        return codes;
    }();
    return table;
}

// The number of units before the first zero unit (or the end of the array).
std::size_t wideLength(const ByteArray& wide) {
    std::size_t units = 0;
    while (units < wide.size() / 2 && (wide[2 * units] | wide[2 * units + 1]) != 0) {
        ++units;
    }
    return units;
}

std::uint16_t unitAt(const ByteArray& wide, std::size_t k) {
    return static_cast<std::uint16_t>(wide[2 * k] | wide[2 * k + 1] << 8);
}

// Copies four units at `in` as four bytes when they are all ASCII and none is zero. The masks
// are laid out as bytes, so the test holds whatever the byte order of the machine.
bool narrowAsciiBlock(const unsigned char* in, char*& out) {
    constexpr unsigned char kHighBits[8] = {0x80, 0xFF, 0x80, 0xFF, 0x80, 0xFF, 0x80, 0xFF};
    constexpr unsigned char kToTopBit[8] = {0x7F, 0, 0x7F, 0, 0x7F, 0, 0x7F, 0};
    constexpr unsigned char kTopBit[8] = {0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0};
    std::uint64_t block, highBits, toTopBit, topBit;
    std::memcpy(&block, in, sizeof block);
    std::memcpy(&highBits, kHighBits, sizeof highBits);
    std::memcpy(&toTopBit, kToTopBit, sizeof toTopBit);
    std::memcpy(&topBit, kTopBit, sizeof topBit);
    // With every unit below 0x80, adding 0x7F to its low byte sets the top bit unless it is 0,
    // and carries into no other byte.
    if ((block & highBits) != 0 || ((block + toTopBit) & topBit) != topBit) {
        return false;
    }
    char bytes[4];
    for (int k = 0; k < 4; ++k) {
        bytes[k] = static_cast<char>(in[2 * k]);
    }
    std::memcpy(out, bytes, sizeof bytes);
    out += 4;
    return true;
}

// Room for the code page 936 bytes of a wide text: a byte per unit and a second one for each
// unit of 0x80 or above. The units are counted four at a time, by the bytes that show a unit is
// beyond ASCII (a low byte of 0x80 or above, a high byte other than 0), so a unit with both
// counts twice; the bound stays below two bytes per unit. A result much larger than needed
// costs more than the count: fresh memory for each page is the slowest part of a conversion.
std::size_t encodedSizeBound(const ByteArray& wide) {
    constexpr unsigned char kLowTop[8] = {0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0};
    constexpr unsigned char kHighTop[8] = {0, 0x80, 0, 0x80, 0, 0x80, 0, 0x80};
    constexpr unsigned char kLowBits[8] = {0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F};
    std::uint64_t lowTop, highTop, lowBits;
    std::memcpy(&lowTop, kLowTop, sizeof lowTop);
    std::memcpy(&highTop, kHighTop, sizeof highTop);
    std::memcpy(&lowBits, kLowBits, sizeof lowBits);
    constexpr std::uint64_t kEveryByte = 0x0101010101010101ULL;
    const std::size_t units = wide.size() / 2;
    std::size_t extra = 0;
    std::size_t i = 0;
    for (; i + 8 <= wide.size(); i += 8) {
        std::uint64_t block;
        std::memcpy(&block, wide.data() + i, sizeof block);
        // The top bit of each byte that is not 0, without carries between bytes.
        const std::uint64_t nonZero = (((block & lowBits) + lowBits) | block);
        // At most the top bit of each byte is set, so the count is a sum of eight 0s and 1s:
        // moved to the bottom of each byte and multiplied, they add up in the top byte.
        // (std::popcount becomes a library call where the CPU's instruction is not assumed.)
        const std::uint64_t beyond = (block & lowTop) | (nonZero & highTop);
        extra += static_cast<std::size_t>(((beyond >> 7) * kEveryByte) >> 56);
    }
    for (; i + 1 < wide.size(); i += 2) {
        extra += wide[i] >= 0x80 || wide[i + 1] != 0;
    }
    return units + std::min(extra, units);
}

Text encodeCp936(const ByteArray& wide) {
    const std::vector<std::uint16_t>& codes = encodeTable();
    const std::size_t units = wide.size() / 2;
    Text text(encodedSizeBound(wide), '\0');
    char* out = text.data();
    std::size_t k = 0;
    while (k < units) {
        while (k + 4 <= units && narrowAsciiBlock(wide.data() + 2 * k, out)) {
            k += 4;
        }
        if (k == units) {
            break;
        }
        const std::uint16_t unit = unitAt(wide, k++);
        if (unit == 0) {
            break;
        }
        const std::uint16_t code = codes[unit];
        if (code >= 0x100) {
            *out++ = static_cast<char>(code >> 8);
        }
        *out++ = static_cast<char>(code & 0xFF);
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    return text;
}

// A surrogate that is not half of a pair becomes U+FFFD.
Text encodeUtf8(const ByteArray& wide) {
    const std::size_t units = wideLength(wide);
    Text text(3 * units, '\0');
    char* out = text.data();
    const auto put = [&out](char32_t byte) { *out++ = static_cast<char>(byte); };
    for (std::size_t k = 0; k < units; ++k) {
        char32_t unit = unitAt(wide, k);
        if (unit >= 0xD800 && unit <= 0xDBFF && k + 1 < units && unitAt(wide, k + 1) >= 0xDC00 &&
            unitAt(wide, k + 1) <= 0xDFFF) {
            const char32_t codePoint =
                0x10000 + ((unit - 0xD800) << 10) + (unitAt(wide, ++k) - 0xDC00);
            put(0xF0 | codePoint >> 18);
            put(0x80 | (codePoint >> 12 & 0x3F));
            put(0x80 | (codePoint >> 6 & 0x3F));
            put(0x80 | (codePoint & 0x3F));
            continue;
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            unit = kReplacement;
        }
        if (unit < 0x80) {
            put(unit);
        } else if (unit < 0x800) {
            put(0xC0 | unit >> 6);
            put(0x80 | (unit & 0x3F));
        } else {
            put(0xE0 | unit >> 12);
            put(0x80 | (unit >> 6 & 0x3F));
            put(0x80 | (unit & 0x3F));
        }
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    return text;
}

unsigned resolve(unsigned codePage) {
    return codePage == kAnsiCodePage ? kCodePageChinese : codePage;
}

}  // namespace

ByteArray decodeToWide(std::string_view text, std::optional<unsigned> codePage) {
    text = text.substr(0, text.find('\0'));
    switch (resolve(codePage.value_or(kCodePageUtf8))) {
        case kCodePageUtf8:
            return decodeUtf8(text);
        case kCodePageChinese:
            return decodeCp936(text);
        default:
            return {};
    }
}

Text encodeFromWide(const ByteArray& wide, std::optional<unsigned> codePage) {
    switch (resolve(codePage.value_or(kAnsiCodePage))) {
        case kCodePageUtf8:
            return encodeUtf8(wide);
        case kCodePageChinese:
            return encodeCp936(wide);
        default:
            return {};
    }
}

}  // namespace velvane::portable
