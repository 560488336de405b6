// Compares the portable converter with the system's MultiByteToWideChar and WideCharToMultiByte
// over every UTF-16 unit, every one- and two-byte code of code page 936, and UTF-8 inputs,
// valid and not. Runs on Windows (under Wine) only, where both are at hand.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "text/code_page.h"
#include "text/portable_code_page.h"

namespace velvane {
namespace {

ByteArray wideOf(std::u16string_view units) {
    ByteArray wide;
    for (const char16_t unit : units) {
        wide.push_back(static_cast<unsigned char>(unit & 0xFF));
        wide.push_back(static_cast<unsigned char>(unit >> 8));
    }
    wide.push_back(0);
    wide.push_back(0);
    return wide;
}

std::string hex(std::string_view bytes) {
    std::string out;
    for (const char byte : bytes) {
        constexpr char kDigits[] = "0123456789ABCDEF";
        out += kDigits[static_cast<unsigned char>(byte) >> 4];
        out += kDigits[static_cast<unsigned char>(byte) & 0xF];
        out += ' ';
    }
    return out;
}

TEST(CodePageCrossCheck, EveryUnitEncodesAlikeToCodePage936AndUtf8) {
    int differences = 0;
    for (unsigned unit = 1; unit <= 0xFFFF && differences < 20; ++unit) {
        const ByteArray wide = wideOf(std::u16string(1, static_cast<char16_t>(unit)));
        for (const unsigned page : {kCodePageChinese, kCodePageUtf8}) {
            const Text system = encodeFromWide(wide, page);
            const Text portable = portable::encodeFromWide(wide, page);
            if (system != portable) {
                ++differences;
                ADD_FAILURE() << "U+" << std::hex << unit << " in code page " << std::dec << page
                              << ": system " << hex(system) << ", portable " << hex(portable);
            }
        }
    }
}

TEST(CodePageCrossCheck, SurrogatePairsAndLoneHalvesEncodeAlike) {
    const std::u16string cases[] = {
        u"\U0001F600", u"\U00010000",         u"\U0010FFFF",   u"a\xD83D",
        u"\xDE00z",    u"\xD83D\xD83D\xDE00", u"\xDE00\xD83D", u"\xD800\xDC00\xDBFF\xDFFF",
    };
    for (const auto& units : cases) {
        for (const unsigned page : {kCodePageChinese, kCodePageUtf8}) {
            EXPECT_EQ(portable::encodeFromWide(wideOf(units), page),
                      encodeFromWide(wideOf(units), page))
                << "code page " << page;
        }
    }
}

TEST(CodePageCrossCheck, EveryCodeOfCodePage936DecodesAlike) {
    int differences = 0;
    const auto compare = [&](const std::string& text) {
        const ByteArray system = decodeToWide(text, kCodePageChinese);
        const ByteArray portable = portable::decodeToWide(text, kCodePageChinese);
        if (system != portable && ++differences <= 20) {
            ADD_FAILURE() << "bytes " << hex(text);
        }
    };
    for (int first = 1; first < 0x100; ++first) {
        compare(std::string(1, static_cast<char>(first)));
        for (int second = 1; second < 0x100; ++second) {
            compare({static_cast<char>(first), static_cast<char>(second)});
        }
    }
    EXPECT_EQ(differences, 0);
}

// Every BMP character but the surrogates, as one UTF-8 text, makes the round trip alike.
TEST(CodePageCrossCheck, AllCharactersConvertAlikeInOneText) {
    std::u16string units;
    for (unsigned unit = 1; unit <= 0xFFFF; ++unit) {
        if (unit < 0xD800 || unit > 0xDFFF) {
            units.push_back(static_cast<char16_t>(unit));
        }
    }
    const Text utf8 = encodeFromWide(wideOf(units), kCodePageUtf8);
    EXPECT_EQ(portable::encodeFromWide(wideOf(units), kCodePageUtf8), utf8);
    EXPECT_EQ(portable::decodeToWide(utf8), decodeToWide(utf8));
    EXPECT_EQ(decodeToWide(utf8), wideOf(units));
    const Text local = utf8ToLocal(utf8);
    EXPECT_EQ(portable::encodeFromWide(portable::decodeToWide(utf8), kCodePageChinese), local);
    EXPECT_EQ(portable::decodeToWide(local, kCodePageChinese),
              decodeToWide(local, kCodePageChinese));
}

class Utf8CrossCheck : public ::testing::Test {
  protected:
    void compare(const std::string& text) {
        const ByteArray system = decodeToWide(text);
        const ByteArray portable = portable::decodeToWide(text);
        if (system != portable && ++differences_ <= 20) {
            ADD_FAILURE() << "UTF-8 bytes " << hex(text);
        }
    }
    void TearDown() override { EXPECT_EQ(differences_, 0); }

  private:
    int differences_ = 0;
};

TEST_F(Utf8CrossCheck, EveryTextOfUpToTwoBytesDecodesAlike) {
    for (int first = 1; first < 0x100; ++first) {
        compare(std::string(1, static_cast<char>(first)));
        for (int second = 1; second < 0x100; ++second) {
            compare({static_cast<char>(first), static_cast<char>(second)});
        }
    }
}

// Every three-byte text that starts with a byte of 0x80 or above.
TEST_F(Utf8CrossCheck, EveryLeadWithTwoFollowingBytesDecodesAlike) {
    for (int lead = 0x80; lead < 0x100; ++lead) {
        for (int second = 1; second < 0x100; ++second) {
            for (int third = 1; third < 0x100; ++third) {
                compare(
                    {static_cast<char>(lead), static_cast<char>(second), static_cast<char>(third)});
            }
        }
    }
}

// Random texts over an alphabet weighted towards the bytes that matter to UTF-8, with the
// lengths where sequences run into the end.
TEST_F(Utf8CrossCheck, RandomTextsDecodeAlike) {
    constexpr unsigned char kAlphabet[] = {'a',  '0',  0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0,
                                           0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE4, 0xED,
                                           0xEF, 0xF0, 0xF4, 0xF5, 0xF8, 0xFE, 0xFF, 0xB8};
    std::mt19937 random(936);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 1);
    std::uniform_int_distribution<int> length(1, 12);
    for (int round = 0; round < 1000000; ++round) {
        std::string text(static_cast<std::size_t>(length(random)), '\0');
        for (char& byte : text) {
            byte = static_cast<char>(kAlphabet[pick(random)]);
        }
        compare(text);
    }
}

}  // namespace
}  // namespace velvane
