// CaseTable: the read-only three-stage simple case table for 16-bit code units, used by the
// Unicode case conversion and the Unicode-caseless comparison. Its data lives in case_table.cpp,
// written by tools/gen_case_table.py from the mapping runs in tools/case_runs.txt.
//
// Lookup of unit c: word = kCaseWords[kCaseRows[kCaseBlocks[c >> 6] | (c & 63)]].
// Bit 20: c has an upper-case form; bit 21: c has a lower-case form; bits 22..31: signed delta D;
// bits 0..19 are free for further properties and nothing reads them.
// Lower case: c + D when bit 21 is set; upper case: c - D when bit 20 is set (both mod 0x10000).
// A title-case unit has both bits and D = 1 (U+01C5: lower U+01C6, upper U+01C4).
#pragma once

#include "core/common.h"

namespace zet {

extern const zet16u kCaseBlocks[1024];  // offset of each 64-unit block's row in kCaseRows
extern const zet8u kCaseRows[8704];     // distinct rows of 64 word indices, zero-padded
extern const zet32s kCaseWords[128];    // property words; index 0 is the zero word (no case)

inline constexpr zet32s kCaseHasUpper = 1 << 20;
inline constexpr zet32s kCaseHasLower = 1 << 21;

inline zet32s ownCaseWord(zet16u c) {
    const unsigned u = c;
    return kCaseWords[kCaseRows[kCaseBlocks[u >> 6] | (u & 63)]];
}

// The delta of the word where the bit is set, else 0: no branch in the conversion loops.
inline zet32s ownCaseDelta(zet32s word, zet32s bit) { return (word >> 22) & -static_cast<zet32s>((word & bit) != 0); }

inline zet16u ownCaseLower(zet16u c) { return static_cast<zet16u>(c + ownCaseDelta(ownCaseWord(c), kCaseHasLower)); }

inline zet16u ownCaseUpper(zet16u c) { return static_cast<zet16u>(c - ownCaseDelta(ownCaseWord(c), kCaseHasUpper)); }

}  // namespace zet
