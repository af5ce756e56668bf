// Comparison and equality: zetsCompare_*, zetsCompareIgnoreCaseLatin_*, zetsCompareIgnoreCase_16u,
// zetsEqual_*.
//
// Every vector kernel is one scan for the first differing byte of two strings of equal length,
// after an optional fold of both blocks (identity for the plain forms, A..Z to a..z for the
// caseless ones). Bytes are compared even for 16-bit units: the lowest differing byte lies in the
// first differing unit, so its offset divided by the unit size is that unit's index, and the
// plain scan need not keep lanes on unit boundaries. The ordering value is then computed from the
// two scalar units at that index.
//
// The scan is one template over vectors of W bytes (Vec<W>), instantiated at the variant's width.
// Strings of up to 2W (4W) bytes are two (four) overlapping blocks from both ends under one
// combined test. Longer ones compare their first block unaligned, then continue from the second
// string's next W-byte boundary (when lanes stay on unit boundaries), four blocks per pass with one
// combined test, and end with the pass that ends exactly at the strings' end (it may overlap
// bytes already found equal); the 64-byte variant runs this part on 32-byte vectors. Shorter
// strings: with 64-byte vectors one masked load of each; otherwise the scan of half the width,
// down to two overlapping 8-byte or 4-byte pieces, or 1 to 3 bytes gathered into a register.
// Nothing outside the two strings is read.
#include "search/compare.h"

#include "case/case_table.h"
#include "core/simd.h"

namespace zet {
namespace {

using namespace simd;

constexpr int kWidth = kVectorBytes;

const char* bytesOf(const void* p) { return static_cast<const char*>(p); }

// Byte width of a vector register type.
template <class R>
inline constexpr int kRegBytes = static_cast<int>(sizeof(R));

// Lanes of the plain comparison may be bytes; the Latin fold works on whole units.
struct NoFold {
    static constexpr std::size_t kLaneBytes = 1;
    template <class R>
    R operator()(R x) const { return x; }
};

// A..Z to a..z, on vectors of any width and on single units.
template <CodeUnit T>
struct LatinFold {
    static constexpr std::size_t kLaneBytes = sizeof(T);
    template <class R>
    R operator()(R x) const { return Vec<kRegBytes<R>>::template addInRange<T>(x, 'A', 'Z' - 'A', 'a' - 'A'); }
    T operator()(T c) const { return c >= 'A' && c <= 'Z' ? static_cast<T>(c + ('a' - 'A')) : c; }
};

// Bits of the bytes that differ between two (folded) 16-byte vectors.
template <class Fold>
inline unsigned diffBits(v128 x, v128 y, const Fold& fold) {
    return ~bits(_mm_cmpeq_epi8(fold(x), fold(y))) & 0xFFFFu;
}

// 1 to 3 bytes in the low lanes of a vector, the rest zero.
inline v128 gather(const char* p, std::size_t n) {
    unsigned x = 0;
    for (std::size_t i = 0; i < n; ++i) x |= static_cast<unsigned>(static_cast<unsigned char>(p[i])) << (8 * i);
    return _mm_cvtsi32_si128(static_cast<int>(x));
}

// Strings of fewer than 16 bytes.
template <class Fold>
[[gnu::always_inline]] inline std::size_t firstDiffShort(const char* a, const char* b, std::size_t n, const Fold& fold) {
    if (n >= 4) {
        const bool wide = n >= 8;
        const std::size_t piece = wide ? 8 : 4;
        const unsigned keep = wide ? 0xFFu : 0xFu;
        auto load = [wide](const char* p) { return wide ? load8(p) : load4(p); };
        if (unsigned m = diffBits(load(a), load(b), fold) & keep) return lowBit(m);
        const std::size_t hi = n - piece;
        if (unsigned m = diffBits(load(a + hi), load(b + hi), fold) & keep) return hi + lowBit(m);
        return n;
    }
    if (unsigned m = diffBits(gather(a, n), gather(b, n), fold) & ((1u << n) - 1)) return lowBit(m);
    return n;
}

template <int W, class Fold>
struct Diff {
    using V = Vec<W>;
    // Blocks per pass.
    static constexpr std::size_t kBlocks = 4;
    static constexpr std::size_t kPass = kBlocks * W;

    // The first differing byte of the K pairs of blocks at a + off(k), b + off(k) (ascending
    // offsets that may overlap), or n: one combined test, and block by block only when it fails.
    // With Aligned, every b + off(k) is W-aligned.
    template <bool Aligned, std::size_t K, class Off>
    [[gnu::always_inline]] static std::size_t blocks(const char* a, const char* b, Off off, std::size_t n, const Fold& fold) {
        auto loadB = [b](std::size_t o) { return Aligned ? V::load(b + o) : V::loadu(b + o); };
        auto same = V::sameFirst(fold(V::loadu(a + off(0))), fold(loadB(off(0))));
#pragma GCC unroll 8
        for (std::size_t k = 1; k < K; ++k) same = V::sameMore(same, fold(V::loadu(a + off(k))), fold(loadB(off(k))));
        if (V::allSame(same)) return n;
        reloadBarrier();
#pragma GCC unroll 8
        for (std::size_t k = 0; k < K; ++k)
            if (auto m = V::ne8(fold(V::loadu(a + off(k))), fold(loadB(off(k))))) return off(k) + static_cast<std::size_t>(lowBitOf(m));
        return n;
    }

