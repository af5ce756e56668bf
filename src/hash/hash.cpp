// String hashes: zetsHash_* (shift-xor), zetsHashSJ2_* (multiply-31), zetsHashMSCS_*
// (multiply-33-xor, stops at a zero unit). The values are stored by callers, so each function
// computes exactly its rule's value; only the way of getting there is free.
#include <array>
#include <cstdint>

#include "core/simd.h"

namespace zet {
namespace {

using namespace simd;

// ---- shift-xor: h = (h << 1) ^ c, from 0 ----
//
// Unit c at distance k from the end ends up as c << k, so units more than 31 places from the end
// are shifted out entirely: only the last 32 units count.

template <CodeUnit T>
zet32u shiftXorRule(const T* s, int len) {
    zet32u h = 0;
    for (int i = len > 32 ? len - 32 : 0; i < len; ++i) h = (h << 1) ^ getUnit(s, i);
    return h;
}

// Bytes, 16 at a time: reversed, lane k holds the byte k places from the end of the 16; the sign
// bits of the lanes then form the plane of bit 7 of all bytes, and bit b of byte k belongs at bit
// k + b, so plane b is shifted by b. Doubling every lane brings the next lower bit into the sign.
inline zet32u shiftXor16(v128 bytes) {
    v128 v = _mm_shuffle_epi8(bytes, _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0));
    zet32u h = 0;
    for (int b = 7; b >= 0; --b) {
        h ^= bits(v) << b;
        v = _mm_add_epi8(v, v);
    }
    return h;
}

// The value of a string is that of its last 16 bytes XOR that of the rest shifted by 16, and of
// the rest only the last 16 bytes count.
zet32u shiftXorBytes(const zet8u* s, int len) {
    if (len < 16) return shiftXorRule(s, len);
    const zet32u last = shiftXor16(loadu(s + len - 16));
    if (len >= 32) return last ^ (shiftXor16(loadu(s + len - 32)) << 16);
    return last ^ (shiftXorRule(s, len - 16) << 16);
}

// ---- multiply-31: h = h * 31 + c, from 0 ----
//
// Blocks of 32 units go into 32 lanes of 32 bits (eight vectors), each lane running the rule over
// every 32nd unit with the factor 31^32; at the end lane l still lacks the factor 31^(31 - l) of
// its distance from the last position, and the lanes are summed. The units in front of the first
// whole block go through the plain rule, and their value starts lane 31, whose final factor is 1,
// so it is multiplied by 31^32 per block like everything else.

constexpr int kBlock = 32;

constexpr zet32u pow31(int e) {
    zet32u p = 1;
    while (e-- > 0) p *= 31;
    return p;
}

// kWeights[l] = 31^(kBlock - 1 - l).
constexpr auto kWeights = [] {
    std::array<zet32u, kBlock> w{};
    for (int l = 0; l < kBlock; ++l) w[l] = pow31(kBlock - 1 - l);
    return w;
}();

// Units 4q .. 4q+3 of s, widened to 32-bit lanes.
template <CodeUnit T>
inline v128 quad(const T* s, int q) {
    if constexpr (sizeof(T) == 1)
        return _mm_cvtepu8_epi32(load4(s + 4 * q));
    else
        return _mm_cvtepu16_epi32(load8(s + 4 * q));
}

template <CodeUnit T>
zet32u mul31(const T* s, int len) {
    constexpr int kVecs = kBlock / 4;
    const int head = len % kBlock;
    zet32u h = 0;
    for (int i = 0; i < head; ++i) h = h * 31 + getUnit(s, i);
    if (len < kBlock) return h;
    v128 acc[kVecs];
    for (auto& a : acc) a = _mm_setzero_si128();
    acc[kVecs - 1] = _mm_setr_epi32(0, 0, 0, static_cast<int>(h));
    const v128 step = _mm_set1_epi32(static_cast<int>(pow31(kBlock)));
    for (int i = head; i < len; i += kBlock)
        for (int q = 0; q < kVecs; ++q) acc[q] = _mm_add_epi32(_mm_mullo_epi32(acc[q], step), quad(s + i, q));
    v128 sum = _mm_setzero_si128();
    for (int q = 0; q < kVecs; ++q) sum = _mm_add_epi32(sum, _mm_mullo_epi32(acc[q], loadu(&kWeights[4 * q])));
    sum = _mm_add_epi32(sum, _mm_srli_si128(sum, 8));
    sum = _mm_add_epi32(sum, _mm_srli_si128(sum, 4));
    return static_cast<zet32u>(_mm_cvtsi128_si32(sum));
}

// ---- multiply-33-xor: h = (h * 33) ^ c, from 5381, up to the first zero unit ----

template <CodeUnit T>
zet32u mul33Xor(const T* s, int len) {
    zet32u h = 5381;
    for (int i = 0; i < len; ++i) {
        const zet32u c = getUnit(s, i);
        if (c == 0) break;
        h = ((h << 5) + h) ^ c;
    }
    return h;
}

template <CodeUnit T, zet32u (*Rule)(const T*, int)>
ZetStatus hash(const T* src, zet32s len, zet32u* value) {
    if (anyNull(src, value)) return zetStatusNullPointer;
    if (len < 0) return zetStatusBadLength;
    *value = Rule(src, len);
    return zetStatusOk;
}

}  // namespace
}  // namespace zet

using namespace zet;

ZetStatus zetsHash_8u32u(const zet8u* pSrc, zet32s len, zet32u* pHashVal) {
    return hash<zet8u, shiftXorBytes>(pSrc, len, pHashVal);
}
ZetStatus zetsHash_16u32u(const zet16u* pSrc, zet32s len, zet32u* pHashVal) {
    return hash<zet16u, shiftXorRule<zet16u>>(pSrc, len, pHashVal);
}
ZetStatus zetsHashSJ2_8u32u(const zet8u* pSrc, zet32s len, zet32u* pHashVal) {
    return hash<zet8u, mul31<zet8u>>(pSrc, len, pHashVal);
}
ZetStatus zetsHashSJ2_16u32u(const zet16u* pSrc, zet32s len, zet32u* pHashVal) {
    return hash<zet16u, mul31<zet16u>>(pSrc, len, pHashVal);
}
ZetStatus zetsHashMSCS_8u32u(const zet8u* pSrc, zet32s len, zet32u* pHashVal) {
    return hash<zet8u, mul33Xor<zet8u>>(pSrc, len, pHashVal);
}
ZetStatus zetsHashMSCS_16u32u(const zet16u* pSrc, zet32s len, zet32u* pHashVal) {
    return hash<zet16u, mul33Xor<zet16u>>(pSrc, len, pHashVal);
}
