// Vector helpers shared by the kernels, written once for both code-unit widths.
//
// The library is built in three variants from the same sources: the baseline with SSE4.1 code
// generation (SSE4.2 kernels carry their own target attribute and are chosen at run time), one for
// AVX2 and one for AVX-512 (BW and VL). ZETCH_VECTOR_BYTES, set by the build, is the widest vector
// the variant may use (16, 32 or 64); kernels that gain from width are templates over the width W
// and use Vec<W> below, the others keep the 16-byte helpers (v128), which every variant has.
#pragma once

#include <immintrin.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/common.h"

#ifndef ZETCH_VECTOR_BYTES
#define ZETCH_VECTOR_BYTES 16
#endif

namespace zet::simd {

inline constexpr int kVectorBytes = ZETCH_VECTOR_BYTES;
static_assert(kVectorBytes == 16 || kVectorBytes == 32 || kVectorBytes == 64, "vector width");
#if ZETCH_VECTOR_BYTES >= 32 && !defined(__AVX2__)
#error "the AVX2 variant is compiled with AVX2 code generation"
#endif
#if ZETCH_VECTOR_BYTES == 64 && !(defined(__AVX512BW__) && defined(__AVX512VL__))
#error "the AVX-512 variant is compiled with AVX-512 BW and VL code generation"
#endif

using v128 = __m128i;

// Code units per 16-byte vector.
template <CodeUnit T>
inline constexpr int kLanes = 16 / static_cast<int>(sizeof(T));

inline v128 loadu(const void* p) { return _mm_loadu_si128(static_cast<const v128*>(p)); }
inline void storeu(void* p, v128 v) { _mm_storeu_si128(static_cast<v128*>(p), v); }
// 8 or 4 bytes into the low lanes, the rest zero: callers mask the result bits to those lanes.
inline v128 load8(const void* p) { return _mm_loadl_epi64(static_cast<const v128*>(p)); }
inline v128 load4(const void* p) {
    int x;
    std::memcpy(&x, p, 4);
    return _mm_cvtsi32_si128(x);
}

inline void storea(void* p, v128 v) { _mm_store_si128(static_cast<v128*>(p), v); }
// The low 8 or 4 bytes of v, for exact short tails.
inline void store8(void* p, v128 v) { _mm_storel_epi64(static_cast<v128*>(p), v); }
inline void store4(void* p, v128 v) {
    const int x = _mm_cvtsi128_si32(v);
    std::memcpy(p, &x, 4);
}

template <CodeUnit T>
inline v128 splat(T v) {
    if constexpr (sizeof(T) == 1)
        return _mm_set1_epi8(static_cast<char>(v));
    else
        return _mm_set1_epi16(static_cast<short>(v));
}

template <CodeUnit T>
inline v128 cmpeq(v128 a, v128 b) {
    if constexpr (sizeof(T) == 1)
        return _mm_cmpeq_epi8(a, b);
    else
        return _mm_cmpeq_epi16(a, b);
}

// Signed greater-than, lane by lane.
template <CodeUnit T>
inline v128 cmpgt(v128 a, v128 b) {
    if constexpr (sizeof(T) == 1)
        return _mm_cmpgt_epi8(a, b);
    else
        return _mm_cmpgt_epi16(a, b);
}

// Lane-wise sum, wrapping at the lane width.
template <CodeUnit T>
inline v128 add(v128 a, v128 b) {
    if constexpr (sizeof(T) == 1)
        return _mm_add_epi8(a, b);
    else
        return _mm_add_epi16(a, b);
}

template <CodeUnit T>
inline v128 sub(v128 a, v128 b) {
    if constexpr (sizeof(T) == 1)
        return _mm_sub_epi8(a, b);
    else
        return _mm_sub_epi16(a, b);
}


// One bit per byte of the comparison result (a 16-bit lane sets two adjacent bits).
inline unsigned bits(v128 m) { return static_cast<unsigned>(_mm_movemask_epi8(m)); }

// Byte offset of the lowest / highest set bit of a nonzero mask, turned into a unit index by the
// caller with (byteOffset + bit) / sizeof(T); both bits of a 16-bit lane give the same unit.
inline int lowBit(unsigned m) { return __builtin_ctz(m); }
inline int highBit(unsigned m) { return 31 - __builtin_clz(m); }

inline std::uintptr_t addr(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

// ---- vectors of W bytes ----
//
// Vec<W>::eq<T> gives a hit mask of the W bytes with one bit per maskBytes<T> bytes: one bit per
// byte for 16 and 32 bytes (a 16-bit unit sets two adjacent bits, as bits() does), one bit per
// unit for 64 bytes (AVX-512 compares into mask registers lane by lane). The unit index of a set
// bit b of the mask of the block at byte offset off is (off + b * maskBytes<T>) / sizeof(T).
template <int W>
struct Vec;

template <>
struct Vec<16> {
    using reg = __m128i;
    using mask = std::uint32_t;
    template <CodeUnit T>
    static constexpr int maskBytes = 1;
    static reg loadu(const void* p) { return _mm_loadu_si128(static_cast<const reg*>(p)); }
    static reg load(const void* p) { return _mm_load_si128(static_cast<const reg*>(p)); }
    template <CodeUnit T>
    static reg splat(T v) { return simd::splat<T>(v); }
    template <CodeUnit T>
    static reg eqv(reg a, reg b) { return cmpeq<T>(a, b); }
    static reg orv(reg a, reg b) { return _mm_or_si128(a, b); }
    static reg andv(reg a, reg b) { return _mm_and_si128(a, b); }
    // Mask of a comparison result from eqv (or an and/or of several).
    template <CodeUnit T>
    static mask maskOf(reg m) { return bits(m); }
    template <CodeUnit T>
    static mask eq(reg a, reg b) { return bits(cmpeq<T>(a, b)); }
    // Mask of the bytes that differ.
    static mask ne8(reg a, reg b) { return ~bits(_mm_cmpeq_epi8(a, b)) & 0xFFFFu; }
    static constexpr mask kAll = 0xFFFFu;
#if ZETCH_VECTOR_BYTES == 64
    // With AVX-512, as Vec<64> has them (eqPart with one bit per unit): short strings use these
    // and leave no wide register state to clear before returning.
    static reg loadPart(const void* p, std::size_t n) {
        return _mm_maskz_loadu_epi8(static_cast<__mmask16>(_bzhi_u32(0xFFFFu, static_cast<unsigned>(n))), p);
    }
    template <CodeUnit T>
    static mask eqPart(const void* p, std::size_t n, reg key) {
        const __mmask16 k = static_cast<__mmask16>(_bzhi_u32(0xFFFFu, static_cast<unsigned>(n)));
        if constexpr (sizeof(T) == 1)
            return _mm_mask_cmpeq_epi8_mask(k, _mm_maskz_loadu_epi8(k, p), key);
        else
            return _mm_mask_cmpeq_epi16_mask(static_cast<__mmask8>(_bzhi_u32(0xFFu, static_cast<unsigned>(n / 2))),
                                             _mm_maskz_loadu_epi8(k, p), key);
    }
#endif
    // Tests of several blocks at once: whether a unit of some block equals a key (hitFirst,
    // hitMore, anyHit), and whether every pair of blocks is equal (sameFirst, sameMore, allSame);
    // here the lane results of the comparisons, merged with or / and.
    using acc = reg;
    template <CodeUnit T>
    static acc hitFirst(reg x, reg key) { return cmpeq<T>(x, key); }
    template <CodeUnit T>
    static acc hitMore(acc a, reg x, reg key) { return _mm_or_si128(a, cmpeq<T>(x, key)); }
    template <CodeUnit T>
    static bool anyHit(acc a) { return bits(a) != 0; }
    static acc sameFirst(reg x, reg y) { return _mm_cmpeq_epi8(x, y); }
    static acc sameMore(acc a, reg x, reg y) { return _mm_and_si128(a, _mm_cmpeq_epi8(x, y)); }
    static bool allSame(acc a) { return bits(a) == kAll; }
    // Units u with lo <= u <= lo + span (unsigned) become u + delta, wrapping.
    template <CodeUnit T>
    static reg addInRange(reg x, T lo, T span, T delta) {
        const reg d = sub<T>(x, simd::splat<T>(lo));
        const reg lowest = sizeof(T) == 1 ? _mm_min_epu8(d, simd::splat<T>(span)) : _mm_min_epu16(d, simd::splat<T>(span));
        return add<T>(x, _mm_and_si128(cmpeq<T>(lowest, d), simd::splat<T>(delta)));
    }
};

#if ZETCH_VECTOR_BYTES >= 32
template <>
struct Vec<32> {
    using reg = __m256i;
    using mask = std::uint32_t;
    template <CodeUnit T>
    static constexpr int maskBytes = 1;
    static reg loadu(const void* p) { return _mm256_loadu_si256(static_cast<const reg*>(p)); }
    static reg load(const void* p) { return _mm256_load_si256(static_cast<const reg*>(p)); }
    template <CodeUnit T>
    static reg splat(T v) {
        if constexpr (sizeof(T) == 1)
            return _mm256_set1_epi8(static_cast<char>(v));
        else
            return _mm256_set1_epi16(static_cast<short>(v));
    }
    template <CodeUnit T>
    static reg eqv(reg a, reg b) {
        if constexpr (sizeof(T) == 1)
            return _mm256_cmpeq_epi8(a, b);
        else
            return _mm256_cmpeq_epi16(a, b);
    }
    static reg orv(reg a, reg b) { return _mm256_or_si256(a, b); }
    static reg andv(reg a, reg b) { return _mm256_and_si256(a, b); }
    template <CodeUnit T>
    static mask maskOf(reg m) { return static_cast<mask>(_mm256_movemask_epi8(m)); }
    template <CodeUnit T>
    static mask eq(reg a, reg b) { return maskOf<T>(eqv<T>(a, b)); }
    static mask ne8(reg a, reg b) { return ~static_cast<mask>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, b))); }
    static constexpr mask kAll = 0xFFFFFFFFu;
    using acc = reg;
    template <CodeUnit T>
    static acc hitFirst(reg x, reg key) { return eqv<T>(x, key); }
    template <CodeUnit T>
    static acc hitMore(acc a, reg x, reg key) { return _mm256_or_si256(a, eqv<T>(x, key)); }
    template <CodeUnit T>
    static bool anyHit(acc a) { return _mm256_movemask_epi8(a) != 0; }
    static acc sameFirst(reg x, reg y) { return _mm256_cmpeq_epi8(x, y); }
    static acc sameMore(acc a, reg x, reg y) { return _mm256_and_si256(a, _mm256_cmpeq_epi8(x, y)); }
    static bool allSame(acc a) { return static_cast<mask>(_mm256_movemask_epi8(a)) == kAll; }
    template <CodeUnit T>
    static reg addInRange(reg x, T lo, T span, T delta) {
        if constexpr (sizeof(T) == 1) {
            const reg d = _mm256_sub_epi8(x, splat<T>(lo));
            const reg in = _mm256_cmpeq_epi8(_mm256_min_epu8(d, splat<T>(span)), d);
            return _mm256_add_epi8(x, _mm256_and_si256(in, splat<T>(delta)));
        } else {
            const reg d = _mm256_sub_epi16(x, splat<T>(lo));
            const reg in = _mm256_cmpeq_epi16(_mm256_min_epu16(d, splat<T>(span)), d);
            return _mm256_add_epi16(x, _mm256_and_si256(in, splat<T>(delta)));
        }
    }
};
#endif

