// UTF-8 / UTF-16 conversion: zetsConvertUTF_8u16u, zetsConvertUTF_16u8u.
//
// Both are resumable: they convert character by character until the source is used up or the
// next character's encoding does not fit whole into the destination, and report how much they
// consumed and wrote. No input is an error: a malformed UTF-8 byte passes through as the code unit
// of the same value, and a surrogate that is not half of a pair travels as its own three-byte
// sequence, so 16 -> 8 -> 16 gives back any string of code units.
//
// Speed comes from vector blocks in front of the scalar rules. A block is 16 source bytes, or 8 or 16
// source units, that one kernel converts whole: ASCII, and in UTF-8 -> UTF-16 runs of ASCII and
// two-byte characters, 8-byte windows of one- to three-byte characters and five three-byte
// characters in a row; in UTF-16 -> UTF-8 eight units of at most two bytes each (surrogate pairs
// included) or of three bytes each. A kernel takes only well-formed characters that end inside its
// block and only when their units fit into the destination, and it hands over at a character
// boundary; anything else is left to the scalar rules. So every result, including where a short
// destination stops the conversion, is the scalar rules' own. Stores are exact: nothing is written
// past the units that the call reports as written.
#include <array>
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

// Shuffle controls built at compile time; -1 clears a byte.
using Shuffle = std::array<std::int8_t, 16>;

constexpr Shuffle kIdentity = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
constexpr Shuffle kSwapLanes = {1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14};

inline v128 shuffle(v128 v, const Shuffle& control) { return _mm_shuffle_epi8(v, loadu(control.data())); }

// Byte swap of every 16-bit lane.
inline v128 swapLanes(v128 v) { return shuffle(v, kSwapLanes); }

// Stores the first k bytes of v at p, 8 <= k <= 16, and nothing beyond: two 8-byte stores, the
// second ending at p + k (they overlap when k < 16).
inline void storeExact(char* p, v128 v, unsigned k) {
    _mm_storel_epi64(reinterpret_cast<v128*>(p), v);
    const v128 tail = _mm_shuffle_epi8(v, _mm_add_epi8(loadu(kIdentity.data()), _mm_set1_epi8(static_cast<char>(k - 8))));
    _mm_storel_epi64(reinterpret_cast<v128*>(p + k - 8), tail);
}

// Stores the first k bytes of v at p for k = 0, 2, 4 or 6.
inline void storeShort(char* p, v128 v, unsigned k) {
    if (k & 4) {
        const int x = _mm_cvtsi128_si32(v);
        std::memcpy(p, &x, 4);
        p += 4;
        v = _mm_srli_si128(v, 4);
    }
    if (k & 2) {
        const auto x = static_cast<std::uint16_t>(_mm_cvtsi128_si32(v));
        std::memcpy(p, &x, 2);
    }
}

template <bool Swap>
inline zet16u toUnit(std::uint32_t v) {
    const auto u = static_cast<zet16u>(v);
    return Swap ? static_cast<zet16u>((u >> 8) | (u << 8)) : u;
}

// After a block that no vector kernel takes, the scalar rules go on for `skip` code units before
// the next try; each miss in a row doubles the distance up to this, each hit sets it back to 8.
// Text that the kernels never take (say, mostly four-byte characters) then costs a try every
// kMaxSkip units only.
constexpr std::size_t kMaxSkip = 64;

// The loop of both directions. While blockIn source units and blockOut units of room are left,
// block(i, o) tries the vector kernels (true: it converted a block and advanced i and o); between
// tries, one(i, o) converts one character by the scalar rules (false: it does not fit, and the
// conversion stops).
template <class Block, class One>
inline Progress drive(std::size_t n, std::size_t cap, std::size_t blockIn, std::size_t blockOut, Block block, One one) {
    std::size_t i = 0, o = 0, retry = 0, skip = 8;
    while (i < n && o < cap) {
        if (i >= retry && n - i >= blockIn && cap - o >= blockOut) {
            if (block(i, o)) {
                skip = 8;
                continue;
            }
            retry = i + skip;
            skip = skip < kMaxSkip ? 2 * skip : kMaxSkip;
        }
        const std::size_t stop = retry < n ? retry : n;  // at least one character
        do {
            if (!one(i, o)) return {i, o};
        } while (i < stop && o < cap);
    }
    return {i, o};
}

// ---- UTF-8 -> UTF-16 ----

