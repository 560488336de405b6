// Code page 936 as Windows converts it, for the portable converter. The data lives in
// cp936_table.cpp, written by make_cp936_table.py.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velvane::cp936 {

// A lead byte (0x81 to 0xFE) and the byte after it form one character; bytes below 0x80 are
// ASCII.
constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kLastLead = 0xFE;
constexpr unsigned kFirstTrail = 0x40;
constexpr unsigned kLastTrail = 0xFE;
constexpr int kLeadCount = kLastLead - kFirstLead + 1;
constexpr int kTrailCount = kLastTrail - kFirstTrail + 1;

// What both directions give for something the other side cannot represent.
constexpr char16_t kDefaultUnicode = u'?';
constexpr unsigned char kDefaultByte = '?';

// The UTF-16 unit of each byte 0x80 to 0xFF standing alone, 0 where it is no character.
extern const std::uint16_t kSingleByteToUnicode[128];

// The UTF-16 unit of each double-byte code, indexed by lead and trail byte less kFirstLead and
// kFirstTrail, 0 where the code is no character. No unit appears twice.
extern const std::uint16_t kDoubleByteToUnicode[kLeadCount][kTrailCount];

// Characters the code page lacks that Windows writes as a look-alike when converting to it:
// `code` is one byte below 0x100, else lead byte * 256 + trail byte.
struct BestFit {
    std::uint16_t unicode;
    std::uint16_t code;
};
extern const BestFit kBestFit[];
extern const std::size_t kBestFitCount;

}  // namespace velvane::cp936
