// The Unicode 5.1 data of the regular-expression engine, all read-only. The data lives in
// unicode_tables.cpp, written by tools/gen_unicode_tables.py from the character database.
#pragma once

#include "core/common.h"

namespace zet::rx {

// One assigned code point: category mask (chars.h) and simple case mappings (0: none).
struct UnicodeCharacter {
    zet32u cp;
    zet32u category;
    zet32u upper;
    zet32u lower;
};

// A large stretch of one category, kept out of the character table (CJK, Hangul, surrogates,
// private use).
struct UnicodeRange {
    zet32u first;
    zet32u last;
    zet32u category;
};

struct UnicodePair {
    zet32u first;
    zet32u last;
};

// A block: its code points and its name at kBlockNames + name ("InBasicLatin", zero-terminated).
struct UnicodeBlock {
    zet32u first;
    zet32u last;
    zet32u name;
};

// A script: its name at kScriptNames + name ("Latin"), and its count pairs at kScriptRanges + first.
struct UnicodeScript {
    zet32u name;
    zet32u first;
    zet32u count;
};

inline constexpr int kCharacterCount = 19316;
inline constexpr int kCharacterRangeCount = 10;
inline constexpr int kBlockCount = 171;
inline constexpr int kScriptCount = 77;
inline constexpr int kCharacterPages = 0xE01EF / 256 + 2;  // pages up to the last record, plus one
// Every code point below U+0378 (the first unassigned one) has its record at its own index.
inline constexpr zet32u kCharacterDirect = 0x378;

// Every assigned code point outside kCharacterRanges, by ascending code point.
extern const UnicodeCharacter kCharacterTable[kCharacterCount];
// kCharacterIndex[k]: the first record whose code point is at least k * 256.
extern const zet16u kCharacterIndex[kCharacterPages];
extern const UnicodeRange kCharacterRanges[kCharacterRangeCount];
extern const UnicodeBlock kBlocks[kBlockCount];  // ascending
extern const char kBlockNames[];
extern const UnicodeScript kScripts[kScriptCount];  // in the order \p{...} tries them
extern const char kScriptNames[];
extern const UnicodePair kScriptRanges[];  // each script's pairs, ascending

}  // namespace zet::rx