#if ZETCH_VECTOR_BYTES == 64
template <>
struct Vec<64> {
    using reg = __m512i;
    using mask = std::uint64_t;
    template <CodeUnit T>
    static constexpr int maskBytes = static_cast<int>(sizeof(T));
    static reg loadu(const void* p) { return _mm512_loadu_si512(p); }
    static reg load(const void* p) { return _mm512_load_si512(p); }
    static reg orv(reg a, reg b) { return _mm512_or_si512(a, b); }
    static reg andv(reg a, reg b) { return _mm512_and_si512(a, b); }
    template <CodeUnit T>
    static reg splat(T v) {
        if constexpr (sizeof(T) == 1)
            return _mm512_set1_epi8(static_cast<char>(v));
        else
            return _mm512_set1_epi16(static_cast<short>(v));
    }
    template <CodeUnit T>
    static mask eq(reg a, reg b) {
        if constexpr (sizeof(T) == 1)
            return _mm512_cmpeq_epi8_mask(a, b);
        else
            return _mm512_cmpeq_epi16_mask(a, b);
    }
    static mask ne8(reg a, reg b) { return _mm512_cmpneq_epi8_mask(a, b); }
    // The first n bytes at p (n <= 64), zero above; the bytes past n are not read and cannot fault.
    static reg loadPart(const void* p, std::size_t n) {
        return _mm512_maskz_loadu_epi8(_bzhi_u64(~0ull, static_cast<unsigned>(n)), p);
    }
    static constexpr mask kAll = ~std::uint64_t{0};
    // Hit mask of the units of the first n bytes at p (n <= 64, whole units) equal to the key;
    // nothing past n is read, and the lanes past it never hit (a zero key included).
    template <CodeUnit T>
    static mask eqPart(const void* p, std::size_t n, reg key) {
        const reg x = _mm512_maskz_loadu_epi8(_bzhi_u64(~0ull, static_cast<unsigned>(n)), p);
        if constexpr (sizeof(T) == 1)
            return _mm512_mask_cmpeq_epi8_mask(_bzhi_u64(~0ull, static_cast<unsigned>(n)), x, key);
        else
            return _mm512_mask_cmpeq_epi16_mask(_bzhi_u32(~0u, static_cast<unsigned>(n / 2)), x, key);
    }
    // Tests of several blocks at once. hitFirst and hitMore keep, as a mask, the lanes in which no
    // block so far equals the key (anyHit: some lane dropped out): one masked comparison per
    // block, with no work to merge the results. sameFirst and sameMore keep the bits in which some
    // pair of blocks so far differs (allSame: none), one ternary logic operation per pair, which
    // measured a little faster than a chain of masked comparisons.
    using acc = mask;
    template <CodeUnit T>
    static acc hitFirst(reg x, reg key) {
        if constexpr (sizeof(T) == 1)
            return _mm512_cmpneq_epi8_mask(x, key);
        else
            return _mm512_cmpneq_epi16_mask(x, key);
    }
    template <CodeUnit T>
    static acc hitMore(acc a, reg x, reg key) {
        if constexpr (sizeof(T) == 1)
            return _mm512_mask_cmpneq_epi8_mask(a, x, key);
        else
            return _mm512_mask_cmpneq_epi16_mask(static_cast<__mmask32>(a), x, key);
    }
    template <CodeUnit T>
    static bool anyHit(acc a) {
        if constexpr (sizeof(T) == 1)
            return !_kortestc_mask64_u8(a, a);
        else
            return !_kortestc_mask32_u8(static_cast<__mmask32>(a), static_cast<__mmask32>(a));
    }
    static reg sameFirst(reg x, reg y) { return _mm512_xor_si512(x, y); }
    static reg sameMore(reg a, reg x, reg y) { return _mm512_ternarylogic_epi64(a, x, y, 0xF6); }  // a | (x ^ y)
    static bool allSame(reg a) { return _mm512_test_epi64_mask(a, a) == 0; }
    template <CodeUnit T>
    static reg addInRange(reg x, T lo, T span, T delta) {
        if constexpr (sizeof(T) == 1)
            return _mm512_mask_add_epi8(x, _mm512_cmple_epu8_mask(_mm512_sub_epi8(x, splat<T>(lo)), splat<T>(span)), x, splat<T>(delta));
        else
            return _mm512_mask_add_epi16(x, _mm512_cmple_epu16_mask(_mm512_sub_epi16(x, splat<T>(lo)), splat<T>(span)), x, splat<T>(delta));
    }
};
#endif

// Placed before a rare path that looks at blocks again after a combined test: it makes the
// compiler load and compare them anew there. Two-operand SSE code would otherwise keep every
// block's comparison alive through the combined test, at a register copy per block in the hot
// loop; with three-operand (AVX) code keeping them costs nothing, and no barrier is set.
inline void reloadBarrier() {
#ifndef __AVX__
    asm volatile("" ::: "memory");
#endif
}

// Lowest / highest set bit of a nonzero mask of any width (of a zero mask: its width, and -1).
template <class M>
inline int lowBitOf(M m) { return std::countr_zero(m); }
template <class M>
inline int highBitOf(M m) { return static_cast<int>(sizeof(M) * 8) - 1 - std::countl_zero(m); }

}  // namespace zet::simd