    template <bool Aligned>
    [[gnu::always_inline]] static std::size_t pass(const char* a, const char* b, std::size_t o, std::size_t n, const Fold& fold) {
        return blocks<Aligned, kBlocks>(a, b, [o](std::size_t k) { return o + k * W; }, n, fold);
    }

    // Bytes [o, n) (more than a pass; [0, o) equal); with Aligned, b + o is W-aligned. What is left
    // after the last whole pass is the pass that ends at the strings' end.
    template <bool Aligned>
    static std::size_t from(const char* a, const char* b, std::size_t o, std::size_t n, const Fold& fold) {
        for (; o + kPass <= n; o += kPass)
            if (const std::size_t d = pass<Aligned>(a, b, o, n, fold); d != n) return d;
        return o == n ? n : pass<false>(a, b, n - kPass, n, fold);
    }

    // Strings of up to P's width in one masked load of each.
    template <class P>
    [[gnu::always_inline]] static std::size_t masked(const char* a, const char* b, std::size_t n, const Fold& fold) {
        const auto m = P::ne8(fold(P::loadPart(a, n)), fold(P::loadPart(b, n)));
        return m ? static_cast<std::size_t>(lowBitOf(m)) : n;
    }

    // Byte offset of the first byte at which the folded strings differ, or n; n <= kPass.
    [[gnu::always_inline]] static std::size_t upToPass(const char* a, const char* b, std::size_t n, const Fold& fold) {
        if constexpr (W == 64) {
            if (n <= 16) [[likely]] return masked<Vec<16>>(a, b, n, fold);
            if (n <= W) return masked<V>(a, b, n, fold);
        } else if constexpr (W > 16) {
            if (n < W) return Diff<W / 2, Fold>::upToPass(a, b, n, fold);
        } else {
            if (n < 16) return firstDiffShort(a, b, n, fold);
        }
        // Overlapping blocks from both ends.
        if (n <= 2 * W) return blocks<false, 2>(a, b, [n](std::size_t k) { return k == 0 ? 0 : n - W; }, n, fold);
        return blocks<false, 4>(a, b, [n](std::size_t k) { return k < 2 ? k * W : n - (4 - k) * W; }, n, fold);
    }

