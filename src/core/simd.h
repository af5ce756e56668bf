// 16-byte vector helpers shared by the kernels, written once for both code-unit widths.
// Baseline code generation is SSE4.1; SSE4.2 kernels carry their own target attribute.
#pragma once

#include <smmintrin.h>

#include <cstdint>
#include <cstring>

#include "core/common.h"

namespace zet::simd {

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


// One bit per byte of the comparison result (a 16-bit lane sets two adjacent bits).
inline unsigned bits(v128 m) { return static_cast<unsigned>(_mm_movemask_epi8(m)); }

// Byte offset of the lowest / highest set bit of a nonzero mask, turned into a unit index by the
// caller with (byteOffset + bit) / sizeof(T); both bits of a 16-bit lane give the same unit.
inline int lowBit(unsigned m) { return __builtin_ctz(m); }
inline int highBit(unsigned m) { return 31 - __builtin_clz(m); }

inline std::uintptr_t addr(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

}  // namespace zet::simd
