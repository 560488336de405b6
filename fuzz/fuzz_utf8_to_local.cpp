// Code-page conversion on arbitrary bytes: utf8ToLocal as the refresh calls it, and the two
// steps under it with the code pages they know and wide texts of any length, odd ones too.
//
// Input: the first byte picks the code pages of the direct calls to the two steps; the rest is
// the text (and, for the encoding step, also taken as a wide text).
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "text/code_page.h"

namespace {

using velvane::ByteArray;
using velvane::Text;

constexpr std::array<std::optional<unsigned>, 5> kCodePages = {
    std::nullopt, 0u, velvane::kCodePageChinese, velvane::kCodePageUtf8, 1252u};

// Whether the text is well-formed UTF-8 (no overlong forms, surrogates or values beyond
// U+10FFFF), written out independently of the converter.
bool isValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t value = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, value = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, value = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto byte = static_cast<unsigned char>(text[i + k]);
            if ((byte & 0xC0) != 0x80) {
                return false;
            }
            value = value << 6 | (byte & 0x3F);
        }
        constexpr std::array<char32_t, 5> kSmallest = {0, 0, 0x80, 0x800, 0x10000};
        if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::optional<unsigned> decodePage = kCodePages[data[0] % kCodePages.size()];
    const std::optional<unsigned> encodePage = kCodePages[(data[0] >> 4) % kCodePages.size()];
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string_view text = input.substr(0, input.find('\0'));

    // What the refresh does.
    const Text local = velvane::utf8ToLocal(input);
    FUZZ_CHECK(local == velvane::utf8ToLocal(text));  // nothing after a zero byte counts
    FUZZ_CHECK(local.find('\0') == Text::npos);
    FUZZ_CHECK(local.size() <= 2 * text.size());
    if (isAscii(text)) {
        FUZZ_CHECK(local == text);
    }
    // Bytes the encoder wrote read back as the same characters.
    const ByteArray wide = velvane::decodeToWide(local, velvane::kCodePageChinese);
    FUZZ_CHECK(velvane::encodeFromWide(wide, velvane::kCodePageChinese) == local);

    // Valid UTF-8 goes to UTF-16 and back unchanged.
    const ByteArray utf16 = velvane::decodeToWide(text);
    FUZZ_CHECK(utf16.size() % 2 == 0 && utf16.size() >= 2);
    FUZZ_CHECK(utf16[utf16.size() - 2] == 0 && utf16[utf16.size() - 1] == 0);
    if (isValidUtf8(text)) {
        FUZZ_CHECK(velvane::encodeFromWide(utf16, velvane::kCodePageUtf8) == text);
    }

    // The steps on their own, with any code page and any wide text.
    velvane::decodeToWide(input, decodePage);
    const ByteArray anyWide(input.begin(), input.end());
    const Text encoded = velvane::encodeFromWide(anyWide, encodePage);
    FUZZ_CHECK(encoded.find('\0') == Text::npos);
    return 0;
}
