// Latin case conversion: zetsLowercaseLatin_*, zetsUppercaseLatin_* and their in-place forms.
//
// One range kernel serves all eight: a unit c with low <= c <= high becomes c + delta (wrapping at
// the unit width), any other unit is copied. Lower-casing passes 0x41..0x5A and +32, upper-casing
// 0x61..0x7A and -32, so only the 26 ASCII letters of either case ever change.
//
// The kernel works on 16-byte blocks for both widths. Strings of 16 bytes or more: the first and
// the last 16 bytes are loaded before anything is stored, the blocks in between are converted
// from the destination's first 16-byte boundary on (aligned stores; unaligned when a 16-bit
// destination lies at an odd address), and the first and last block are stored at the end. The
// overlapping bytes are thus converted from their original values by every block that covers
// them, so the kernel is exact for any range (it does not rely on converting twice being
// harmless) and a destination equal to the source is converted in place correctly. Strings of 4
// to 15 bytes use two overlapping 8-byte or 4-byte pieces the same way, shorter ones single
// units. Nothing outside the strings is read or written. (Partly overlapping buffers are not
// supported.)
#include "case/range_rule.h"
#include "core/simd.h"

namespace zet {
namespace {

using namespace simd;

// Blocks [off, n - 16] of a string of n >= 16 bytes, 16 bytes at a time.
template <bool AlignedStore, class Rule>
void convertBlocks(const char* s, char* d, std::size_t off, std::size_t n, const Rule& rule) {
    for (; off + 16 <= n; off += 16) {
        const v128 v = rule(loadu(s + off));
        if constexpr (AlignedStore)
            storea(d + off, v);
        else
            storeu(d + off, v);
    }
}

// Two pieces of `Piece` bytes at the start and at the end of a string of Piece..2*Piece bytes.
template <std::size_t Piece, class Rule>
void convertPieces(const char* s, char* d, std::size_t n, const Rule& rule) {
    auto load = [](const char* p) { return Piece == 8 ? load8(p) : load4(p); };
    auto store = [](char* p, v128 v) { Piece == 8 ? store8(p, v) : store4(p, v); };
    const v128 first = rule(load(s)), last = rule(load(s + n - Piece));
    store(d, first);
    store(d + n - Piece, last);
}

// Out of place; dst may equal src.
template <CodeUnit T>
void ownCaseRange(const T* src, T* dst, int len, T low, T high, T delta) {
    const RangeRule<T> rule(low, high, delta);
    const char* s = reinterpret_cast<const char*>(src);
    char* d = reinterpret_cast<char*>(dst);
    const std::size_t n = static_cast<std::size_t>(len) * sizeof(T);
    if (n >= 16) {
        const v128 head = loadu(s), tail = loadu(s + n - 16);
        // Bytes up to the destination's next 16-byte boundary (1..16) belong to the head block.
        const std::size_t toBoundary = 16 - (addr(d) & 15);
        if (toBoundary % sizeof(T) == 0)
            convertBlocks<true>(s, d, toBoundary, n, rule);
        else
            convertBlocks<false>(s, d, 16, n, rule);
        storeu(d, rule(head));
        storeu(d + n - 16, rule(tail));
    } else if (n >= 8) {
        convertPieces<8>(s, d, n, rule);
    } else if (n >= 4) {
        convertPieces<4>(s, d, n, rule);
    } else {
        for (int i = 0; i < len; ++i) putUnit(dst, i, rule(getUnit(src, i)));
    }
}

// In place: the same kernel with one buffer.
template <CodeUnit T>
void ownCaseRange(T* buf, int len, T low, T high, T delta) {
    ownCaseRange<T>(buf, buf, len, low, high, delta);
}

// What each direction converts: A..Z by +32, or a..z by -32 (0xE0 or 0xFFE0, wrapping).
template <CodeUnit T, bool Lower>
struct LatinRange {
    static constexpr T kLow = Lower ? 0x41 : 0x61, kHigh = Lower ? 0x5A : 0x7A;
    static constexpr T kDelta = static_cast<T>(Lower ? 32 : -32);
};

template <CodeUnit T, bool Lower>
ZetStatus caseCopy(const T* src, T* dst, zet32s len) {
    if (anyNull(src, dst)) return zetStatusNullPointer;
    if (len < 0) return zetStatusBadLength;
    using R = LatinRange<T, Lower>;
    ownCaseRange(src, dst, len, R::kLow, R::kHigh, R::kDelta);
    return zetStatusOk;
}

template <CodeUnit T, bool Lower>
ZetStatus caseInPlace(T* buf, zet32s len) {
    if (anyNull(buf)) return zetStatusNullPointer;
    if (len < 0) return zetStatusBadLength;
    using R = LatinRange<T, Lower>;
    ownCaseRange(buf, len, R::kLow, R::kHigh, R::kDelta);
    return zetStatusOk;
}

}  // namespace
}  // namespace zet

using namespace zet;

ZetStatus zetsLowercaseLatin_8u(const zet8u* pSrc, zet8u* pDst, zet32s len) { return caseCopy<zet8u, true>(pSrc, pDst, len); }
ZetStatus zetsLowercaseLatin_16u(const zet16u* pSrc, zet16u* pDst, zet32s len) { return caseCopy<zet16u, true>(pSrc, pDst, len); }
ZetStatus zetsLowercaseLatin_8u_I(zet8u* pSrcDst, zet32s len) { return caseInPlace<zet8u, true>(pSrcDst, len); }
ZetStatus zetsLowercaseLatin_16u_I(zet16u* pSrcDst, zet32s len) { return caseInPlace<zet16u, true>(pSrcDst, len); }
ZetStatus zetsUppercaseLatin_8u(const zet8u* pSrc, zet8u* pDst, zet32s len) { return caseCopy<zet8u, false>(pSrc, pDst, len); }
ZetStatus zetsUppercaseLatin_16u(const zet16u* pSrc, zet16u* pDst, zet32s len) { return caseCopy<zet16u, false>(pSrc, pDst, len); }
ZetStatus zetsUppercaseLatin_8u_I(zet8u* pSrcDst, zet32s len) { return caseInPlace<zet8u, false>(pSrcDst, len); }
ZetStatus zetsUppercaseLatin_16u_I(zet16u* pSrcDst, zet32s len) { return caseInPlace<zet16u, false>(pSrcDst, len); }
