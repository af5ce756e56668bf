// UTF-16 -> UTF-8: zetsConvertUTF_16u8u.
//
// Resumable like its counterpart in utf8to16.cpp. No input is an error: a surrogate that is not
// half of a pair travels as its own three-byte sequence, so 16 -> 8 -> 16 gives back any string of
// code units.
//
// Vector blocks in front of the scalar rules (the driver is in utf_frame.h):
// - ASCII: 16 units at a time, for as long as the run lasts;
// - 32 units (16 near the ends of the buffers) of at most two bytes each, surrogate pairs
//   included, as a vector of their low bytes and one of their high bytes: each unit's first and
//   second byte are formed a byte per unit, the two halves of a pair giving two bytes each of the
//   pair's four, then interleaved and compacted;
// - 32 or 8 units of three bytes each;
// - else eight units of one to three bytes, pairs included, each unit's bytes formed in its 16-bit
//   lane (the third byte of a three-byte unit in a second vector) and compacted.
// A high surrogate in the last lane of a block is left for the next one; any other surrogate
// without its other half makes the block fail, and the scalar rules take it.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

#include "case/utf.h"
#include "case/utf_frame.h"

namespace zet {
namespace {

using namespace utf;

template <bool Swap>
inline unsigned unitAt(const zet16u* s, std::size_t i) {
    const zet16u u = getUnit(s, static_cast<std::ptrdiff_t>(i));
    return Swap ? static_cast<zet16u>((u >> 8) | (u << 8)) : u;
}

// ---- the scalar rules ----

// One character at s[i] into d[o] (i < n, o < cap); false when its bytes do not fit.
template <bool Swap>
inline bool convertOne(const zet16u* s, std::size_t n, zet8u* d, std::size_t cap, std::size_t& i, std::size_t& o) {
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
}

template <bool Swap>
Progress scalarOnly(const zet16u* s, std::size_t n, zet8u* d, std::size_t cap) {
    std::size_t i = 0, o = 0;
    while (i < n && o < cap && convertOne<Swap>(s, n, d, cap, i, o)) {
    }
    return {i, o};
}

// ---- vector blocks ----

inline v128 splat16(unsigned u) { return _mm_set1_epi16(static_cast<short>(u)); }

// Byte 2j of every 16-bit lane j, byte 2j + 1 too when bit j is set.
constexpr auto kKeepBytes = compaction(2, true);

// Four units in the 32-bit lanes of a vector, each as the bytes of its sequence: bytes 0, 0..1 or
// 0..2 of each lane move to the front. Bit j of the index: unit j takes two bytes or more; bit
// 4 + j: three bytes.
struct Sequences {
    std::array<Shuffle, 256> shuffles;
    std::array<std::uint8_t, 256> lengths;
};

constexpr Sequences kSequences = [] {
    Sequences t{};
    for (int m = 0; m < 256; ++m) {
        int o = 0;
        for (int j = 0; j < 4; ++j)
            for (int b = 0; b < 1 + (m >> j & 1) + (m >> (4 + j) & 1); ++b) t.shuffles[m][o++] = static_cast<std::int8_t>(4 * j + b);
        t.lengths[m] = static_cast<std::uint8_t>(o);
        while (o < 16) t.shuffles[m][o++] = -1;
    }
    return t;
}();

// Lead bytes (p: bytes 0..7), first continuations (p: 8..15) and second continuations (q: 0..7)
// of eight three-byte sequences, interleaved: the first 16 bytes and the last 8.
constexpr Shuffle kSeq3FromP = {0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4, 12, -1, 5};
constexpr Shuffle kSeq3FromQ = {-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1};
constexpr Shuffle kSeq3TailFromP = {13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1};
constexpr Shuffle kSeq3TailFromQ = {-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, -1, -1, -1, -1, -1, -1};

// Eight units of 0x800..0xFFFF, none a surrogate: three bytes each, 24 bytes.
inline void threeByteUnits(v128 u, zet8u* out) {
    const v128 six = splat16(0x3F), cont = splat16(0x80);
    const v128 b0 = _mm_or_si128(_mm_srli_epi16(u, 12), splat16(0xE0));
    const v128 b1 = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(u, 6), six), cont);
    const v128 b2 = _mm_or_si128(_mm_and_si128(u, six), cont);
    const v128 p = _mm_packus_epi16(b0, b1), q = _mm_packus_epi16(b2, b2);
    storeu(out, _mm_or_si128(shuffle(p, kSeq3FromP), shuffle(q, kSeq3FromQ)));
    store8(out + 16, _mm_or_si128(shuffle(p, kSeq3TailFromP), shuffle(q, kSeq3TailFromQ)));
}