// Decodes the character at s[i] (i < n) by the UTF-8 rules: stores its value in cp and returns
// the number of bytes it takes. A lead byte with k = 1..5 continuation bytes must be followed by
// k bytes 10xxxxxx inside the source and give a value that needs exactly k of them; anything else
// (stray continuation byte, 0xFE, 0xFF, a bad or missing continuation byte, an overlong form) is
// malformed and yields the lead byte itself, one byte consumed. Two- and three-byte forms are
// tried first, the general rule covers the rest.
inline int decodeUtf8(const zet8u* s, std::size_t i, std::size_t n, std::uint32_t& cp) {
    static constexpr std::uint32_t kMin[6] = {0, 0x80, 0x800, 0x10000, 0x200000, 0x4000000};
    const unsigned b = s[i];
    cp = b;
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b < 0xE0) {
        if (i + 1 < n && (s[i + 1] & 0xC0) == 0x80) {
            cp = ((b & 0x1F) << 6) | (s[i + 1] & 0x3Fu);
            return 2;
        }
        return 1;
    }
    if ((b & 0xF0) == 0xE0 && i + 2 < n && (s[i + 1] & 0xC0) == 0x80 && (s[i + 2] & 0xC0) == 0x80) {
        const std::uint32_t v = ((b & 0x0F) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu);
        if (v < 0x800) return 1;
        cp = v;
        return 3;
    }
    if ((b & 0xF8) == 0xF0 && i + 3 < n && (s[i + 1] & 0xC0) == 0x80 && (s[i + 2] & 0xC0) == 0x80 &&
        (s[i + 3] & 0xC0) == 0x80) {
        const std::uint32_t v =
            ((b & 0x07) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6) | (s[i + 3] & 0x3Fu);
        if (v < 0x10000) return 1;
        cp = v;
        return 4;
    }
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

// Compaction shuffles, one per 8-bit mask m over 8 lanes of `width` bytes: the lanes j whose bit j
// is set in m move to the front, in order; with lowAlways the first byte of every lane is kept
// and the second only when its bit is set.
constexpr std::array<Shuffle, 256> compaction(int width, bool lowAlways) {
    std::array<Shuffle, 256> t{};
    for (int m = 0; m < 256; ++m) {
        int o = 0;
        for (int j = 0; j < 8; ++j)
            for (int b = 0; b < width; ++b)
                if ((m >> j & 1) || (lowAlways && b == 0)) t[m][o++] = static_cast<std::int8_t>(width * j + b);
        while (o < 16) t[m][o++] = -1;
    }
    return t;
}

// Number of set bits of each byte value (the library's baseline has no population count
// instruction).
constexpr auto kBitCount = [] {
    std::array<std::uint8_t, 256> t{};
    for (int m = 0; m < 256; ++m) t[m] = static_cast<std::uint8_t>(std::popcount(static_cast<unsigned>(m)));
    return t;
}();

// Whole 16-bit lanes.
constexpr auto kKeepUnits = compaction(2, false);

// Source bytes 0, 3, 6, 9, 12 (leads) and 1, 4, ... (first continuation), 2, 5, ... (second) of
// five three-byte characters, each zero-extended into a 16-bit lane.
constexpr Shuffle kLead3 = {0, -1, 3, -1, 6, -1, 9, -1, 12, -1, -1, -1, -1, -1, -1, -1};
constexpr Shuffle kCont3a = {1, -1, 4, -1, 7, -1, 10, -1, 13, -1, -1, -1, -1, -1, -1, -1};
constexpr Shuffle kCont3b = {2, -1, 5, -1, 8, -1, 11, -1, 14, -1, -1, -1, -1, -1, -1, -1};

// Byte classes of 16 source bytes, one bit per byte.
struct ByteClasses {
    unsigned cont, lead2, lead3;
};

inline ByteClasses classify(v128 v) {
    auto between = [&](int lo, int hi) {  // signed byte ranges (lo, hi)
        return bits(_mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(static_cast<char>(lo))),
                                  _mm_cmplt_epi8(v, _mm_set1_epi8(static_cast<char>(hi)))));
    };
    // 0x80..0xBF, 0xC2..0xDF, 0xE1..0xEF (0xE0 needs an overlong check that only the scalar rule
    // makes).
    return {bits(_mm_cmplt_epi8(v, _mm_set1_epi8(-64))), between(-63, -32), between(-32, -16)};
}

