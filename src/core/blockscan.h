// Block scanning shared by the set searches and the trims: a string is looked at 16 bytes at a
// time by a caller-supplied test, and sets of code units are held in registers or read as
// 16-byte pieces. Nothing outside the string or the set is ever read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/simd.h"

namespace zet::simd {

// The nbytes < 16 bytes at p in the low bytes of a register, the rest zero, read in pieces of
// 8, 4, 2 and 1 bytes so that nothing after p[nbytes - 1] is touched.
inline v128 gather(const char* p, std::size_t nbytes) {
    std::uint64_t low = 0, rest = 0;
    if (nbytes & 8) std::memcpy(&low, p, 8), p += 8;
    int shift = 0;
    if (nbytes & 4) {
        std::uint32_t x;
        std::memcpy(&x, p, 4);
        rest = x, p += 4, shift = 32;
    }
    if (nbytes & 2) {
        std::uint16_t x;
        std::memcpy(&x, p, 2);
        rest |= std::uint64_t{x} << shift, p += 2, shift += 16;
    }
    if (nbytes & 1) rest |= std::uint64_t{static_cast<std::uint8_t>(*p)} << shift;
    // Built in general registers: a register assembled through memory would wait for the stores.
    const std::uint64_t high = nbytes & 8 ? rest : 0;
    if (!(nbytes & 8)) low = rest;
    return _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
}

// The first min(n, lanes) members of a set (n >= 1) in one register; lanes past the n-th hold
// copies of the last member, so every lane is a member and a comparison may use all of them.
template <CodeUnit T>
inline v128 paddedSet(const T* set, int n) {
    if (n >= kLanes<T>) return loadu(set);
    const int nbytes = n * static_cast<int>(sizeof(T));
    const v128 members = gather(reinterpret_cast<const char*>(set), static_cast<std::size_t>(nbytes));
    const v128 byteIndex = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const v128 past = _mm_cmpgt_epi8(byteIndex, _mm_set1_epi8(static_cast<char>(nbytes - 1)));
    return _mm_blendv_epi8(members, splat(getUnit(set, n - 1)), past);
}

// The 16-byte piece of a set of nbytes >= 16 bytes that starts at byte off; the last piece is
// the one that ends at the set's end (it repeats members of the piece before, which is harmless
// for membership).
inline v128 setPiece(const char* set, std::size_t nbytes, std::size_t off) {
    return loadu(set + (off + 16 <= nbytes ? off : nbytes - 16));
}

// Index of the first (Reverse: last) unit of src[0, len) that `hits` reports, or -1.
//
// hits(block, units) returns the byte mask (bit i for byte i, nothing above bit 15) of the
// units it looks for among the first `units` units of the block; the result for a unit must not
// depend on its neighbours. Whole blocks are taken from the start (Reverse: from the end); the
// last block is the one that ends at the string's end (Reverse: starts at its start), and the
// units it shares with the block before were already found not to hit. A string shorter than 16
// bytes is gathered into one zero-filled register and whatever is reported past its end is
// ignored.
//
// Always inlined, so that hits keeps the instruction set of the kernel that calls the scan.
template <CodeUnit T, bool Reverse, class Hits>
[[gnu::always_inline]] inline int scanBlocks(const T* src, int len, Hits&& hits) {
    const char* base = reinterpret_cast<const char*>(src);
    const std::size_t nbytes = static_cast<std::size_t>(len) * sizeof(T);
    auto at = [](std::size_t off, unsigned m) {
        return static_cast<int>((off + static_cast<std::size_t>(Reverse ? highBit(m) : lowBit(m))) / sizeof(T));
    };
    if (nbytes < 16) {
        const unsigned m = hits(gather(base, nbytes), len) & ((1u << nbytes) - 1);
        return m ? at(0, m) : -1;
    }
    constexpr int lanes = kLanes<T>;
    if constexpr (Reverse) {
        std::size_t end = nbytes;
        for (; end >= 16; end -= 16)
            if (unsigned m = hits(loadu(base + end - 16), lanes)) return at(end - 16, m);
        if (end > 0)
            if (unsigned m = hits(loadu(base), lanes)) return at(0, m);
    } else {
        std::size_t off = 0;
        for (; off + 16 <= nbytes; off += 16)
            if (unsigned m = hits(loadu(base + off), lanes)) return at(off, m);
        if (off < nbytes)
            if (unsigned m = hits(loadu(base + nbytes - 16), lanes)) return at(nbytes - 16, m);
    }
    return -1;
}

}  // namespace zet::simd
