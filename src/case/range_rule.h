// The Latin range rule: a unit c with low <= c <= high becomes c + delta (wrapping at the unit
// width), any other unit stays as it is; for a 16-byte block of units and for a single unit.
// Used by the Latin case conversion and the Latin-caseless comparison.
#pragma once

#include "core/simd.h"

namespace zet {

// The range test of one block. Bytes are biased by 0x80 so that the signed byte comparison orders
// them as unsigned; 16-bit units are compared signed as they are, which is the unsigned order for
// ranges below 0x8000 (units from 0x8000 up compare as negative and are never in such a range).
// Needs 0 < low <= high and high + 1 still positive in the signed lane type.
template <CodeUnit T>
class RangeRule {
public:
    RangeRule(T low, T high, T delta)
        : low_(low), high_(high), delta_(delta),
          below_(simd::splat<T>(static_cast<T>((low - 1) ^ kBias))),
          above_(simd::splat<T>(static_cast<T>((high + 1) ^ kBias))),
          add_(simd::splat<T>(delta)) {}

    simd::v128 operator()(simd::v128 x) const {
        simd::v128 s = x;
        if constexpr (kBias != 0) s = _mm_xor_si128(x, simd::splat<T>(kBias));
        const simd::v128 in = _mm_and_si128(simd::cmpgt<T>(s, below_), simd::cmpgt<T>(above_, s));
        return simd::add<T>(x, _mm_and_si128(in, add_));
    }

    T operator()(T c) const { return c >= low_ && c <= high_ ? static_cast<T>(c + delta_) : c; }

private:
    static constexpr T kBias = sizeof(T) == 1 ? 0x80 : 0;
    T low_, high_, delta_;
    simd::v128 below_, above_, add_;
};

}  // namespace zet