// Units of the characters starting at bytes 0..7 of v, one per 16-bit lane; each lane reads its
// byte and the two after it as ASCII, two- or three-byte form (lanes of continuation bytes give
// values that the caller drops).
inline v128 decodeLanes(v128 v) {
    const v128 w0 = _mm_cvtepu8_epi16(v);
    const v128 c1 = _mm_and_si128(_mm_cvtepu8_epi16(_mm_srli_si128(v, 1)), _mm_set1_epi16(0x3F));
    const v128 c2 = _mm_and_si128(_mm_cvtepu8_epi16(_mm_srli_si128(v, 2)), _mm_set1_epi16(0x3F));
    const v128 two = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(w0, _mm_set1_epi16(0x1F)), 6), c1);
    const v128 three = _mm_or_si128(_mm_or_si128(_mm_slli_epi16(w0, 12), _mm_slli_epi16(c1, 6)), c2);
    const v128 units = _mm_blendv_epi8(w0, two, _mm_cmpgt_epi16(w0, _mm_set1_epi16(0xBF)));
    return _mm_blendv_epi8(units, three, _mm_cmpgt_epi16(w0, _mm_set1_epi16(0xDF)));
}

// Bytes 0..7.
constexpr auto kPickBytes = compaction(1, false);

// The units of the characters at the positions of keep (bits 0..7) among bytes 0..7, given the
// low and high byte of the unit that each position starts.
template <bool Swap>
inline v128 pickUnits(v128 lo, v128 hi, unsigned keep) {
    const v128 pick = loadu(kPickBytes[keep].data());
    lo = _mm_shuffle_epi8(lo, pick);
    hi = _mm_shuffle_epi8(hi, pick);
    return Swap ? _mm_unpacklo_epi8(hi, lo) : _mm_unpacklo_epi8(lo, hi);
}

// The 16 bytes v when they hold only ASCII and two-byte characters (a lead 0xC2..0xDF at byte 15
// is left for the next block): 15 or 16 bytes, 7..16 units.
template <bool Swap>
inline bool twoByteBlock8(v128 v, unsigned ascii, const ByteClasses& c, char* out, std::size_t& i, std::size_t& o) {
    if (((c.lead2 << 1) & 0xFFFF) != c.cont || (ascii | c.lead2 | c.cont) != 0xFFFF) return false;
    const unsigned len = c.lead2 >> 15 ? 15 : 16;
    const unsigned m1 = (ascii | c.lead2) & 0xFF, m2 = ((ascii | c.lead2) >> 8) & (0xFFu >> (16 - len));
    const unsigned k1 = kBitCount[m1], k2 = kBitCount[m2];
    // Unit of a lead byte b followed by n: high byte (b & 0x1F) >> 2, low byte (b << 6) | (n & 0x3F).
    const v128 lead = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(-65)), _mm_cmplt_epi8(v, _mm_setzero_si128()));
    const v128 next = _mm_srli_si128(v, 1);
    const v128 lo = _mm_blendv_epi8(v, _mm_or_si128(_mm_slli_epi16(_mm_and_si128(v, _mm_set1_epi8(0x03)), 6),
                                                    _mm_and_si128(next, _mm_set1_epi8(0x3F))), lead);
    const v128 hi = _mm_and_si128(_mm_srli_epi16(_mm_and_si128(v, _mm_set1_epi8(0x1C)), 2), lead);
    storeExact(out + 2 * o, pickUnits<Swap>(lo, hi, m1), 2 * k1);
    const v128 units = pickUnits<Swap>(_mm_srli_si128(lo, 8), _mm_srli_si128(hi, 8), m2);
    if (k2 >= 4) storeExact(out + 2 * (o + k1), units, 2 * k2);
    else storeShort(out + 2 * (o + k1), units, 2 * k2);
    i += len;
    o += k1 + k2;
    return true;
}

// The characters that start in the first 8 of the 16 bytes v, when all of them are ASCII,
// two-byte or three-byte (lead 0xE1..0xEF) characters and at least 4 of them start there; they may
// run into bytes 8 and 9. Writes their units (at most 8) and advances; false leaves everything
// as it was.
template <bool Swap>
inline bool mixedBlock8(v128 v, unsigned ascii, const ByteClasses& c, char* out, std::size_t& i, std::size_t& o) {
    const unsigned start = ascii | c.lead2 | c.lead3;
    const unsigned len = static_cast<unsigned>(lowBit((~c.cont & 0xFF00u) | 0x10000u));
    const unsigned expected = ((c.lead2 | c.lead3) << 1) | (c.lead3 << 2);
    const unsigned bad = ~(c.cont | start) & ((1u << len) - 1);
    const unsigned m = start & 0xFF, k = kBitCount[m];
    if ((((expected ^ c.cont) & ((2u << len) - 1)) | bad) || k < 4) return false;
    v128 units = shuffle(decodeLanes(v), kKeepUnits[m]);
    if constexpr (Swap) units = swapLanes(units);
    storeExact(out + 2 * o, units, 2 * k);
    i += len;
    o += k;
    return true;
}

