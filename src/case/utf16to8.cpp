// UTF-16 -> UTF-8: zetsConvertUTF_16u8u.
//
// Resumable like its counterpart in utf8to16.cpp. No input is an error: a surrogate that is not
// half of a pair travels as its own three-byte sequence, so 16 -> 8 -> 16 gives back any string of
// code units.
//
// Vector blocks in front of the scalar rules (the driver is in utf_frame.h):
// - ASCII: 16 units at a time, for as long as the run lasts;
// - eight units of three bytes each: 24 bytes;
// - eight units of one to three bytes, surrogate pairs included: each unit's bytes are formed in
//   its 16-bit lane (the third byte of a three-byte unit in a second vector) and compacted, the
//   two halves of a pair giving two bytes each of the pair's four. A high surrogate in the last
//   lane is left for the next block; any other surrogate without its other half makes the block
//   fail, and the scalar rules take it.
#include <array>
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

// Eight units at p (as bytes): ASCII, two-byte, three-byte, and surrogate pairs.
template <bool Swap, Stores St>
inline bool unitsBlock(const char* p, zet8u* out, std::size_t& i, std::size_t& o) {
    const v128 u = swapIf<Swap>(loadu(p)), z = _mm_setzero_si128();
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
    const v128 last = _mm_or_si128(_mm_and_si128(u, splat16(0x3F)), splat16(0x80));  // final byte of two and three
    const v128 t6 = _mm_srli_epi16(u, 6);
    v128 seq = _mm_blendv_epi8(_mm_or_si128(_mm_or_si128(t6, splat16(0xC0)), _mm_slli_epi16(last, 8)), u, ascii);
    if (wide >> 8) {
        const v128 three = _mm_or_si128(_mm_or_si128(_mm_srli_epi16(u, 12), splat16(0xE0)),
                                        _mm_slli_epi16(_mm_or_si128(_mm_and_si128(t6, splat16(0x3F)), splat16(0x80)), 8));
        seq = _mm_blendv_epi8(three, seq, twoAtMost);
    }
    unsigned n = 8;
    if (!_mm_testz_si128(surrogate, surrogate)) {
        const v128 high = _mm_cmpeq_epi16(_mm_and_si128(u, splat16(0xFC00)), splat16(0xD800));
        const v128 low = _mm_andnot_si128(high, surrogate);
        const unsigned highs = bits(_mm_packs_epi16(high, high)) & 0xFF;
        const unsigned lows = bits(_mm_packs_epi16(low, low)) & 0xFF;
        if (((highs << 1) ^ lows) & 0xFF) return false;
        n -= highs >> 7;
        // The pair's value >> 10 in the lane of its high half, and the low two bits of that in the
        // lane of its low half: lead and first continuation from the one, the other two from the other.
        const v128 top11 = _mm_add_epi16(_mm_and_si128(u, splat16(0x3FF)), splat16(0x40));
        const v128 fromHigh =
            _mm_or_si128(_mm_or_si128(_mm_srli_epi16(top11, 8), splat16(0xF0)),
                         _mm_slli_epi16(_mm_or_si128(_mm_and_si128(_mm_srli_epi16(top11, 2), splat16(0x3F)), splat16(0x80)), 8));
        const v128 fromLow = _mm_or_si128(_mm_or_si128(_mm_slli_epi16(_mm_and_si128(_mm_slli_si128(u, 2), splat16(3)), 4),
                                                       _mm_srli_epi16(_mm_and_si128(u, splat16(0x3C0)), 6)),
                                          _mm_or_si128(splat16(0x80), _mm_slli_epi16(last, 8)));
        seq = _mm_blendv_epi8(_mm_blendv_epi8(seq, fromHigh, high), fromLow, low);
    }
    std::size_t k;
    if (wide >> 8 == 0) {
        const unsigned m = wide & ((1u << n) - 1);
        k = n + count8(m);
        put<St>(reinterpret_cast<char*>(out + o), shuffle(seq, kKeepBytes[m]), static_cast<unsigned>(k));
    } else {
        const unsigned lo = (wide & 0xF) | (wide >> 4 & 0xF0), hi = (wide >> 4 & 0xF) | (wide >> 8 & 0xF0);
        const unsigned k0 = kSequences.lengths[lo], k1 = kSequences.lengths[hi] - 2 * (8 - n);  // minus a held-back high half
        char* d = reinterpret_cast<char*>(out + o);
        put<St>(d, shuffle(_mm_unpacklo_epi16(seq, last), kSequences.shuffles[lo]), k0);
        put<St>(d + k0, shuffle(_mm_unpackhi_epi16(seq, last), kSequences.shuffles[hi]), k1);
        k = k0 + k1;
    }
    i += n;
    o += k;
    return true;
}

// ASCII, 16 units at a time while they last and there is room; false when there were none.
template <bool Swap>
inline bool asciiRun(const char* base, std::size_t n, zet8u* d, std::size_t cap, std::size_t& i, std::size_t& o) {
    const v128 nonAscii = splat16(Swap ? 0x80FF : 0xFF80);
    const std::size_t from = i;
    while (n - i >= 16 && cap - o >= 16) {
        v128 a = loadu(base + 2 * i), b = loadu(base + 2 * i + 16);
        if (!_mm_testz_si128(_mm_or_si128(a, b), nonAscii)) break;
        if constexpr (Swap) a = _mm_srli_epi16(a, 8), b = _mm_srli_epi16(b, 8);
        storeu(d + o, _mm_packus_epi16(a, b));
        i += 16;
        o += 16;
    }
    return i != from;
}

// Vector blocks from s[i] on while they take the text and there is room for them: true when it
// stopped at a block that no kernel took, false when too little source or room was left.
//
// Run-ahead stores reach 28 bytes past o; the 40 source units left after the block's 8 give at
// least 40 more bytes (every unit gives at least one), unless the conversion stops for room first,
// which it does not before cap - 3. Exact blocks need only their own reads and writes: up to 16
// units read (8 outside ASCII runs), 24 bytes written.
template <bool Swap>
[[gnu::noinline]] bool blocks(const zet16u* s, std::size_t n, zet8u* d, std::size_t cap, std::size_t& i, std::size_t& o) {
    const char* base = reinterpret_cast<const char*>(s);
    for (;;) {
        bool hit;
        if (n - i >= 48 && cap - o >= 32)
            hit = asciiRun<Swap>(base, n, d, cap, i, o) || unitsBlock<Swap, Stores::Ahead>(base + 2 * i, d, i, o);
        else if (n - i >= 8 && cap - o >= 24)
            hit = asciiRun<Swap>(base, n, d, cap, i, o) || unitsBlock<Swap, Stores::Exact>(base + 2 * i, d, i, o);
        else
            return false;
        if (!hit) return true;
    }
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
