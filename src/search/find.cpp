// Substring search: zetsFind_*, zetsFindRev_*, zetsFind_Z_*.
//
// Needles of one unit are the single-character search. Longer needles go through a two-unit
// filter, written once for both widths: a candidate position i (0 <= i <= len - lenFind)
// qualifies when src[i] is the needle's first unit and src[i + lenFind - 1] its last; a 16-byte
// block of candidates costs two loads, two compares and a mask test. Qualifying candidates are
// verified lowest first (forward) or highest first (backward), and the first that verifies is the
// result: the second unit inline, the rest with the equality kernel.
//
// The main loop takes four blocks per pass and tests their masks at once; single blocks follow,
// stepping through the candidates from one end; the last block is placed to end exactly at
// the last candidate, with the candidates already rejected masked off. Texts with fewer
// candidates than a block holds are filtered in one step on a 16-byte window of the text (or a
// zero-padded copy of a text shorter than 16 bytes). Nothing outside the text and the needle is
// read.
#include "search/find.h"

#include <bit>
#include <cstdint>

#include "core/simd.h"
#include "search/compare.h"
#include "search/findc.h"

namespace zet {
namespace {

using namespace simd;

// One bit per unit of a comparison result.
template <CodeUnit T>
inline unsigned unitBits(v128 eq) {
    if constexpr (sizeof(T) == 1)
        return bits(eq);
    else
        return bits(_mm_packs_epi16(eq, _mm_setzero_si128()));
}

// The two-unit filter of one needle (at least two units long) over one text.
template <CodeUnit T>
class Filter {
public:
    static constexpr int kBlock = kLanes<T>;  // candidates per block
    static constexpr int kWide = 4 * kBlock;   // candidates per pass of the main loop

    Filter(const T* src, int len, const T* find, int lenFind)
        : src_(src), find_(find), len_(len), lenFind_(lenFind), last_(lenFind - 1),
          second_(getUnit(find, 1)), firstKey_(splat(getUnit(find, 0))), lastKey_(splat(getUnit(find, lenFind - 1))) {}

    int candidates() const { return len_ - lenFind_ + 1; }

    // Candidates i .. i + kBlock - 1 (all must exist) that pass the filter, bit 0 for i.
    unsigned block(int i) const {
        const v128 f = cmpeq<T>(loadu(src_ + i), firstKey_);
        const v128 l = cmpeq<T>(loadu(src_ + i + last_), lastKey_);
        return unitBits<T>(_mm_and_si128(f, l));
    }

    // All candidates that pass the filter, for texts with fewer than kBlock candidates.
    unsigned few() const {
        const int n = candidates();
        unsigned f, l;
        if (len_ >= kBlock) {
            // The first kBlock units hold every candidate's first unit and the last kBlock
            // units every candidate's last unit, at an offset of kBlock - n.
            f = unitBits<T>(cmpeq<T>(loadu(src_), firstKey_));
            l = unitBits<T>(cmpeq<T>(loadu(src_ + len_ - kBlock), lastKey_)) >> (kBlock - n);
        } else {
            alignas(16) T copy[kBlock] = {};
            std::memcpy(copy, src_, static_cast<std::size_t>(len_) * sizeof(T));
            const v128 text = _mm_load_si128(reinterpret_cast<const v128*>(copy));
            f = unitBits<T>(cmpeq<T>(text, firstKey_));
            l = unitBits<T>(cmpeq<T>(text, lastKey_)) >> last_;
        }
        return f & l & ((1u << n) - 1);
    }

    // Candidates i .. i + kWide - 1 (all must exist): four blocks in one mask.
    std::uint64_t wide(int i) const {
        std::uint64_t m = 0;
        for (int k = 0; k < 4; ++k) m |= static_cast<std::uint64_t>(block(i + k * kBlock)) << (k * kBlock);
        return m;
    }

    // Whether the needle occurs at candidate i, whose first and last units are known to match.
    // The second unit is looked at first: it rejects most candidates without a call.
    bool verify(int i) const {
        if (lenFind_ == 2) return true;
        return getUnit(src_ + i, 1) == second_ && (lenFind_ == 3 || ownEqual(src_ + i + 2, find_ + 2, lenFind_ - 3));
    }

