// CaseTable: the read-only three-stage simple case table for 16-bit code units, used by the
// Unicode case conversion and the Unicode-caseless comparison. Its data lives in case_table.cpp,
// written by tools/gen_case_table.py.
//
// Lookup of unit c: word = kCaseWords[kCaseRows[kCaseBlocks[c >> 6] | (c & 63)]].
// Bit 20: c has an upper-case form; bit 21: c has a lower-case form; bits 22..31: signed delta D.
// Lower case: c + D when bit 21 is set; upper case: c - D when bit 20 is set (both mod 0x10000).
#pragma once

#include "core/common.h"

namespace zet {

extern const zet16u kCaseBlocks[1024];  // offset of each 64-unit block's row in kCaseRows
extern const zet8u kCaseRows[8704];     // 122 distinct rows of 64 entries, zero-padded
extern const zet32s kCaseWords[128];    // property words (124 used)

inline zet32s ownCaseWord(zet16u c) { return kCaseWords[kCaseRows[kCaseBlocks[c >> 6] | (c & 63)]]; }

inline zet16u ownCaseLower(zet16u c) {
    const zet32s w = ownCaseWord(c);
    return (w & (1 << 21)) ? static_cast<zet16u>(c + (w >> 22)) : c;
}

inline zet16u ownCaseUpper(zet16u c) {
    const zet32s w = ownCaseWord(c);
    return (w & (1 << 20)) ? static_cast<zet16u>(c - (w >> 22)) : c;
}

}  // namespace zet
