// Single-character search: zetsFindC_*, zetsFindRevC_*, zetsFindC_Z_*.
//
// One kernel over vectors of W bytes (Vec<W>), instantiated at the variant's width. The kernels
// work on bytes for both unit widths: a 16-bit unit is one 16-bit lane, and every offset they use
// is a multiple of the unit size, so lanes never straddle units even when a 16-bit string lies at
// an odd address. Strings of up to 2W, 4W or (16-byte vectors) 8W bytes are 2, 4 or 8
// overlapping blocks from both ends under one combined test. Longer strings: the first block of W
// bytes unaligned (searching backwards, the last), then passes of several blocks with one
// combined test from the next W-byte boundary, and the pass that ends exactly at the string's end
// (it may overlap bytes already checked, which cannot hold a hit); a pass with a hit is looked at
// again block by block; the 64-byte variant runs this part on 32-byte vectors. Shorter strings:
// with 64-byte vectors one masked load (of 16 bytes up to 16); otherwise the kernel of half the
// width, down to two overlapping 8-byte or 4-byte loads and single units under 4 bytes. Nothing
// outside the string is read.
#include "search/findc.h"

#include "core/simd.h"

namespace zet {
namespace {

using namespace simd;

// The width of the kernels: every variant's widest vector.
constexpr int kWidth = kVectorBytes;

// The scalar rule; also the kernel for strings of fewer than 4 bytes.
template <CodeUnit T, bool Reverse>
[[gnu::always_inline]] inline int findScalar(const T* src, int len, T val) {
    if constexpr (Reverse) {
        for (int i = len - 1; i >= 0; --i)
            if (getUnit(src, i) == val) return i;
    } else {
        for (int i = 0; i < len; ++i)
            if (getUnit(src, i) == val) return i;
    }
    return -1;
}

// Strings of 4 to 15 bytes: a low and a high load of 8 (or 4) bytes that overlap in the middle.
template <CodeUnit T, bool Reverse>
[[gnu::always_inline]] inline int findShort(const char* base, std::size_t nbytes, v128 key) {
    const bool wide = nbytes >= 8;
    const std::size_t piece = wide ? 8 : 4;
    const unsigned keep = wide ? 0xFFu : 0xFu;
    const std::size_t hiOff = nbytes - piece;
    unsigned lo = bits(cmpeq<T>(wide ? load8(base) : load4(base), key)) & keep;
    unsigned hi = bits(cmpeq<T>(wide ? load8(base + hiOff) : load4(base + hiOff), key)) & keep;
    if constexpr (Reverse) {
        if (hi) return static_cast<int>((hiOff + highBit(hi)) / sizeof(T));
        if (lo) return static_cast<int>(highBit(lo) / sizeof(T));
    } else {
        if (lo) return static_cast<int>(lowBit(lo) / sizeof(T));
        if (hi) return static_cast<int>((hiOff + lowBit(hi)) / sizeof(T));
    }
    return -1;
}

// True when aligned loads keep lanes on unit boundaries (always for bytes).
template <CodeUnit T>
inline bool unitAligned(const void* p) {
    return (addr(p) & (sizeof(T) - 1)) == 0;
}

template <int W, CodeUnit T, bool Reverse>
struct FindC {
    using V = Vec<W>;
    using reg = typename V::reg;
    using mask = typename V::mask;
    // Blocks per pass: 128 bytes for 16-byte vectors, 4 blocks for wider ones.
    static constexpr std::size_t kBlocks = W == 16 ? 8 : 4;
    static constexpr std::size_t kPass = kBlocks * W;

    // Unit index of the first (Reverse: last) hit of a nonzero mask of the block at byte offset off.
    static int at(std::size_t off, mask m) {
        const int bit = Reverse ? highBitOf(m) : lowBitOf(m);
        return static_cast<int>((off + static_cast<std::size_t>(bit) * V::template maskBytes<T>) / sizeof(T));
    }

    template <bool Aligned>
    static reg load(const char* p) {
        if constexpr (Aligned)
            return V::load(p);
        else
            return V::loadu(p);
    }

    // The first (Reverse: last) hit in the K blocks at p + off(k), ascending offsets that may
    // overlap, or -1: one combined test, and block by block only when it finds a hit.
    template <bool Aligned, std::size_t K, class Off>
    [[gnu::always_inline]] static int blocks(const char* base, const char* p, Off off, reg key) {
        // Loads in the direction of the search.
        auto in = [&](std::size_t j) { return load<Aligned>(p + off(Reverse ? K - 1 - j : j)); };
        auto acc = V::template hitFirst<T>(in(0), key);
#pragma GCC unroll 8
        for (std::size_t j = 1; j < K; ++j) acc = V::template hitMore<T>(acc, in(j), key);
        if (!V::template anyHit<T>(acc)) return -1;
        reloadBarrier();
#pragma GCC unroll 8
        for (std::size_t k = 0; k < K; ++k) {
            const std::size_t o = off(Reverse ? K - 1 - k : k);
            if (mask m = V::template eq<T>(load<Aligned>(p + o), key)) return at(static_cast<std::size_t>(p - base) + o, m);
        }
        return -1;
    }