    // The same for n > kPass: the first block, then from b's next W-byte boundary, unless that
    // would split a unit across lanes.
    static std::size_t longer(const char* a, const char* b, std::size_t n, const Fold& fold) {
        if (auto m = V::ne8(fold(V::loadu(a)), fold(V::loadu(b)))) return static_cast<std::size_t>(lowBitOf(m));
        if (addr(b) % Fold::kLaneBytes == 0) return from<true>(a, b, W - (addr(b) & (W - 1)), n, fold);
        return from<false>(a, b, W, n, fold);
    }
};

// Strings longer than a pass: the 64-byte variant scans them with 32-byte vectors, which measured
// faster from 4 KiB in the first level cache to memory (one string is unaligned, and a 64-byte
// load of it always spans two cache lines).
template <class Fold>
using Short = Diff<kWidth, Fold>;
template <class Fold>
using Long = Diff<kWidth == 64 ? 32 : kWidth, Fold>;

// Index of the first unit at which the folded strings differ, or len.
template <CodeUnit T, class Fold, bool Longer>
[[gnu::always_inline]] inline int firstDiffUnit(const T* s1, const T* s2, int len, const Fold& fold) {
    const std::size_t n = static_cast<std::size_t>(len) * sizeof(T);
    const std::size_t d = Longer ? Long<Fold>::longer(bytesOf(s1), bytesOf(s2), n, fold) : Short<Fold>::upToPass(bytesOf(s1), bytesOf(s2), n, fold);
    return static_cast<int>(d / sizeof(T));
}

// What the exported forms report for the first differing unit i (len when none): equality, or the
// difference of the (folded) units there.
template <CodeUnit T, class Fold, bool Equality>
[[gnu::always_inline]] inline int result(const T* s1, const T* s2, int len, int i, const Fold& fold) {
    if constexpr (Equality)
        return i == len ? 1 : 0;
    else if constexpr (std::is_same_v<Fold, NoFold>)
        return i == len ? 0 : static_cast<int>(getUnit(s1, i)) - static_cast<int>(getUnit(s2, i));
    else
        return i == len ? 0 : static_cast<int>(fold(getUnit(s1, i))) - static_cast<int>(fold(getUnit(s2, i)));
}

// Unicode fold through the case table, one unit at a time; units that are already equal need no
// lookup, since equal units fold to equal units.
int compareUnicode(const zet16u* s1, const zet16u* s2, int len) {
    for (int i = 0; i < len; ++i) {
        const zet16u x = getUnit(s1, i), y = getUnit(s2, i);
        if (x == y) continue;
        if (const int d = static_cast<int>(ownCaseLower(x)) - static_cast<int>(ownCaseLower(y))) return d;
    }
    return 0;
}

}  // namespace

template <CodeUnit T>
int ownMismatch(const T* src1, const T* src2, int len) {
    if (static_cast<std::size_t>(len) * sizeof(T) <= Short<NoFold>::kPass) return firstDiffUnit<T, NoFold, false>(src1, src2, len, NoFold{});
    return firstDiffUnit<T, NoFold, true>(src1, src2, len, NoFold{});
}

template int ownMismatch<zet8u>(const zet8u*, const zet8u*, int);
template int ownMismatch<zet16u>(const zet16u*, const zet16u*, int);

namespace {

// Out of line, so that the registers the scan of longer strings needs are not saved and restored
// on every short call.
template <CodeUnit T, class Fold, bool Equality>
[[gnu::noinline]] ZetStatus compareLonger(const T* s1, const T* s2, zet32s len, zet32s* out) {
    *out = result<T, Fold, Equality>(s1, s2, len, firstDiffUnit<T, Fold, true>(s1, s2, len, Fold{}), Fold{});
    return zetStatusOk;
}

// The checks and the scan of strings up to a pass in one function, so that a short call costs
// one test and branch per argument before the first load; longer strings continue out of line.
template <CodeUnit T, class Fold, bool Equality = false>
[[gnu::always_inline]] inline ZetStatus compareChecked(const T* s1, const T* s2, zet32s len, zet32s* out) {
    if (s1 == nullptr || s2 == nullptr || out == nullptr || len < 0) [[unlikely]]
        return anyNull(s1, s2, out) ? zetStatusNullPointer : zetStatusBadLength;
    if (static_cast<std::size_t>(len) * sizeof(T) > Short<Fold>::kPass) return compareLonger<T, Fold, Equality>(s1, s2, len, out);
    *out = result<T, Fold, Equality>(s1, s2, len, firstDiffUnit<T, Fold, false>(s1, s2, len, Fold{}), Fold{});
    return zetStatusOk;
}

}  // namespace
}  // namespace zet

using namespace zet;

// Entry points on a cache line boundary: a short call takes a few nanoseconds, and where its
// branches fall relative to the fetch blocks then no longer depends on what else the library holds.
[[gnu::aligned(64)]] ZetStatus zetsCompare_8u(const zet8u* pSrc1, const zet8u* pSrc2, zet32s len, zet32s* pResult) {
    return compareChecked<zet8u, NoFold>(pSrc1, pSrc2, len, pResult);
}
[[gnu::aligned(64)]] ZetStatus zetsCompare_16u(const zet16u* pSrc1, const zet16u* pSrc2, zet32s len, zet32s* pResult) {
    return compareChecked<zet16u, NoFold>(pSrc1, pSrc2, len, pResult);
}
[[gnu::aligned(64)]] ZetStatus zetsCompareIgnoreCaseLatin_8u(const zet8u* pSrc1, const zet8u* pSrc2, zet32s len, zet32s* pResult) {
    return compareChecked<zet8u, LatinFold<zet8u>>(pSrc1, pSrc2, len, pResult);
}
[[gnu::aligned(64)]] ZetStatus zetsCompareIgnoreCaseLatin_16u(const zet16u* pSrc1, const zet16u* pSrc2, zet32s len, zet32s* pResult) {
    return compareChecked<zet16u, LatinFold<zet16u>>(pSrc1, pSrc2, len, pResult);
}
[[gnu::aligned(64)]] ZetStatus zetsCompareIgnoreCase_16u(const zet16u* pSrc1, const zet16u* pSrc2, zet32s len, zet32s* pResult) {
    if (anyNull(pSrc1, pSrc2, pResult)) return zetStatusNullPointer;
    if (len < 0) return zetStatusBadLength;
    *pResult = compareUnicode(pSrc1, pSrc2, len);
    return zetStatusOk;
}
[[gnu::aligned(64)]] ZetStatus zetsEqual_8u(const zet8u* pSrc1, const zet8u* pSrc2, zet32s len, zet32s* pResult) {
    return compareChecked<zet8u, NoFold, true>(pSrc1, pSrc2, len, pResult);
}
[[gnu::aligned(64)]] ZetStatus zetsEqual_16u(const zet16u* pSrc1, const zet16u* pSrc2, zet32s len, zet32s* pResult) {
    return compareChecked<zet16u, NoFold, true>(pSrc1, pSrc2, len, pResult);
}
