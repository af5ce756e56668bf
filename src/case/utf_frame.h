// What the two UTF conversion directions (utf8to16.cpp, utf16to8.cpp) share: the driver loop that
// puts vector blocks in front of the scalar rules, exact and run-ahead stores, compaction tables and
// the frame of argument checks around both exported functions.
//
// The driver, and why the results are the scalar rules' own: a vector block converts only
// well-formed characters that end inside it and whose units fit into the destination, and it hands
// over at a character boundary; whatever it is not sure of (a malformed or cut-short sequence, a
// lone surrogate, a form it has no kernel for) makes it convert nothing, and the scalar rules take
// that stretch. On well-formed text the scalar rules split the source into the same characters and
// give the same units, so the split of the work between the two never shows in the output.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "core/simd.h"

namespace zet::utf {

using namespace simd;

struct Progress {
    std::size_t consumed;
    std::size_t written;
};

// ---- shuffles ----

// Shuffle controls built at compile time; -1 clears a byte.
using Shuffle = std::array<std::int8_t, 16>;

inline v128 shuffle(v128 v, const Shuffle& control) { return _mm_shuffle_epi8(v, loadu(control.data())); }

constexpr Shuffle kIdentity = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
constexpr Shuffle kSwapLanes = {1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14};

// Byte swap of every 16-bit lane.
inline v128 swapLanes(v128 v) { return shuffle(v, kSwapLanes); }

template <bool Swap>
inline v128 swapIf(v128 v) {
    if constexpr (Swap) return swapLanes(v);
    return v;
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

// Number of set bits of an 8-bit mask. The library's baseline has no population count
// instruction; a build for a processor that has one uses it.
#if defined(__POPCNT__)
inline unsigned count8(unsigned m) { return static_cast<unsigned>(std::popcount(m)); }
#else
inline constexpr auto kBitCount = [] {
    std::array<std::uint8_t, 256> t{};
    for (int m = 0; m < 256; ++m) t[m] = static_cast<std::uint8_t>(std::popcount(static_cast<unsigned>(m)));
    return t;
}();
inline unsigned count8(unsigned m) { return kBitCount[m]; }
#endif

// ---- stores ----

// How a block stores a vector of which only the first k bytes are output. Exact stores write those k
// bytes and nothing else. Run-ahead stores write all 16 bytes: the block loop of each direction
// allows them only while so much source and room are left that the rest of the conversion is sure
// to write over the surplus, so that in the end, too, nothing lies past the units that the call
// reports as written.
enum class Stores { Exact, Ahead };

// The first k bytes of v at p, 0 <= k <= 16: overlapping pairs of 8-, 4-, 2-byte stores, the second
// of each pair ending at p + k.
inline void storeExact(char* p, v128 v, unsigned k) {
    if (k >= 8) {
        store8(p, v);
        store8(p + k - 8, _mm_shuffle_epi8(v, _mm_add_epi8(loadu(kIdentity.data()), _mm_set1_epi8(static_cast<char>(k - 8)))));
    } else if (k >= 4) {
        store4(p, v);
        store4(p + k - 4, _mm_shuffle_epi8(v, _mm_add_epi8(loadu(kIdentity.data()), _mm_set1_epi8(static_cast<char>(k - 4)))));
    } else if (k >= 2) {
        const auto x = static_cast<std::uint32_t>(_mm_cvtsi128_si32(v));
        const auto head = static_cast<std::uint16_t>(x), tail = static_cast<std::uint16_t>(x >> (8 * (k - 2)));
        std::memcpy(p, &head, 2);
        std::memcpy(p + k - 2, &tail, 2);
    } else if (k == 1) {
        *p = static_cast<char>(_mm_cvtsi128_si32(v));
    }
}

template <Stores S>
inline void put(char* p, v128 v, unsigned k) {
    if constexpr (S == Stores::Ahead)
        storeu(p, v);
    else
        storeExact(p, v, k);
}

// ---- the driver ----

// After a block that no vector kernel takes, the scalar rules go on for `skip` source units before
// the next try; each miss in a row doubles the distance up to this, and a block taken sets it back.
// Text that the kernels never take then costs a try every kMaxSkip units only.
constexpr std::size_t kMinSkip = 8;
constexpr std::size_t kMaxSkip = 64;

// The loop of both directions. blocks(i, o) converts vector blocks for as long as they take the
// text and there is room for them, advancing i and o: true when it stopped at a block that no
// kernel took, false when too little source or room was left for a block (the scalar rules then
// finish). Between tries and at the end, one(i, o) converts one character by the scalar rules
// (false: it does not fit, and the conversion stops).
template <class Blocks, class One>
inline Progress drive(std::size_t n, std::size_t cap, Blocks blocks, One one) {
    std::size_t i = 0, o = 0, retry = 0, skip = kMinSkip;
    while (i < n && o < cap) {
        if (i >= retry) {
            const std::size_t from = i;
            if (!blocks(i, o)) {
                retry = n;
            } else {
                if (i != from) skip = kMinSkip;
                retry = i + skip;
                skip = skip < kMaxSkip ? 2 * skip : kMaxSkip;
            }
            if (i >= n || o >= cap) break;
        }
        const std::size_t stop = retry < n ? retry : n;  // at least one character
        do {
            if (!one(i, o)) return {i, o};
        } while (i < stop && o < cap);
    }
    return {i, o};
}

// Checks and the in/out lengths, common to both directions. Negative lengths are rejected with
// zetStatusBadLength before anything is written (a caller that passes one has lost track of its
// buffers; treating it as 0 would hide that).
template <class S, class D, class Run>
ZetStatus frame(const S* src, zet32s* srcLen, D* dst, zet32s* dstLen, Run run) {
    if (anyNull(src, srcLen, dst, dstLen)) return zetStatusNullPointer;
    if (*srcLen < 0 || *dstLen < 0) return zetStatusBadLength;
    const Progress p = run(static_cast<std::size_t>(*srcLen), static_cast<std::size_t>(*dstLen));
    *srcLen = static_cast<zet32s>(p.consumed);
    *dstLen = static_cast<zet32s>(p.written);
    return zetStatusOk;
}

}  // namespace zet::utf
