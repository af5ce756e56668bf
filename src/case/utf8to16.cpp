// UTF-8 -> UTF-16: zetsConvertUTF_8u16u.
//
// Resumable: it converts character by character until the source is used up or the next
// character's units do not fit whole into the destination, and reports how much it consumed and
// wrote. No input is an error: a malformed byte passes through as the code unit of the same value.
//
// Vector blocks in front of the scalar rules (the driver is in utf_frame.h):
// - ASCII: 16 bytes at a time, for as long as the run lasts;
// - a run of three-byte characters: eight of them, 24 bytes, into 8 units;
// - a mixed block of 64 bytes (32 or 16 near the ends of the buffers): the characters of one to
//   four bytes that start and end in it, checked whole for form by bit masks before anything is
//   written, then decoded at every byte position and compacted to the positions where characters
//   start (and, for a four-byte character, the one after, which gives the low half of its pair).
// A block takes only what is well-formed by the strict reading of UTF-8: shortest forms, four-byte
// values up to U+10FFFF (0xF4 leads and the five- and six-byte forms are left to the scalar rules).
// Three-byte surrogate values are well-formed here, as they are for the rules.
#include <array>
#include <bit>
#include <cstdint>

#include "case/utf.h"
#include "case/utf_frame.h"

namespace zet {
namespace {

using namespace utf;

template <bool Swap>
inline zet16u toUnit(std::uint32_t v) {
    const auto u = static_cast<zet16u>(v);
    return Swap ? static_cast<zet16u>((u >> 8) | (u << 8)) : u;
}

// ---- the scalar rules ----

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

// One character at s[i] into dst[o] (i < n, o < cap); false when its units do not fit.
template <bool Swap>
inline bool convertOne(const zet8u* s, std::size_t n, zet16u* dst, std::size_t cap, std::size_t& i, std::size_t& o) {
    const unsigned b = s[i];
    if (b < 0x80) {
        putUnit(dst, static_cast<std::ptrdiff_t>(o++), toUnit<Swap>(b));
        ++i;
        return true;
    }
    std::uint32_t cp;
    const int used = decodeUtf8(s, i, n, cp);
    if (cp <= 0xFFFF) {
        putUnit(dst, static_cast<std::ptrdiff_t>(o++), toUnit<Swap>(cp));
    } else {
        if (cap - o < 2) return false;
        putUnit(dst, static_cast<std::ptrdiff_t>(o), toUnit<Swap>(0xD800 | (((cp - 0x10000) >> 10) & 0x3FF)));
        putUnit(dst, static_cast<std::ptrdiff_t>(o + 1), toUnit<Swap>(0xDC00 | (cp & 0x3FF)));
        o += 2;
    }
    i += static_cast<std::size_t>(used);
    return true;
}

template <bool Swap>
Progress scalarOnly(const zet8u* s, std::size_t n, zet16u* dst, std::size_t cap) {
    std::size_t i = 0, o = 0;
    while (i < n && o < cap && convertOne<Swap>(s, n, dst, cap, i, o)) {
    }
    return {i, o};
}

// ---- vector blocks ----

inline v128 splat8(int b) { return _mm_set1_epi8(static_cast<char>(b)); }
inline v128 splat16(unsigned u) { return _mm_set1_epi16(static_cast<short>(u)); }

// Bytes 0..7 of a vector where bit j of the mask is set, moved to the front.
constexpr auto kPickBytes = compaction(1, false);

// Which lead bytes a mixed block holds besides ASCII, so that it decodes only what it needs.
enum class Leads { Two, Three, Four, Any };

// The units of the ASCII, two- and three-byte characters that start at the positions of keep among
// the W bytes at p, formed a byte at a time for the 16 positions of a vector, the low byte of each
// position's unit in `lo` and the high byte in `hi`, with x = the byte, n1 and n2 = the next two:
// - ASCII: x, 0;
// - two-byte lead: (x << 6) | (n1 & 0x3F), (x >> 2) & 7;
// - three-byte lead: (n1 << 6) | (n2 & 0x3F), (x << 4) | ((n1 >> 2) & 0x0F).
// The lanes are then compacted eight positions at a time. Reads p[0..W + 1].
template <int W, Leads L, bool Swap, Stores St>
[[gnu::noinline]] std::size_t emitByteUnits(const zet8u* p, std::uint64_t keep, char* out, std::size_t o) {
    static_assert(L == Leads::Two || L == Leads::Three);
    const v128 z = _mm_setzero_si128(), six = splat8(0x3F), top2 = splat8(0xC0), top3 = splat8(0xE0);
    std::size_t k = 0;
    for (int h = 0; h < W / 16; ++h) {
        const v128 x = loadu(p + 16 * h), n1 = loadu(p + 16 * h + 1);
        v128 lo = _mm_or_si128(_mm_and_si128(_mm_slli_epi16(x, 6), top2), _mm_and_si128(n1, six));
        v128 hi = _mm_and_si128(_mm_srli_epi16(x, 2), splat8(7));
        if constexpr (L == Leads::Three) {
            // Blend masks are byte compares, which the compiler uses as they are.
            const v128 n2 = loadu(p + 16 * h + 2), lead3 = _mm_cmpeq_epi8(_mm_and_si128(x, top3), top3);
            lo = _mm_blendv_epi8(lo, _mm_or_si128(_mm_and_si128(_mm_slli_epi16(n1, 6), top2), _mm_and_si128(n2, six)), lead3);
            hi = _mm_blendv_epi8(hi, _mm_or_si128(_mm_and_si128(_mm_slli_epi16(x, 4), splat8(0xF0)),
                                                  _mm_and_si128(_mm_srli_epi16(n1, 2), splat8(0x0F))), lead3);
        }
        const v128 high = _mm_cmpgt_epi8(z, x);  // all ones from 0x80 on
        lo = _mm_blendv_epi8(x, lo, high);      // ASCII: the byte itself
        hi = _mm_and_si128(hi, high);
        for (int q = 0; q < 2; ++q) {
            const unsigned m = keep >> (16 * h + 8 * q) & 0xFF;
            // Indices of clearing lanes stay negative when 8 is added.
            const v128 pick = _mm_add_epi8(loadu(kPickBytes[m].data()), splat8(8 * q));
            const v128 l = _mm_shuffle_epi8(lo, pick), u = _mm_shuffle_epi8(hi, pick);
            put<St>(out + 2 * (o + k), Swap ? _mm_unpacklo_epi8(u, l) : _mm_unpacklo_epi8(l, u), 2 * count8(m));
            k += count8(m);
        }
    }
    return k;
}

// Bytes p[0..7], zero-extended into 16-bit lanes.
inline v128 widen(const zet8u* p) { return _mm_cvtepu8_epi16(load8(p)); }

// For blocks with four-byte characters: in each 16-bit lane j, the unit of the character that
// starts at byte p[j], read from that byte and the two after it (p[0..9] in all): the value of a
// one- to three-byte character, the high half of the pair for a four-byte lead; in the lane of a
// continuation byte, the low half of a pair whose four-byte lead is the byte before it. The caller
// keeps the lanes of the bytes where characters start and those after four-byte leads, and drops
// the rest. (Formed a byte at a time as in emitByteUnits, these cost more than they save.)
//
// A four-byte character of value v gives the high half 0xD800 + (v >> 10) - 0x40: v >> 10 is the
// three-byte formula of the lead and the first two continuation bytes, shifted right by 4. The low
// half 0xDC00 | (v & 0x3FF) is that formula for the second and third continuation bytes after a
// lead 0xD, where the two bits of the second that do not belong to v fall on bits already set.
template <Leads L>
inline v128 unitsAt(const zet8u* p) {
    static_assert(L == Leads::Four || L == Leads::Any);
    const v128 b0 = widen(p), six = splat16(0x3F);
    const v128 c1 = _mm_and_si128(widen(p + 1), six);
    const v128 low12 = _mm_or_si128(_mm_slli_epi16(c1, 6), _mm_and_si128(widen(p + 2), six));
    const v128 three = _mm_or_si128(_mm_slli_epi16(b0, 12), low12);
    v128 u = _mm_blendv_epi8(b0, _mm_or_si128(low12, splat16(0xDC00)), _mm_cmpgt_epi16(b0, splat16(0x7F)));
    if constexpr (L == Leads::Any) {
        const v128 two = _mm_and_si128(_mm_or_si128(_mm_slli_epi16(b0, 6), c1), splat16(0x7FF));
        u = _mm_blendv_epi8(u, two, _mm_cmpgt_epi16(b0, splat16(0xBF)));
        u = _mm_blendv_epi8(u, three, _mm_cmpgt_epi16(b0, splat16(0xDF)));
    }
    return _mm_blendv_epi8(u, _mm_add_epi16(_mm_srli_epi16(three, 4), splat16(0xD7C0)), _mm_cmpgt_epi16(b0, splat16(0xEF)));
}

// Whole 16-bit lanes.
constexpr auto kKeepUnits = compaction(2, false);

// The lanes of keep (bit j: byte position j) of the W byte positions at p, into the destination
// from unit o on; returns the number of units.
template <int W, Leads L, bool Swap, Stores St>
[[gnu::noinline]] std::size_t emitLaneUnits(const zet8u* p, std::uint64_t keep, char* out, std::size_t o) {
    std::size_t k = 0;
    for (int q = 0; q < W / 8; ++q) {
        const unsigned m = keep >> (8 * q) & 0xFF;
        put<St>(out + 2 * (o + k), swapIf<Swap>(shuffle(unitsAt<L>(p + 8 * q), kKeepUnits[m])), 2 * count8(m));
        k += count8(m);
    }
    return k;
}

// The characters that start and end in the W bytes at p (W = 16, 32 or 64), when every byte there
// belongs to a well-formed character; a character that the end of the block cuts is left to the
// next one. At least W - 3 bytes, up to W units. Reads p[0..W + 1].
template <int W, bool Swap, Stores St>
inline bool mixedBlock(const zet8u* p, char* out, std::size_t& i, std::size_t& o) {
    // Bits 7..4 of every byte, one bit per byte (doubling a byte moves its next bit to the top);
    // bit 4 only when there are leads of three bytes or more.
    std::uint64_t b7 = 0, b6 = 0, b5 = 0, b4 = 0;
    v128 v[W / 16], x4[W / 16];
    for (int k = 0; k < W / 16; ++k) {
        v128 x = v[k] = loadu(p + 16 * k);
        b7 |= std::uint64_t{bits(x)} << 16 * k;
        x = _mm_add_epi8(x, x);
        b6 |= std::uint64_t{bits(x)} << 16 * k;
        x = _mm_add_epi8(x, x);
        b5 |= std::uint64_t{bits(x)} << 16 * k;
        x4[k] = _mm_add_epi8(x, x);
    }
    const std::uint64_t lead2 = b7 & b6;     // 0xC0 and above
    const std::uint64_t cont = b7 ^ lead2;   // 10xxxxxx
    const std::uint64_t lead3 = lead2 & b5;  // 0xE0 and above
    if (lead3)
        for (int k = 0; k < W / 16; ++k) b4 |= std::uint64_t{bits(x4[k])} << 16 * k;
    const std::uint64_t lead4 = lead3 & b4;  // 0xF0 and above
    // The continuation bytes must be exactly those that the leads call for: one after every lead,
    // a second after three- and four-byte leads, a third after four-byte leads (0xF8..0xFF count
    // as four-byte leads here and are turned away below).
    const std::uint64_t called = (lead2 << 1) | (lead3 << 2) | (lead4 << 3);
    constexpr std::uint64_t kAll = ~std::uint64_t{0} >> (64 - W);
    if ((called ^ cont) & kAll) return false;
    // Shortest forms and values up to U+10FFFF, checked only for the leads that the block holds:
    // no lead 0xC0 or 0xC1; no 0xE0 before 0x80..0x9F (bit 5 clear); no 0xF0 before 0x80..0x8F (bits
    // 5 and 4 clear); no lead above 0xF3 (0xF4 is rare and left to the rules).
    auto positions = [&](auto test) {  // bit j: test is true for byte j
        std::uint64_t m = 0;
        for (int k = 0; k < W / 16; ++k) m |= std::uint64_t{bits(test(v[k]))} << 16 * k;
        return m;
    };
    auto anywhere = [&](auto test) {  // test is true for some byte
        v128 m = test(v[0]);
        for (int k = 1; k < W / 16; ++k) m = _mm_or_si128(m, test(v[k]));
        return !_mm_testz_si128(m, m);
    };
    if (lead2 & ~lead3 && anywhere([](v128 x) { return _mm_cmpeq_epi8(_mm_and_si128(x, splat8(0xFE)), splat8(0xC0)); })) return false;
    if (lead3 & ~lead4 && (positions([](v128 x) { return _mm_cmpeq_epi8(x, splat8(0xE0)); }) << 1 & ~b5 & kAll)) return false;
    if (lead4) {
        if (anywhere([](v128 x) { return _mm_cmpeq_epi8(_mm_max_epu8(x, splat8(0xF4)), x); })) return false;
        if (positions([](v128 x) { return _mm_cmpeq_epi8(x, splat8(0xF0)); }) << 1 & ~(b5 | b4) & kAll) return false;
    }
    // A lead whose continuation bytes run past the block ends it before that lead (at most 3 bytes
    // before the end); else the block ends after all W bytes. Read from the last three bytes on
    // their own, so that the next block's start does not wait for the masks.
    const unsigned left = p[W - 1] >= 0xC0 ? 1 : p[W - 2] >= 0xE0 ? 2 : p[W - 3] >= 0xF0 ? 3 : 0;  // bytes left to the next block
    const unsigned len = W - left;
    const std::uint64_t keep = (~cont | (lead4 << 1)) & (kAll >> left);
    std::size_t written;
    if (!lead3)
        written = emitByteUnits<W, Leads::Two, Swap, St>(p, keep, out, o);
    else if (!lead4)
        written = emitByteUnits<W, Leads::Three, Swap, St>(p, keep, out, o);
    else if (!(lead2 & ~lead4))
        written = emitLaneUnits<W, Leads::Four, Swap, St>(p, keep, out, o);
    else
        written = emitLaneUnits<W, Leads::Any, Swap, St>(p, keep, out, o);
    i += len;
    o += written;
    return true;
}

// Four three-byte characters at bytes 0..11 (or 4..15) of a vector, each in a 32-bit lane as its
// last byte, middle byte, lead byte, zero.
constexpr Shuffle kTriples = {2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1};
constexpr Shuffle kTriplesAt4 = {6, 5, 4, -1, 9, 8, 7, -1, 12, 11, 10, -1, 15, 14, 13, -1};

// The values of the four characters of triples x: last & 0x3F, plus (middle & 0x3F) * 64 and
// (lead & 0x0F) * 4096, by two multiply-adds.
inline v128 tripleValues(v128 x) {
    const v128 payload = _mm_and_si128(x, _mm_set1_epi32(0x000F3F3F));
    return _mm_madd_epi16(_mm_maddubs_epi16(payload, _mm_set1_epi32(0x00014001)), _mm_set1_epi32(0x10000001));
}

// Eight three-byte characters in the 24 bytes at p, in shortest form (surrogate values
// included): 8 units.
template <bool Swap>
inline bool threeByteRun(const zet8u* p, char* out, std::size_t& i, std::size_t& o) {
    const v128 x0 = shuffle(loadu(p), kTriples), x1 = shuffle(loadu(p + 8), kTriplesAt4);
    const v128 form = _mm_set1_epi32(0x00F0C0C0), want = _mm_set1_epi32(0x00E08080);
    const v128 formed = _mm_and_si128(_mm_cmpeq_epi32(_mm_and_si128(x0, form), want), _mm_cmpeq_epi32(_mm_and_si128(x1, form), want));
    const v128 units = _mm_packus_epi32(tripleValues(x0), tripleValues(x1));
    const v128 shortest = _mm_cmpeq_epi16(_mm_max_epu16(units, splat16(0x800)), units);
    if (bits(_mm_and_si128(formed, shortest)) != 0xFFFF) return false;
    storeu(out + 2 * o, swapIf<Swap>(units));
    i += 24;
    o += 8;
    return true;
}

// ASCII, 16 bytes at a time while they last and there is room.
template <bool Swap>
inline void asciiRun(const zet8u* s, std::size_t n, char* out, std::size_t cap, v128 v, std::size_t& i, std::size_t& o) {
    const v128 z = _mm_setzero_si128();
    do {
        storeu(out + 2 * o, Swap ? _mm_unpacklo_epi8(z, v) : _mm_unpacklo_epi8(v, z));
        storeu(out + 2 * o + 16, Swap ? _mm_unpackhi_epi8(z, v) : _mm_unpackhi_epi8(v, z));
        i += 16;
        o += 16;
    } while (n - i >= 16 && cap - o >= 16 && bits(v = loadu(s + i)) == 0);
}

// One block at s[i]: an ASCII run, eight three-byte characters, or a mixed block of W bytes.
// Needs W + 2 source bytes (and 24) and W units of room.
template <int W, bool Swap, Stores St>
inline bool block(const zet8u* s, std::size_t n, char* out, std::size_t cap, std::size_t& i, std::size_t& o) {
    const v128 v = loadu(s + i);
    if (bits(v) == 0) {
        asciiRun<Swap>(s, n, out, cap, v, i, o);
        return true;
    }
    if (s[i] - 0xE0u < 0x10 && threeByteRun<Swap>(s + i, out, i, o)) return true;
    return mixedBlock<W, Swap, St>(s + i, out, i, o);
}

// Vector blocks from s[i] on while they take the text and there is room for them: true when it
// stopped at a block that no kernel took, false when too little source or room was left.
//
// Run-ahead stores: each 8-unit store of a block begins where the units before it end, so a block
// of k units stores at most 8 units past o + k, and at most 32 past o. The 24 source bytes left
// after the block's 32 give at least 8 more units (no character gives fewer units than a third of
// its bytes), unless the conversion stops for room first, which it does not before cap - 1; so the
// rest of the conversion writes over the surplus. Exact blocks need only their own reads and writes.
template <bool Swap>
[[gnu::noinline]] bool blocks(const zet8u* s, std::size_t n, char* out, std::size_t cap, std::size_t& at, std::size_t& to) {
    // Local positions: the byte stores may alias anything, references would be reloaded after each.
    std::size_t i = at, o = to;
    bool hit;
    do {
        if (n - i >= 88 && cap - o >= 65)
            hit = block<64, Swap, Stores::Ahead>(s, n, out, cap, i, o);
        else if (n - i >= 34 && cap - o >= 32)
            hit = block<32, Swap, Stores::Exact>(s, n, out, cap, i, o);
        else if (n - i >= 24 && cap - o >= 16)
            hit = block<16, Swap, Stores::Exact>(s, n, out, cap, i, o);
        else
            break;
    } while (hit);
    at = i;
    to = o;
    return !hit;
}

template <bool Swap>
Progress utf8To16(const zet8u* s, std::size_t n, zet16u* dst, std::size_t cap) {
    char* out = reinterpret_cast<char*>(dst);
    return drive(
        n, cap, [&](std::size_t& i, std::size_t& o) { return blocks<Swap>(s, n, out, cap, i, o); },
        [&](std::size_t& i, std::size_t& o) { return convertOne<Swap>(s, n, dst, cap, i, o); });
}

}  // namespace

ZetStatus ownConvertUtf8To16Scalar(const zet8u* pSrc, zet32s* pSrcLen, zet16u* pDst, zet32s* pDstLen, zet32s bigEndian) {
    return utf::frame(pSrc, pSrcLen, pDst, pDstLen, [&](std::size_t n, std::size_t cap) {
        return bigEndian ? scalarOnly<true>(pSrc, n, pDst, cap) : scalarOnly<false>(pSrc, n, pDst, cap);
    });
}

}  // namespace zet

using namespace zet;

ZetStatus zetsConvertUTF_8u16u(const zet8u* pSrc, zet32s* pSrcLen, zet16u* pDst, zet32s* pDstLen, zet32s bigEndian) {
    return utf::frame(pSrc, pSrcLen, pDst, pDstLen, [&](std::size_t n, std::size_t cap) {
        return bigEndian ? utf8To16<true>(pSrc, n, pDst, cap) : utf8To16<false>(pSrc, n, pDst, cap);
    });
}