    // The kPass bytes at p.
    template <bool Aligned>
    [[gnu::always_inline]] static int pass(const char* base, const char* p, reg key) {
        return blocks<Aligned, kBlocks>(base, p, [](std::size_t k) { return k * W; }, key);
    }

    // Bytes [off, n) (more than kPass) after the first block; with Aligned, base + off is
    // W-aligned. What is left after the last whole pass is the pass that ends at the string's end.
    template <bool Aligned>
    static int forward(const char* base, std::size_t off, std::size_t n, reg key) {
        const char* p = base + off;
        for (; static_cast<std::size_t>(base + n - p) >= kPass; p += kPass)
            if (const int i = pass<Aligned>(base, p, key); i >= 0) return i;
        return p == base + n ? -1 : pass<false>(base, base + n - kPass, key);
    }

    // Bytes [0, end) before the last block, from the top down; with Aligned, base + end is aligned.
    template <bool Aligned>
    static int backward(const char* base, std::size_t end, reg key) {
        const char* p = base + end;
        for (; static_cast<std::size_t>(p - base) >= kPass; p -= kPass)
            if (const int i = pass<Aligned>(base, p - kPass, key); i >= 0) return i;
        return p == base ? -1 : pass<false>(base, base, key);
    }

    // A string of up to P's width in one masked load (P::eqPart: one bit per unit). No hit gives
    // -1 without a branch: the highest bit of a zero mask is -1, the lowest its width (b | -1).
    template <class P>
    [[gnu::always_inline]] static int masked(const char* base, std::size_t n, T val) {
        const auto m = P::template eqPart<T>(base, n, P::template splat<T>(val));
        if constexpr (Reverse) return highBitOf(m);
        const int low = lowBitOf(m);
        return low | -(low / static_cast<int>(sizeof(m) * 8));
    }

    // Strings of up to a pass.
    [[gnu::always_inline]] static int upToPass(const T* src, int len, T val) {
        const char* base = reinterpret_cast<const char*>(src);
        const std::size_t n = static_cast<std::size_t>(len) * sizeof(T);
        if constexpr (W == 64) {
            if (n <= 16) [[likely]] return masked<Vec<16>>(base, n, val);
            if (n <= W) return masked<V>(base, n, val);
        } else if constexpr (W > 16) {
            if (n < W) return FindC<W / 2, T, Reverse>::upToPass(src, len, val);
        } else {
            if (n < 16) return n < 4 ? findScalar<T, Reverse>(src, len, val) : findShort<T, Reverse>(base, n, splat(val));
        }
        // Overlapping blocks from both ends.
        const reg key = V::template splat<T>(val);
        auto ends = [n](std::size_t k2) { return [n, k2](std::size_t k) { return k < k2 ? k * W : n - (2 * k2 - k) * W; }; };
        if (n <= 2 * W) return blocks<false, 2>(base, base, ends(1), key);
        if constexpr (kBlocks == 8)
            if (n > 4 * W) return blocks<false, 8>(base, base, ends(4), key);
        return blocks<false, 4>(base, base, ends(2), key);
    }

    // Strings of more than a pass (for the 32-byte kernel taking over from the 64-byte one: of
    // more than the 64-byte kernel's pass).
    static int longer(const T* src, int len, T val) {
        const char* base = reinterpret_cast<const char*>(src);
        const std::size_t n = static_cast<std::size_t>(len) * sizeof(T);
        const reg key = V::template splat<T>(val);
        const std::size_t last = n - W;
        if constexpr (Reverse) {
            if (mask m = V::template eq<T>(V::loadu(base + last), key)) return at(last, m);
            // Round the unchecked end up to a W-byte boundary (re-reading part of the last block).
            if (unitAligned<T>(base)) return backward<true>(base, last + ((W - (addr(base + last) & (W - 1))) & (W - 1)), key);
            return backward<false>(base, last, key);
        } else {
            if (mask m = V::template eq<T>(V::loadu(base), key)) return at(0, m);
            // Continue from the next W-byte boundary (re-reading part of the first block).
            if (unitAligned<T>(base)) return forward<true>(base, W - (addr(base) & (W - 1)), n, key);
            return forward<false>(base, W, n, key);
        }
    }