// ASCII, 16 units at a time while they last and there is room.
template <bool Swap>
inline void asciiRun(const char* base, std::size_t n, zet8u* d, std::size_t cap, std::size_t& i, std::size_t& o) {
    const v128 nonAscii = splat16(Swap ? 0x80FF : 0xFF80);
    while (n - i >= 16 && cap - o >= 16) {
        v128 a = loadu(base + 2 * i), b = loadu(base + 2 * i + 16);
        if (!_mm_testz_si128(_mm_or_si128(a, b), nonAscii)) break;
        if constexpr (Swap) a = _mm_srli_epi16(a, 8), b = _mm_srli_epi16(b, 8);
        storeu(d + o, _mm_packus_epi16(a, b));
        i += 16;
        o += 16;
    }
}

// The one or two bytes of each unit below 0x800 in its 16-bit lane: the unit itself where `ascii`
// is set, else the lead 0xC0 | u >> 6 and the continuation 0x80 | (u & 0x3F).
inline v128 twoByteLanes(v128 u, v128 ascii) {
    const v128 two = _mm_or_si128(_mm_or_si128(_mm_srli_epi16(u, 6), splat16(0xC0)),
                                  _mm_slli_epi16(_mm_or_si128(_mm_and_si128(u, splat16(0x3F)), splat16(0x80)), 8));
    return _mm_blendv_epi8(two, u, ascii);
}

// Surrogate pairs, for twoByteLanes: each half replaced by a value whose two-byte form is two bytes
// of the pair's four. The high half becomes 0xC00 + (pair value >> 12), whose form is the lead
// 0xF0 | (value >> 18) and the first continuation byte; the low half becomes its own ten bits below
// the two lowest bits of the high half (`prev`: the unit before each lane), whose form is the other
// two bytes once the caller has turned its lead 11xxxxxx into 10xxxxxx.
inline v128 pairValues(v128 u, v128 prev, v128 high, v128 low) {
    const v128 ten = _mm_and_si128(u, splat16(0x3FF));
    const v128 fromHigh = _mm_srli_epi16(_mm_add_epi16(ten, splat16(0x3040)), 2);  // ((ten + 0x40) >> 2) + 0xC00
    const v128 fromLow = _mm_or_si128(ten, _mm_slli_epi16(_mm_and_si128(prev, splat16(3)), 10));
    return _mm_blendv_epi8(_mm_blendv_epi8(u, fromHigh, high), fromLow, low);
}

// Byte 0 of each of the first n lanes (n = 7 or 8) and byte 1 too where m has the lane's bit (m has
// no bits from n on): stored at d, the number of bytes returned.
template <Stores St>
inline unsigned emitLanes(char* d, v128 lanes, unsigned m, unsigned n) {
    const unsigned k = n + count8(m);
    put<St>(d, shuffle(lanes, kKeepBytes[m]), k);
    return k;
}

// The low bytes of eight units, then their high bytes: two such vectors give the low bytes of
// sixteen units (their low halves) and the high bytes (their high halves).
constexpr Shuffle kLowsThenHighs = {0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15};

inline v128 splat8(int b) { return _mm_set1_epi8(static_cast<char>(b)); }