    // The lowest / highest candidate of a mask (bit 0 for candidate base) that verifies.
    int lowest(int base, std::uint64_t m) const {
        for (; m; m &= m - 1)
            if (const int i = base + std::countr_zero(m); verify(i)) return i;
        return -1;
    }
    int highest(int base, std::uint64_t m) const {
        for (; m; m ^= std::uint64_t{1} << (std::bit_width(m) - 1))
            if (const int i = base + std::bit_width(m) - 1; verify(i)) return i;
        return -1;
    }

private:
    const T* src_;
    const T* find_;
    int len_, lenFind_, last_;
    T second_;
    v128 firstKey_, lastKey_;
};

template <CodeUnit T>
int findForward(const T* src, int len, const T* find, int lenFind) {
    const Filter<T> f(src, len, find, lenFind);
    constexpr int B = Filter<T>::kBlock, W = Filter<T>::kWide;
    const int n = f.candidates();
    if (n < B) return f.lowest(0, f.few());
    int i = 0;  // candidates below i are rejected
    for (; n - i >= W; i += W)  // (i + W could pass INT_MAX)
        if (const auto m = f.wide(i))
            if (const int r = f.lowest(i, m); r >= 0) return r;
    for (; n - i >= B; i += B)
        if (const auto m = f.block(i))
            if (const int r = f.lowest(i, m); r >= 0) return r;
    if (i == n) return -1;
    // The last block ends at the last candidate, with the rejected ones masked off.
    const int base = n - B;
    return f.lowest(base, f.block(base) & (~0u << (i - base)));
}

template <CodeUnit T>
int findBackward(const T* src, int len, const T* find, int lenFind) {
    const Filter<T> f(src, len, find, lenFind);
    constexpr int B = Filter<T>::kBlock, W = Filter<T>::kWide;
    const int n = f.candidates();
    if (n < B) return f.highest(0, f.few());
    int i = n;  // candidates from i on are rejected
    for (; i >= W; i -= W)
        if (const auto m = f.wide(i - W))
            if (const int r = f.highest(i - W, m); r >= 0) return r;
    for (; i >= B; i -= B)
        if (const auto m = f.block(i - B))
            if (const int r = f.highest(i - B, m); r >= 0) return r;
    if (i == 0) return -1;
    // The first block starts at candidate 0, with the rejected ones masked off.
    return f.highest(0, f.block(0) & ((1u << i) - 1));
}

}  // namespace

template <CodeUnit T>
int ownFind(const T* src, int len, const T* find, int lenFind) {
    return lenFind == 1 ? ownFindC(src, len, getUnit(find, 0)) : findForward(src, len, find, lenFind);
}

template <CodeUnit T>
int ownFindRev(const T* src, int len, const T* find, int lenFind) {
    return lenFind == 1 ? ownFindRevC(src, len, getUnit(find, 0)) : findBackward(src, len, find, lenFind);
}

template int ownFind<zet8u>(const zet8u*, int, const zet8u*, int);
template int ownFind<zet16u>(const zet16u*, int, const zet16u*, int);
template int ownFindRev<zet8u>(const zet8u*, int, const zet8u*, int);
template int ownFindRev<zet16u>(const zet16u*, int, const zet16u*, int);

namespace {

// An empty needle is never found, nor one longer than the text.
template <CodeUnit T, int (*Kernel)(const T*, int, const T*, int)>
ZetStatus findCounted(const T* src, zet32s len, const T* find, zet32s lenFind, zet32s* index) {
    if (anyNull(src, find, index)) return zetStatusNullPointer;
    if (len < 0 || lenFind < 0) return zetStatusBadLength;
    *index = lenFind == 0 || len < lenFind ? -1 : Kernel(src, len, find, lenFind);
    return zetStatusOk;
}

// Zero-terminated form: both strings are measured before the counted search checks pIndex.
template <CodeUnit T>
ZetStatus findZ(const T* src, const T* find, zet32s* index) {
    if (anyNull(src, find)) return zetStatusNullPointer;
    return findCounted<T, ownFind<T>>(src, ownLengthZ(src), find, ownLengthZ(find), index);
}

}  // namespace
}  // namespace zet

using namespace zet;

ZetStatus zetsFind_8u(const zet8u* pSrc, zet32s len, const zet8u* pFind, zet32s lenFind, zet32s* pIndex) {
    return findCounted<zet8u, ownFind<zet8u>>(pSrc, len, pFind, lenFind, pIndex);
}
ZetStatus zetsFind_16u(const zet16u* pSrc, zet32s len, const zet16u* pFind, zet32s lenFind, zet32s* pIndex) {
    return findCounted<zet16u, ownFind<zet16u>>(pSrc, len, pFind, lenFind, pIndex);
}
ZetStatus zetsFindRev_8u(const zet8u* pSrc, zet32s len, const zet8u* pFind, zet32s lenFind, zet32s* pIndex) {
    return findCounted<zet8u, ownFindRev<zet8u>>(pSrc, len, pFind, lenFind, pIndex);
}
ZetStatus zetsFindRev_16u(const zet16u* pSrc, zet32s len, const zet16u* pFind, zet32s lenFind, zet32s* pIndex) {
    return findCounted<zet16u, ownFindRev<zet16u>>(pSrc, len, pFind, lenFind, pIndex);
}
ZetStatus zetsFind_Z_8u(const zet8u* pSrc, const zet8u* pFind, zet32s* pIndex) { return findZ(pSrc, pFind, pIndex); }
ZetStatus zetsFind_Z_16u(const zet16u* pSrc, const zet16u* pFind, zet32s* pIndex) { return findZ(pSrc, pFind, pIndex); }