    static bool isShort(int len) { return static_cast<std::size_t>(len) * sizeof(T) <= kPass; }
};

// Strings up to a pass of the variant's vectors, and longer ones: the 64-byte variant searches
// the longer ones with 32-byte vectors, which measured as fast from 4 KiB to memory and faster at
// 1 MiB (0.97 against 1.02 of memchr forwards, 1.11 against 1.19 backwards).
template <CodeUnit T, bool Reverse>
using Kernel = FindC<kWidth, T, Reverse>;
template <CodeUnit T, bool Reverse>
using Long = FindC<kWidth == 64 ? 32 : kWidth, T, Reverse>;

}  // namespace

template <CodeUnit T>
int ownFindC(const T* src, int len, T val) {
    return Kernel<T, false>::isShort(len) ? Kernel<T, false>::upToPass(src, len, val) : Long<T, false>::longer(src, len, val);
}

template <CodeUnit T>
int ownFindRevC(const T* src, int len, T val) {
    return Kernel<T, true>::isShort(len) ? Kernel<T, true>::upToPass(src, len, val) : Long<T, true>::longer(src, len, val);
}

template int ownFindC<zet8u>(const zet8u*, int, zet8u);
template int ownFindC<zet16u>(const zet16u*, int, zet16u);
template int ownFindRevC<zet8u>(const zet8u*, int, zet8u);
template int ownFindRevC<zet16u>(const zet16u*, int, zet16u);

namespace {

// Out of line, so that the registers the search of longer strings needs are not saved and
// restored on every short call.
template <CodeUnit T, bool Reverse>
[[gnu::noinline]] ZetStatus findLonger(const T* src, zet32s len, T val, zet32s* index) {
    *index = Long<T, Reverse>::longer(src, len, val);
    return zetStatusOk;
}

// The checks and the search of strings up to a pass in one function, so that a short call costs
// one test and branch per argument before the first load; longer strings continue out of line.
template <CodeUnit T, bool Reverse>
[[gnu::always_inline]] inline ZetStatus findCounted(const T* src, zet32s len, T val, zet32s* index) {
    if (src == nullptr || index == nullptr || len < 0) [[unlikely]]
        return anyNull(src, index) ? zetStatusNullPointer : zetStatusBadLength;
    if (!Kernel<T, Reverse>::isShort(len)) return findLonger<T, Reverse>(src, len, val, index);
    *index = Kernel<T, Reverse>::upToPass(src, len, val);
    return zetStatusOk;
}

// Zero-terminated form: the length is measured first; searching for 0 finds the terminator.
template <CodeUnit T>
ZetStatus findCZ(const T* src, T val, zet32s* index) {
    if (anyNull(src, index)) return zetStatusNullPointer;
    const int len = ownLengthZ(src);
    *index = val == 0 ? len : ownFindC(src, len, val);
    return zetStatusOk;
}

}  // namespace
}  // namespace zet

using namespace zet;

// Entry points on a cache line boundary: a short call takes a few nanoseconds, and where its
// branches fall relative to the fetch blocks then no longer depends on what else the library holds.
[[gnu::aligned(64)]] ZetStatus zetsFindC_8u(const zet8u* pSrc, zet32s len, zet8u valFind, zet32s* pIndex) {
    return findCounted<zet8u, false>(pSrc, len, valFind, pIndex);
}
[[gnu::aligned(64)]] ZetStatus zetsFindC_16u(const zet16u* pSrc, zet32s len, zet16u valFind, zet32s* pIndex) {
    return findCounted<zet16u, false>(pSrc, len, valFind, pIndex);
}
[[gnu::aligned(64)]] ZetStatus zetsFindRevC_8u(const zet8u* pSrc, zet32s len, zet8u valFind, zet32s* pIndex) {
    return findCounted<zet8u, true>(pSrc, len, valFind, pIndex);
}
[[gnu::aligned(64)]] ZetStatus zetsFindRevC_16u(const zet16u* pSrc, zet32s len, zet16u valFind, zet32s* pIndex) {
    return findCounted<zet16u, true>(pSrc, len, valFind, pIndex);
}
[[gnu::aligned(64)]] ZetStatus zetsFindC_Z_8u(const zet8u* pSrc, zet8u valFind, zet32s* pIndex) { return findCZ(pSrc, valFind, pIndex); }
[[gnu::aligned(64)]] ZetStatus zetsFindC_Z_16u(const zet16u* pSrc, zet16u valFind, zet32s* pIndex) { return findCZ(pSrc, valFind, pIndex); }