// 16 * P units (P = 1 or 2; low bytes lo[], high bytes hi[]) of one or two bytes each, or halves of
// surrogate pairs, worked on a byte per unit: `first` and `second` get each unit's first and second
// byte, then they are interleaved into 16-bit lanes and compacted. A pair gives the lead and first
// continuation byte from its high half, the other two from its low half. A high half in the last
// lane is left for the next block; a surrogate that is not half of a pair here makes the block fail.
template <int P, bool Swap, Stores St>
inline bool narrowStep(const char* base, std::size_t n, zet8u* out, std::size_t cap, const v128* lo, const v128* hi, bool pairs,
                       std::size_t& i, std::size_t& o) {
    constexpr unsigned kUnits = 16 * P;
    // Units of two bytes or more: a high byte, or a low byte from 0x80.
    v128 wide[P];
    std::uint32_t wideBits = 0;
    for (int p = 0; p < P; ++p) {
        wide[p] = _mm_or_si128(_mm_adds_epu8(hi[p], splat8(0x7F)), lo[p]);
        wideBits |= bits(wide[p]) << 16 * p;
    }
    if (wideBits == 0) {
        for (int p = 0; p < P; ++p) storeu(out + o + 16 * p, lo[p]);
        i += kUnits;
        o += kUnits;
        asciiRun<Swap>(base, n, out, cap, i, o);
        return true;
    }
    v128 high[P], low[P];
    unsigned units = kUnits;
    if (pairs) {
        std::uint32_t highs = 0, lows = 0;
        for (int p = 0; p < P; ++p) {
            const v128 tag = _mm_and_si128(hi[p], splat8(0xFC));
            high[p] = _mm_cmpeq_epi8(tag, splat8(0xD8));
            low[p] = _mm_cmpeq_epi8(tag, splat8(0xDC));
            highs |= bits(high[p]) << 16 * p;
            lows |= bits(low[p]) << 16 * p;
        }
        if ((highs << 1 ^ lows) & (~0u >> (32 - kUnits))) return false;  // a low half after every high one, and only there
        units -= highs >> (kUnits - 1);
    }
    char* d = reinterpret_cast<char*>(out + o);
    unsigned k = 0;
    for (int p = 0; p < P; ++p) {
        const v128 top2 = _mm_and_si128(_mm_srli_epi16(lo[p], 6), splat8(3)), cont = splat8(0x80);
        // Below 0x800: 0xC0 | u >> 6, then 0x80 | (u & 0x3F).
        v128 first = _mm_or_si128(_mm_or_si128(_mm_and_si128(_mm_slli_epi16(hi[p], 2), splat8(0xFC)), top2), splat8(0xC0));
        v128 second = _mm_or_si128(_mm_and_si128(lo[p], splat8(0x3F)), cont);
        if (pairs) {
            // High half: with t = (unit & 0x3FF) + 0x40 (the pair's value >> 10), 0xF0 | t >> 8, then
            // 0x80 | (t >> 2) & 0x3F; t's low byte is lo + 0x40, its high byte carries from it.
            const v128 hi2 = _mm_and_si128(hi[p], splat8(3));
            const v128 carry = _mm_cmpeq_epi8(_mm_max_epu8(lo[p], splat8(0xC0)), lo[p]);  // all ones: subtracting adds 1
            first = _mm_blendv_epi8(first, _mm_or_si128(_mm_sub_epi8(hi2, carry), splat8(0xF0)), high[p]);
            second = _mm_blendv_epi8(
                second, _mm_or_si128(_mm_and_si128(_mm_srli_epi16(_mm_add_epi8(lo[p], splat8(0x40)), 2), splat8(0x3F)), cont), high[p]);
            // Low half: 0x80 | the high half's two lowest bits << 4 | (unit >> 6) & 0x0F, then as below 0x800.
            const v128 prev = p ? _mm_alignr_epi8(lo[p], lo[p - 1], 15) : _mm_slli_si128(lo[p], 1);
            const v128 prevLow2 = _mm_and_si128(prev, splat8(3));
            first = _mm_blendv_epi8(
                first, _mm_or_si128(_mm_or_si128(_mm_slli_epi16(prevLow2, 4), _mm_slli_epi16(hi2, 2)), _mm_or_si128(top2, cont)), low[p]);
        }
        first = _mm_blendv_epi8(lo[p], first, wide[p]);
        const unsigned m = wideBits >> 16 * p;
        k += emitLanes<St>(d + k, _mm_unpacklo_epi8(first, second), m & 0xFF, 8);
        if (p == P - 1)
            k += emitLanes<St>(d + k, _mm_unpackhi_epi8(first, second), (m >> 8) & (0xFFu >> (kUnits - units)), units - (kUnits - 8));
        else
            k += emitLanes<St>(d + k, _mm_unpackhi_epi8(first, second), (m >> 8) & 0xFF, 8);
    }
    i += units;
    o += k;
    return true;
}