// Five three-byte characters (lead 0xE1..0xEF) in the first 15 of the 16 bytes: 5 units.
template <bool Swap>
inline bool threeByteBlock8(v128 v, const ByteClasses& c, char* out, std::size_t& i, std::size_t& o) {
    if ((c.lead3 & 0x1249) != 0x1249 || (c.cont & 0x6DB6) != 0x6DB6) return false;
    const v128 mask6 = _mm_set1_epi16(0x3F);
    v128 units = _mm_or_si128(_mm_slli_epi16(shuffle(v, kLead3), 12),
                              _mm_or_si128(_mm_slli_epi16(_mm_and_si128(shuffle(v, kCont3a), mask6), 6),
                                           _mm_and_si128(shuffle(v, kCont3b), mask6)));
    if constexpr (Swap) units = swapLanes(units);
    storeExact(out + 2 * o, units, 10);
    i += 15;
    o += 5;
    return true;
}

template <bool Swap>
Progress utf8To16(const zet8u* s, std::size_t n, zet16u* dst, std::size_t cap) {
    char* d = reinterpret_cast<char*>(dst);
    // Vector blocks need 16 bytes to load and at most 16 units of room.
    auto block = [&](std::size_t& i, std::size_t& o) {
        const v128 v = loadu(s + i);
        if (bits(v) == 0) {
            const v128 z = _mm_setzero_si128();
            storeu(d + 2 * o, Swap ? _mm_unpacklo_epi8(z, v) : _mm_unpacklo_epi8(v, z));
            storeu(d + 2 * o + 16, Swap ? _mm_unpackhi_epi8(z, v) : _mm_unpackhi_epi8(v, z));
            i += 16;
            o += 16;
            return true;
        }
        const unsigned ascii = ~bits(v) & 0xFFFF;
        const ByteClasses c = classify(v);
        // A byte that no block takes (0xC0, 0xC1, 0xE0, 0xF0..0xFF) among the first 8 makes all
        // of them fail: four-byte characters go through the scalar rules.
        if (~(ascii | c.cont | c.lead2 | c.lead3) & 0xFF) return false;
        return twoByteBlock8<Swap>(v, ascii, c, d, i, o) || mixedBlock8<Swap>(v, ascii, c, d, i, o) ||
               threeByteBlock8<Swap>(v, c, d, i, o);
    };
    auto one = [&](std::size_t& i, std::size_t& o) {
        const unsigned b = s[i];
        if (b < 0x80) {
            putUnit(dst, o++, toUnit<Swap>(b));
            ++i;
            return true;
        }
        std::uint32_t cp;
        const int used = decodeUtf8(s, i, n, cp);
        if (cp <= 0xFFFF) {
            putUnit(dst, o++, toUnit<Swap>(cp));
        } else {
            if (cap - o < 2) return false;
            putUnit(dst, o, toUnit<Swap>(0xD800 | (((cp - 0x10000) >> 10) & 0x3FF)));
            putUnit(dst, o + 1, toUnit<Swap>(0xDC00 | (cp & 0x3FF)));
            o += 2;
        }
        i += static_cast<std::size_t>(used);
        return true;
    };
    return drive(n, cap, 16, 16, block, one);
}

// ---- UTF-16 -> UTF-8 ----

template <bool Swap>
inline unsigned unitAt(const zet16u* s, std::size_t i) {
    const zet16u u = getUnit(s, static_cast<std::ptrdiff_t>(i));
    return Swap ? static_cast<zet16u>((u >> 8) | (u << 8)) : u;
}

// Byte 2j of every 16-bit lane j, byte 2j + 1 too when bit j is set.
constexpr auto kKeepBytes = compaction(2, true);

