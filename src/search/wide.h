// What the substring search, the set search and split need on top of Vec<W> (core/simd.h): hit
// masks of two comparisons at once, merged hit sets, unit steps through a mask, the in-lane byte
// shuffle and short loads that read nothing past their end.
//
// A hit mask holds kStep<T, W> bits per unit: one per byte for 16 and 32 bytes (a 16-bit unit
// sets two adjacent bits, as movemask gives them), one per unit for 64 bytes (compares into mask
// registers). Unit u of a block is bits [u * kStep, (u + 1) * kStep) of its mask.
#pragma once

#include <cstdint>

#include "core/blockscan.h"
#include "core/simd.h"

namespace zet::simd {

template <CodeUnit T, int W>
inline constexpr int kStep = Vec<W>::template maskBytes<T> == 1 ? static_cast<int>(sizeof(T)) : 1;

// Units per vector of W bytes.
template <CodeUnit T, int W>
inline constexpr int kUnits = W / static_cast<int>(sizeof(T));

// A set of hits before it is turned into a mask: a comparison vector for 16 and 32 bytes (merged
// by OR without a mask move), the mask itself for 64.
template <int W>
struct HitsOf {
    using type = typename Vec<W>::reg;
};
template <>
struct HitsOf<64> {
    using type = std::uint64_t;
};
template <int W>
using Hits = typename HitsOf<W>::type;

// Lanes where a equals ka and b equals kb.
template <CodeUnit T, int W, class R = typename Vec<W>::reg>
inline Hits<W> eqBoth(R a, R ka, R b, R kb) {
    using V = Vec<W>;
    if constexpr (W == 64) {
        if constexpr (sizeof(T) == 1)
            return _mm512_mask_cmpeq_epi8_mask(_mm512_cmpeq_epi8_mask(a, ka), b, kb);
        else
            return _mm512_mask_cmpeq_epi16_mask(_mm512_cmpeq_epi16_mask(a, ka), b, kb);
    } else {
        return V::andv(V::template eqv<T>(a, ka), V::template eqv<T>(b, kb));
    }
}

// Lanes where a equals k.
template <CodeUnit T, int W>
inline Hits<W> eqHits(typename Vec<W>::reg a, typename Vec<W>::reg k) {
    if constexpr (W == 64)
        return Vec<W>::template eq<T>(a, k);
    else
        return Vec<W>::template eqv<T>(a, k);
}

template <int W>
inline Hits<W> merge(Hits<W> x, Hits<W> y) {
    if constexpr (W == 64)
        return x | y;
    else
        return Vec<W>::orv(x, y);
}

template <CodeUnit T, int W>
inline typename Vec<W>::mask maskOf(Hits<W> h) {
    if constexpr (W == 64)
        return h;
    else
        return Vec<W>::template maskOf<T>(h);
}

// The bits of units [0, units) of a mask; units may be anything from 0 to the block's units.
template <CodeUnit T, int W>
inline typename Vec<W>::mask unitsBelow(int units) {
    using M = typename Vec<W>::mask;
    constexpr int kBits = kUnits<T, W> * kStep<T, W>;
    const int b = units * kStep<T, W>;
    if constexpr (kBits == static_cast<int>(sizeof(M) * 8))
        return b >= kBits ? ~M{0} : (M{1} << b) - 1;
    else
        return static_cast<M>((M{1} << b) - 1);
}

// The lowest / highest unit of a nonzero mask, and the mask without it.
template <CodeUnit T, int W, class M>
inline int lowUnit(M m) {
    return lowBitOf(m) / kStep<T, W>;
}
template <CodeUnit T, int W, class M>
inline int highUnit(M m) {
    return highBitOf(m) / kStep<T, W>;
}
template <CodeUnit T, int W, class M>
inline M withoutLow(M m) {
    m &= m - 1;
    if constexpr (kStep<T, W> == 2) m &= m - 1;
    return m;
}
template <CodeUnit T, int W, class M>
inline M withoutHigh(M m) {
    return m & unitsBelow<T, W>(highUnit<T, W>(m));
}

// A 16-byte vector repeated in every 16-byte lane of a vector of W bytes (a broadcast unit stays
// one), and the in-lane byte shuffle: byte i of the result is table[idx[i] & 15] of its lane, or
// 0 where idx[i] has its top bit set.
template <int W>
inline typename Vec<W>::reg widen(v128 t) {
    if constexpr (W == 16)
        return t;
    else if constexpr (W == 32)
        return _mm256_broadcastsi128_si256(t);
    else
        return _mm512_maskz_broadcast_i32x4(0xFFFF, t);
}

template <int W>
inline typename Vec<W>::reg shuffle(typename Vec<W>::reg table, typename Vec<W>::reg idx) {
    if constexpr (W == 16)
        return _mm_shuffle_epi8(table, idx);
    else if constexpr (W == 32)
        return _mm256_shuffle_epi8(table, idx);
    else
        return _mm512_shuffle_epi8(table, idx);
}

// Lane-wise XOR (OR and AND are Vec<W>::orv and andv), and every byte shifted right by four bits
// (the bits shifted in from the byte above are the caller's to mask off).
template <int W>
inline typename Vec<W>::reg vxor(typename Vec<W>::reg a, typename Vec<W>::reg b) {
    if constexpr (W == 16)
        return _mm_xor_si128(a, b);
    else if constexpr (W == 32)
        return _mm256_xor_si256(a, b);
    else
        return _mm512_xor_si512(a, b);
}
template <int W>
inline typename Vec<W>::reg shiftRight4(typename Vec<W>::reg a) {
    if constexpr (W == 16)
        return _mm_srli_epi16(a, 4);
    else if constexpr (W == 32)
        return _mm256_srli_epi16(a, 4);
    else
        return _mm512_srli_epi16(a, 4);
}

// Mask of the bytes where a and b share a set bit, for a b of one bit a byte.
template <int W>
inline typename Vec<W>::mask sharedBit(typename Vec<W>::reg a, typename Vec<W>::reg b) {
    if constexpr (W == 64)
        return _mm512_test_epi8_mask(a, b);
    else
        return Vec<W>::template eq<zet8u>(Vec<W>::andv(a, b), b);
}

// Index of the first (Reverse: last) unit of src[0, len) that hits reports, or -1.
//
// hits(block) takes a vector of 16, 32 or 64 bytes (it is called with narrower ones than W for
// short strings) and gives the mask of its hits; the result for a unit must not depend on its
// neighbours. Whole blocks of W bytes are taken from the start (Reverse: from the end); the last
// one ends at the string's end (Reverse: starts at its start), and the units it shares with the
// block before were already found not to hit. A string shorter than a block goes to the 16-byte
// form (32 bytes), or is read as one zero-padded block: gathered in pieces (16 bytes) or loaded
// under a mask (64 bytes); hits past its end are ignored. Nothing outside the string is read.
//
// Always inlined, so that hits keeps the instruction set of the kernel that calls the scan.
template <CodeUnit T, bool Reverse, int W, class HitsFn>
[[gnu::always_inline]] inline int scanWide(const T* src, int len, HitsFn&& hits) {
    using V = Vec<W>;
    const char* base = reinterpret_cast<const char*>(src);
    const std::size_t nbytes = static_cast<std::size_t>(len) * sizeof(T);
    auto at = [](std::size_t off, auto m) {
        return static_cast<int>(off / sizeof(T)) + (Reverse ? highUnit<T, W>(m) : lowUnit<T, W>(m));
    };
    if (nbytes < W) {
        if constexpr (W == 32) {
            return scanWide<T, Reverse, 16>(src, len, hits);
        } else {
            typename V::reg block;
            if constexpr (W == 16)
                block = gather(base, nbytes);
            else
                block = V::loadPart(base, nbytes);
            const auto m = hits(block) & unitsBelow<T, W>(len);
            return m ? at(0, m) : -1;
        }
    }
    if constexpr (Reverse) {
        std::size_t end = nbytes;
        for (; end >= W; end -= W)
            if (const auto m = hits(V::loadu(base + end - W))) return at(end - W, m);
        if (end > 0)
            if (const auto m = hits(V::loadu(base))) return at(0, m);
    } else {
        std::size_t off = 0;
        for (; off + W <= nbytes; off += W)
            if (const auto m = hits(V::loadu(base + off))) return at(off, m);
        if (off < nbytes)
            if (const auto m = hits(V::loadu(base + nbytes - W))) return at(nbytes - W, m);
    }
    return -1;
}

}  // namespace zet::simd