// Eight units u (in the processor's byte order) of one to three bytes, or halves of surrogate pairs.
template <Stores St>
inline bool unitsBlock(v128 u, zet8u* out, std::size_t& i, std::size_t& o) {
    const v128 z = _mm_setzero_si128();
    const v128 top = _mm_and_si128(u, splat16(0xF800));
    const v128 ascii = _mm_cmpeq_epi16(_mm_and_si128(u, splat16(0xFF80)), z);
    const v128 surrogate = _mm_cmpeq_epi16(top, splat16(0xD800));
    const v128 twoAtMost = _mm_or_si128(_mm_cmpeq_epi16(top, z), surrogate);  // a surrogate's lane gives two bytes
    // Bits 0..7: the units of two bytes or more; bits 8..15: those of three.
    const unsigned wide = ~bits(_mm_packs_epi16(ascii, twoAtMost)) & 0xFFFF;
    if (wide >> 8 == 0xFF) {
        threeByteUnits(u, out + o);
        i += 8;
        o += 24;
        return true;
    }
    unsigned units = 8;
    v128 low = z;
    if (!_mm_testz_si128(surrogate, surrogate)) {
        const v128 high = _mm_cmpeq_epi16(_mm_and_si128(u, splat16(0xFC00)), splat16(0xD800));
        low = _mm_andnot_si128(high, surrogate);
        const unsigned halves = bits(_mm_packs_epi16(high, low));  // bits 0..7 high, 8..15 low
        if (((halves << 9) ^ halves) & 0xFF00) return false;     // a low half after every high one, and only there
        units -= halves >> 7 & 1;
        u = pairValues(u, _mm_slli_si128(u, 2), high, low);
    }
    const v128 last = _mm_or_si128(_mm_and_si128(u, splat16(0x3F)), splat16(0x80));  // final byte of two and three
    const v128 lanes = _mm_xor_si128(twoByteLanes(u, ascii), _mm_and_si128(low, splat16(0x40)));
    char* d = reinterpret_cast<char*>(out + o);
    std::size_t k;
    if (wide >> 8 == 0) {
        k = emitLanes<St>(d, lanes, wide & ((1u << units) - 1), units);
    } else {
        // Three-byte units: lead and first continuation in the lane, the second continuation in
        // `last`; each unit's sequence in a 32-bit lane, then compacted four lanes at a time.
        const v128 three = _mm_or_si128(_mm_or_si128(_mm_srli_epi16(u, 12), splat16(0xE0)),
                                        _mm_slli_epi16(_mm_or_si128(_mm_and_si128(_mm_srli_epi16(u, 6), splat16(0x3F)), splat16(0x80)), 8));
        const v128 seq = _mm_blendv_epi8(three, lanes, twoAtMost);
        const unsigned lo = (wide & 0xF) | (wide >> 4 & 0xF0), hi = (wide >> 4 & 0xF) | (wide >> 8 & 0xF0);
        const unsigned k0 = kSequences.lengths[lo], k1 = kSequences.lengths[hi] - 2 * (8 - units);  // minus a held-back high half
        put<St>(d, shuffle(_mm_unpacklo_epi16(seq, last), kSequences.shuffles[lo]), k0);
        put<St>(d + k0, shuffle(_mm_unpackhi_epi16(seq, last), kSequences.shuffles[hi]), k1);
        k = k0 + k1;
    }
    i += units;
    o += k;
    return true;
}