// Eight units that take one byte (ASCII) or two: units below 0x800, and the halves of surrogate
// pairs, each of which gives two bytes of the pair's four-byte sequence (lead and first
// continuation from the high half, the other two from the low half), so one compaction serves
// all. A high surrogate in the last lane is left for the next block, if the other 7 units give at
// least 8 bytes. Any other surrogate, or a unit of three bytes, makes the block fail.
inline bool twoByteBlock16(v128 u, zet8u* out, std::size_t& i, std::size_t& o) {
    const v128 z = _mm_setzero_si128();
    const v128 ascii = _mm_cmpeq_epi16(_mm_and_si128(u, _mm_set1_epi16(static_cast<short>(0xFF80))), z);
    const v128 cont = _mm_or_si128(_mm_and_si128(u, _mm_set1_epi16(0x3F)), _mm_set1_epi16(0x80));
    const v128 two = _mm_or_si128(_mm_or_si128(_mm_srli_epi16(u, 6), _mm_set1_epi16(0xC0)), _mm_slli_epi16(cont, 8));
    v128 seq = _mm_blendv_epi8(two, u, ascii);
    unsigned n = 8;
    const v128 top = _mm_and_si128(u, _mm_set1_epi16(static_cast<short>(0xF800)));
    if (!_mm_testz_si128(top, top)) {
        const v128 surrogate = _mm_cmpeq_epi16(top, _mm_set1_epi16(static_cast<short>(0xD800)));
        if (bits(_mm_or_si128(surrogate, _mm_cmpeq_epi16(top, z))) != 0xFFFF) return false;
        const v128 high = _mm_cmpeq_epi16(_mm_and_si128(u, _mm_set1_epi16(static_cast<short>(0xFC00))),
                                          _mm_set1_epi16(static_cast<short>(0xD800)));
        const v128 low = _mm_andnot_si128(high, surrogate);
        const unsigned highs = bits(_mm_packs_epi16(high, high)) & 0xFF;
        const unsigned lows = bits(_mm_packs_epi16(low, low)) & 0xFF;
        if (((highs << 1) ^ lows) & 0xFF) return false;
        n -= highs >> 7;
        // (character >> 10) of the pair that starts at each high half, and at the lane after it.
        const v128 top11 = _mm_add_epi16(_mm_and_si128(u, _mm_set1_epi16(0x3FF)), _mm_set1_epi16(0x40));
        const v128 prev11 = _mm_slli_si128(top11, 2);
        const v128 fromHigh = _mm_or_si128(
            _mm_or_si128(_mm_srli_epi16(top11, 8), _mm_set1_epi16(0xF0)),
            _mm_slli_epi16(_mm_or_si128(_mm_and_si128(_mm_srli_epi16(top11, 2), _mm_set1_epi16(0x3F)), _mm_set1_epi16(0x80)), 8));
        const v128 fromLow = _mm_or_si128(
            _mm_or_si128(_mm_slli_epi16(_mm_and_si128(prev11, _mm_set1_epi16(3)), 4),
                         _mm_srli_epi16(_mm_and_si128(u, _mm_set1_epi16(0x3C0)), 6)),
            _mm_or_si128(_mm_set1_epi16(0x80), _mm_slli_epi16(cont, 8)));
        seq = _mm_blendv_epi8(_mm_blendv_epi8(seq, fromHigh, high), fromLow, low);
    }
    const unsigned m = ~bits(_mm_packs_epi16(ascii, ascii)) & ((1u << n) - 1);
    const unsigned k = n + kBitCount[m];
    if (k < 8) return false;
    storeExact(reinterpret_cast<char*>(out + o), shuffle(seq, kKeepBytes[m]), k);
    i += n;
    o += k;
    return true;
}

// Lead bytes (p: bytes 0..7), first continuations (p: 8..15) and second continuations (q: 0..7)
// of eight three-byte sequences, interleaved: the first 16 bytes and the last 8.
constexpr Shuffle kSeq3FromP = {0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4, 12, -1, 5};
constexpr Shuffle kSeq3FromQ = {-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1};
constexpr Shuffle kSeq3TailFromP = {13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1};
constexpr Shuffle kSeq3TailFromQ = {-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, -1, -1, -1, -1, -1, -1};

