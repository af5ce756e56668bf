// UTF-8 / UTF-16 conversion: zetsConvertUTF_8u16u, zetsConvertUTF_16u8u.
//
// Both are resumable: they convert character by character until the source is used up or the
// next character's encoding does not fit whole into the destination, and report how much they
// consumed and wrote. No input is an error: a malformed UTF-8 byte passes through as the code unit
// of the same value, and a surrogate that is not half of a pair travels as its own three-byte
// sequence, so 16 -> 8 -> 16 gives back any string of code units.
//
// Speed comes from vector runs in front of the scalar rules: 16 ASCII units at a time in both
// directions, and in UTF-8 -> UTF-16 also 8-byte windows of ASCII mixed with two-byte sequences.
// A run only takes a block that it converts completely and that fits into the destination, and
// then hands over to the scalar rules at a character boundary, so every result (including where a
// short destination stops the conversion) is that of the scalar rules alone. Stores are exact:
// nothing is written past the units that the call reports as written.
#include <bit>
#include <cstdint>

#include "core/simd.h"

namespace zet {
namespace {

using namespace simd;

struct Progress {
    std::size_t consumed;
    std::size_t written;
};

// ---- shared vector pieces ----

// Stores the first nbytes (0..16) bytes of v at p, nothing beyond.
inline void storePrefix(char* p, v128 v, unsigned nbytes) {
    if (nbytes == 16) return storeu(p, v);
    if (nbytes & 8) {
        _mm_storel_epi64(reinterpret_cast<v128*>(p), v);
        p += 8;
        v = _mm_srli_si128(v, 8);
    }
    if (nbytes & 4) {
        const int x = _mm_cvtsi128_si32(v);
        std::memcpy(p, &x, 4);
        p += 4;
        v = _mm_srli_si128(v, 4);
    }
    if (nbytes & 2) {
        const auto x = static_cast<std::uint16_t>(_mm_cvtsi128_si32(v));
        std::memcpy(p, &x, 2);
        p += 2;
        v = _mm_srli_si128(v, 2);
    }
    if (nbytes & 1) *p = static_cast<char>(_mm_cvtsi128_si32(v));
}

// Byte swap of every 16-bit lane.
inline v128 swapLanes(v128 v) {
    return _mm_shuffle_epi8(v, _mm_setr_epi8(1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14));
}

template <bool Swap>
inline zet16u toUnit(std::uint32_t v) {
    const auto u = static_cast<zet16u>(v);
    return Swap ? static_cast<zet16u>((u >> 8) | (u << 8)) : u;
}

// ---- UTF-8 -> UTF-16 ----

// Decodes the character at s[i] (i < n) by the UTF-8 rules: stores its value in cp and returns
// the number of bytes it takes. A lead byte with k = 1..5 continuation bytes must be followed by
// k bytes 10xxxxxx inside the source and give a value that needs exactly k of them; anything else
// (stray continuation byte, 0xFE, 0xFF, a bad or missing continuation byte, an overlong form) is
// malformed and yields the lead byte itself, one byte consumed.
inline int decodeUtf8(const zet8u* s, std::size_t i, std::size_t n, std::uint32_t& cp) {
    static constexpr std::uint32_t kMin[6] = {0, 0x80, 0x800, 0x10000, 0x200000, 0x4000000};
    const unsigned b = s[i];
    cp = b;
    const int k = std::countl_one(static_cast<zet8u>(b)) - 1;
    if (k < 1 || k > 5 || n - i <= static_cast<std::size_t>(k)) return 1;
    std::uint32_t v = b & (0x7Fu >> (k + 1));
    for (int j = 1; j <= k; ++j) {
        const unsigned c = s[i + j];
        if ((c & 0xC0) != 0x80) return 1;
        v = (v << 6) | (c & 0x3F);
    }
    if (v < kMin[k]) return 1;
    cp = v;
    return k + 1;
}

// The 16 bytes at s widened to 16 units, in two vectors (units 0..7, 8..15), swapped if asked.
template <bool Swap>
inline void widen(v128 v, v128& lo, v128& hi) {
    const v128 z = _mm_setzero_si128();
    lo = Swap ? _mm_unpacklo_epi8(z, v) : _mm_unpacklo_epi8(v, z);
    hi = Swap ? _mm_unpackhi_epi8(z, v) : _mm_unpackhi_epi8(v, z);
}

// Converts ASCII from s[i] on, 16 bytes per step, while 16 source bytes and 16 units of room
// remain. A block with a non-ASCII byte contributes the ASCII bytes before it and ends the run.
template <bool Swap>
inline void asciiRun8(const zet8u* s, std::size_t n, char* d, std::size_t cap, std::size_t& i, std::size_t& o) {
    while (i + 16 <= n && o + 16 <= cap) {
        const v128 v = loadu(s + i);
        v128 lo, hi;
        widen<Swap>(v, lo, hi);
        char* out = d + 2 * o;
        if (const unsigned m = bits(v)) {
            const unsigned k = static_cast<unsigned>(lowBit(m));
            if (k >= 8) {
                storeu(out, lo);
                storePrefix(out + 16, hi, 2 * (k - 8));
            } else {
                storePrefix(out, lo, 2 * k);
            }
            i += k;
            o += k;
            return;
        }
        storeu(out, lo);
        storeu(out + 16, hi);
        i += 16;
        o += 16;
    }
}

template <bool Swap>
Progress utf8To16(const zet8u* s, std::size_t n, zet16u* dst, std::size_t cap) {
    char* d = reinterpret_cast<char*>(dst);
    std::size_t i = 0, o = 0;
    while (i < n && o < cap) {
        if (s[i] < 0x80) {
            asciiRun8<Swap>(s, n, d, cap, i, o);
            if (i == n || o == cap) break;
            if (s[i] < 0x80) {  // the run did not start (too close to an end): one unit
                putUnit(dst, o++, toUnit<Swap>(s[i++]));
                continue;
            }
        }
        std::uint32_t cp;
        const int used = decodeUtf8(s, i, n, cp);
        if (cp <= 0xFFFF) {
            putUnit(dst, o++, toUnit<Swap>(cp));
        } else {
            if (cap - o < 2) break;
            putUnit(dst, o, toUnit<Swap>(0xD800 | (((cp - 0x10000) >> 10) & 0x3FF)));
            putUnit(dst, o + 1, toUnit<Swap>(0xDC00 | (cp & 0x3FF)));
            o += 2;
        }
        i += static_cast<std::size_t>(used);
    }
    return {i, o};
}

// ---- UTF-16 -> UTF-8 ----

template <bool Swap>
inline unsigned unitAt(const zet16u* s, std::size_t i) {
    const zet16u u = getUnit(s, static_cast<std::ptrdiff_t>(i));
    return Swap ? static_cast<zet16u>((u >> 8) | (u << 8)) : u;
}

// Converts ASCII units from s[i] on, 16 per step, while 16 source units and 16 bytes of room
// remain; a block with a unit above 0x7F contributes the units before it and ends the run.
template <bool Swap>
inline void asciiRun16(const zet16u* s, std::size_t n, zet8u* d, std::size_t cap, std::size_t& i, std::size_t& o) {
    const char* base = reinterpret_cast<const char*>(s);
    const v128 high = _mm_set1_epi16(static_cast<short>(0xFF80));
    while (i + 16 <= n && o + 16 <= cap) {
        v128 a = loadu(base + 2 * i), b = loadu(base + 2 * i + 16);
        if constexpr (Swap) a = swapLanes(a), b = swapLanes(b);
        const v128 packed = _mm_packus_epi16(a, b);
        if (!_mm_testz_si128(_mm_or_si128(a, b), high)) {
            const v128 z = _mm_setzero_si128();
            const v128 ascii = _mm_packs_epi16(_mm_cmpeq_epi16(_mm_and_si128(a, high), z),
                                               _mm_cmpeq_epi16(_mm_and_si128(b, high), z));
            const unsigned k = static_cast<unsigned>(lowBit(~bits(ascii)));
            storePrefix(reinterpret_cast<char*>(d + o), packed, k);
            i += k;
            o += k;
            return;
        }
        storeu(d + o, packed);
        i += 16;
        o += 16;
    }
}

template <bool Swap>
Progress utf16To8(const zet16u* s, std::size_t n, zet8u* d, std::size_t cap) {
    std::size_t i = 0, o = 0;
    while (i < n && o < cap) {
        unsigned c = unitAt<Swap>(s, i);
        if (c < 0x80) {
            asciiRun16<Swap>(s, n, d, cap, i, o);
            if (i == n || o == cap) break;
            c = unitAt<Swap>(s, i);
            if (c < 0x80) {
                d[o++] = static_cast<zet8u>(c);
                ++i;
                continue;
            }
        }
        if (c < 0x800) {
            if (cap - o < 2) break;
            d[o] = static_cast<zet8u>(0xC0 | (c >> 6));
            d[o + 1] = static_cast<zet8u>(0x80 | (c & 0x3F));
            o += 2;
            ++i;
            continue;
        }
        // A high surrogate followed by a low one is one character; any other surrogate is encoded
        // by itself like any other unit of three bytes.
        if ((c & 0xFC00) == 0xD800 && i + 1 < n) {
            const unsigned c2 = unitAt<Swap>(s, i + 1);
            if ((c2 & 0xFC00) == 0xDC00) {
                if (cap - o < 4) break;
                const std::uint32_t cp = 0x10000 + ((c & 0x3FF) << 10) + (c2 & 0x3FF);
                d[o] = static_cast<zet8u>(0xF0 | (cp >> 18));
                d[o + 1] = static_cast<zet8u>(0x80 | ((cp >> 12) & 0x3F));
                d[o + 2] = static_cast<zet8u>(0x80 | ((cp >> 6) & 0x3F));
                d[o + 3] = static_cast<zet8u>(0x80 | (cp & 0x3F));
                o += 4;
                i += 2;
                continue;
            }
        }
        if (cap - o < 3) break;
        d[o] = static_cast<zet8u>(0xE0 | (c >> 12));
        d[o + 1] = static_cast<zet8u>(0x80 | ((c >> 6) & 0x3F));
        d[o + 2] = static_cast<zet8u>(0x80 | (c & 0x3F));
        o += 3;
        ++i;
    }
    return {i, o};
}

// Checks and the in/out lengths, common to both directions. Negative lengths are rejected with
// zetStatusBadLength before anything is written (a caller that passes one has lost track of its
// buffers; treating it as 0 would hide that).
template <class S, class D, Progress (*Little)(const S*, std::size_t, D*, std::size_t),
          Progress (*Big)(const S*, std::size_t, D*, std::size_t)>
ZetStatus convert(const S* src, zet32s* srcLen, D* dst, zet32s* dstLen, zet32s bigEndian) {
    if (anyNull(src, srcLen, dst, dstLen)) return zetStatusNullPointer;
    if (*srcLen < 0 || *dstLen < 0) return zetStatusBadLength;
    const auto n = static_cast<std::size_t>(*srcLen), cap = static_cast<std::size_t>(*dstLen);
    const Progress p = bigEndian ? Big(src, n, dst, cap) : Little(src, n, dst, cap);
    *srcLen = static_cast<zet32s>(p.consumed);
    *dstLen = static_cast<zet32s>(p.written);
    return zetStatusOk;
}

}  // namespace
}  // namespace zet

using namespace zet;

ZetStatus zetsConvertUTF_8u16u(const zet8u* pSrc, zet32s* pSrcLen, zet16u* pDst, zet32s* pDstLen, zet32s bigEndian) {
    return convert<zet8u, zet16u, utf8To16<false>, utf8To16<true>>(pSrc, pSrcLen, pDst, pDstLen, bigEndian);
}

ZetStatus zetsConvertUTF_16u8u(const zet16u* pSrc, zet32s* pSrcLen, zet8u* pDst, zet32s* pDstLen, zet32s bigEndian) {
    return convert<zet16u, zet8u, utf16To8<false>, utf16To8<true>>(pSrc, pSrcLen, pDst, pDstLen, bigEndian);
}