// One block at s[i]: 16 * P units of at most two bytes each or pairs (and ASCII runs), else eight
// units of any kind. Needs 16 * P source units and 32 * P bytes of room, or 8 and 24 for the second.
template <int P, bool Swap, Stores St>
inline bool block(const char* base, std::size_t n, zet8u* out, std::size_t cap, std::size_t& i, std::size_t& o) {
    if (n - i >= 16 * P && cap - o >= 32 * P) {
        v128 lo[P], hi[P], either = _mm_setzero_si128();
        for (int p = 0; p < P; ++p) {
            const v128 a = shuffle(loadu(base + 2 * i + 32 * p), kLowsThenHighs), b = shuffle(loadu(base + 2 * i + 32 * p + 16), kLowsThenHighs);
            lo[p] = Swap ? _mm_unpackhi_epi64(a, b) : _mm_unpacklo_epi64(a, b);
            hi[p] = Swap ? _mm_unpacklo_epi64(a, b) : _mm_unpackhi_epi64(a, b);
            either = _mm_or_si128(either, hi[p]);
        }
        if (_mm_testz_si128(either, splat8(0xF8))) return narrowStep<P, Swap, St>(base, n, out, cap, lo, hi, false, i, o);
        // Units of at most two bytes or surrogates, in the processor's sign bit of each byte.
        auto twoAtMost = [&](int p) {
            const v128 top = _mm_and_si128(hi[p], splat8(0xF8));
            return _mm_or_si128(_mm_cmpeq_epi8(top, _mm_setzero_si128()), _mm_cmpeq_epi8(top, splat8(0xD8)));
        };
        v128 all = twoAtMost(0);
        for (int p = 1; p < P; ++p) all = _mm_and_si128(all, twoAtMost(p));
        if (bits(all) == 0xFFFF) return narrowStep<P, Swap, St>(base, n, out, cap, lo, hi, true, i, o);
        // Leading groups of eight units of three bytes each.
        std::uint32_t shorter = 0;
        for (int p = 0; p < P; ++p) shorter |= bits(twoAtMost(p)) << 16 * p;
        // (The 32 * P bytes of room allow P groups, 48 * P all of them.)
        const unsigned groups = std::min<unsigned>((shorter ? static_cast<unsigned>(std::countr_zero(shorter)) : 16 * P) / 8,
                                                   cap - o >= 48 * P ? 2 * P : P);
        if (groups) {
            for (unsigned q = 0; q < groups; ++q) threeByteUnits(swapIf<Swap>(loadu(base + 2 * i + 16 * q)), out + o + 24 * q);
            i += 8 * groups;
            o += 24 * groups;
            return true;
        }
    }
    return unitsBlock<St>(swapIf<Swap>(loadu(base + 2 * i)), out, i, o);
}

// Vector blocks from s[i] on while they take the text and there is room for them: true when it
// stopped at a block that no kernel took, false when too little source or room was left.
//
// Run-ahead stores: a block of k bytes stores at most 64 bytes past o, and at most 13 past o + k
// (its last 16-byte store begins where the bytes before it end, and its last vector gives at least
// 3 bytes, 7 in the narrow steps). The 16 source units left after the block's 32 give at least 16
// more bytes (every unit gives at least one), unless the conversion stops for room first, which it
// does not before cap - 3; so the rest of the conversion writes over the surplus. Exact blocks
// need only their own reads and writes.
template <bool Swap>
[[gnu::noinline]] bool blocks(const zet16u* s, std::size_t n, zet8u* d, std::size_t cap, std::size_t& at, std::size_t& to) {
    // Local positions: the byte stores may alias anything, references would be reloaded after each.
    const char* base = reinterpret_cast<const char*>(s);
    std::size_t i = at, o = to;
    bool hit;
    do {
        if (n - i >= 48 && cap - o >= 67)
            hit = block<2, Swap, Stores::Ahead>(base, n, d, cap, i, o);
        else if (n - i >= 8 && cap - o >= 24)
            hit = block<1, Swap, Stores::Exact>(base, n, d, cap, i, o);
        else
            break;
    } while (hit);
    at = i;
    to = o;
    return !hit;
}

template <bool Swap>
Progress utf16To8(const zet16u* s, std::size_t n, zet8u* d, std::size_t cap) {
    return drive(
        n, cap, [&](std::size_t& i, std::size_t& o) { return blocks<Swap>(s, n, d, cap, i, o); },
        [&](std::size_t& i, std::size_t& o) { return convertOne<Swap>(s, n, d, cap, i, o); });
}

}  // namespace

ZetStatus ownConvertUtf16To8Scalar(const zet16u* pSrc, zet32s* pSrcLen, zet8u* pDst, zet32s* pDstLen, zet32s bigEndian) {
    return utf::frame(pSrc, pSrcLen, pDst, pDstLen, [&](std::size_t n, std::size_t cap) {
        return bigEndian ? scalarOnly<true>(pSrc, n, pDst, cap) : scalarOnly<false>(pSrc, n, pDst, cap);
    });
}

}  // namespace zet

using namespace zet;

ZetStatus zetsConvertUTF_16u8u(const zet16u* pSrc, zet32s* pSrcLen, zet8u* pDst, zet32s* pDstLen, zet32s bigEndian) {
    return utf::frame(pSrc, pSrcLen, pDst, pDstLen, [&](std::size_t n, std::size_t cap) {
        return bigEndian ? utf16To8<true>(pSrc, n, pDst, cap) : utf16To8<false>(pSrc, n, pDst, cap);
    });
}