// Eight units of 0x800..0xFFFF, none a surrogate: three bytes each, 24 bytes.
inline bool threeByteBlock16(v128 u, zet8u* out, std::size_t& i, std::size_t& o) {
    const v128 top = _mm_and_si128(u, _mm_set1_epi16(static_cast<short>(0xF800)));
    const v128 shorter = _mm_cmpeq_epi16(top, _mm_setzero_si128());
    const v128 surrogate = _mm_cmpeq_epi16(top, _mm_set1_epi16(static_cast<short>(0xD800)));
    if (!_mm_testz_si128(_mm_or_si128(shorter, surrogate), _mm_or_si128(shorter, surrogate))) return false;
    const v128 mask6 = _mm_set1_epi16(0x3F), cont = _mm_set1_epi16(0x80);
    const v128 b0 = _mm_or_si128(_mm_srli_epi16(u, 12), _mm_set1_epi16(0xE0));
    const v128 b1 = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(u, 6), mask6), cont);
    const v128 b2 = _mm_or_si128(_mm_and_si128(u, mask6), cont);
    const v128 p = _mm_packus_epi16(b0, b1), q = _mm_packus_epi16(b2, b2);
    storeu(out + o, _mm_or_si128(shuffle(p, kSeq3FromP), shuffle(q, kSeq3FromQ)));
    _mm_storel_epi64(reinterpret_cast<v128*>(out + o + 16),
                     _mm_or_si128(shuffle(p, kSeq3TailFromP), shuffle(q, kSeq3TailFromQ)));
    i += 8;
    o += 24;
    return true;
}

template <bool Swap>
Progress utf16To8(const zet16u* s, std::size_t n, zet8u* d, std::size_t cap) {
    const char* base = reinterpret_cast<const char*>(s);
    // Vector blocks need 16 units to load and at most 24 bytes of room: 16 ASCII units, or 8 units
    // of at most two bytes each (pairs included), or 8 of three bytes, then perhaps the next 8.
    auto block = [&](std::size_t& i, std::size_t& o) {
        const std::size_t start = i;
        v128 a = loadu(base + 2 * i), b = loadu(base + 2 * i + 16);
        if constexpr (Swap) a = swapLanes(a), b = swapLanes(b);
        if (_mm_testz_si128(_mm_or_si128(a, b), _mm_set1_epi16(static_cast<short>(0xFF80)))) {
            storeu(d + o, _mm_packus_epi16(a, b));
            i += 16;
            o += 16;
            return true;
        }
        if (!twoByteBlock16(a, d, i, o) && !threeByteBlock16(a, d, i, o)) return false;
        // The second 8 units, already loaded, when the first block took all 8 of its units.
        if (i == start + 8 && cap - o >= 24 && !twoByteBlock16(b, d, i, o)) threeByteBlock16(b, d, i, o);
        return true;
    };
    auto one = [&](std::size_t& i, std::size_t& o) {
        const unsigned c = unitAt<Swap>(s, i);
        if (c < 0x80) {
            d[o++] = static_cast<zet8u>(c);
            ++i;
            return true;
        }
        if (c < 0x800) {
            if (cap - o < 2) return false;
            d[o] = static_cast<zet8u>(0xC0 | (c >> 6));
            d[o + 1] = static_cast<zet8u>(0x80 | (c & 0x3F));
            o += 2;
            ++i;
            return true;
        }
        // A high surrogate followed by a low one is one character; any other surrogate is encoded
        // by itself like any other unit of three bytes.
        if ((c & 0xFC00) == 0xD800 && i + 1 < n) {
            const unsigned c2 = unitAt<Swap>(s, i + 1);
            if ((c2 & 0xFC00) == 0xDC00) {
                if (cap - o < 4) return false;
                const std::uint32_t cp = 0x10000 + ((c & 0x3FF) << 10) + (c2 & 0x3FF);
                d[o] = static_cast<zet8u>(0xF0 | (cp >> 18));
                d[o + 1] = static_cast<zet8u>(0x80 | ((cp >> 12) & 0x3F));
                d[o + 2] = static_cast<zet8u>(0x80 | ((cp >> 6) & 0x3F));
                d[o + 3] = static_cast<zet8u>(0x80 | (cp & 0x3F));
                o += 4;
                i += 2;
                return true;
            }
        }
        if (cap - o < 3) return false;
        d[o] = static_cast<zet8u>(0xE0 | (c >> 12));
        d[o + 1] = static_cast<zet8u>(0x80 | ((c >> 6) & 0x3F));
        d[o + 2] = static_cast<zet8u>(0x80 | (c & 0x3F));
        o += 3;
        ++i;
        return true;
    };
    return drive(n, cap, 16, 24, block, one);
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
