// What the substring search, the set search and split need on top of Vec<W> (core/simd.h): hit
// masks of two comparisons at once, merged hit sets, unit steps through a mask, the in-lane byte
// shuffle and short loads that read nothing past their end.
//
// A hit mask holds kStep<T, W> bits per unit: one per byte for 16 and 32 bytes (a 16-bit unit
// sets two adjacent bits, as movemask gives them), one per unit for 64 bytes (compares into mask
// registers). Unit u of a block is bits [u * kStep, (u + 1) * kStep) of its mask.
#pragma once

#include <cstdint>
#include <type_traits>

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
using Hits = std::conditional_t<W == 64, std::uint64_t, typename Vec<W>::reg>;

// Lanes where a equals ka and b equals kb.
template <CodeUnit T, int W>
inline Hits<W> eqBoth(typename Vec<W>::reg a, typename Vec<W>::reg ka, typename Vec<W>::reg b, typename Vec<W>::reg kb) {
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

// A 16-byte table repeated in every 16-byte lane of a vector of W bytes, and the in-lane byte
// shuffle: byte i of the result is table[idx[i] & 15], or 0 where idx[i] has its top bit set.
template <int W>
inline typename Vec<W>::reg broadcastTable(v128 t) {
    if constexpr (W == 16)
        return t;
    else if constexpr (W == 32)
        return _mm256_broadcastsi128_si256(t);
    else
        return _mm512_broadcast_i32x4(t);
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

}  // namespace zet::simd
