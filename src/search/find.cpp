// Substring search: zetsFind_*, zetsFindRev_*, zetsFind_Z_*.
//
// Needles of one unit are the single-character search. Longer needles go through a two-unit
// filter, written once for both widths and for blocks of W bytes: a candidate position i
// (0 <= i <= len - lenFind) qualifies when src[i + a] and src[i + b] are the needle's units a and
// b, two of its rarest by a fixed ranking of text bytes (the first and the last unit when no unit
// is rarer); a block of candidates costs two loads, two compares and a mask test. Qualifying
// candidates are verified lowest first (forward) or highest first (backward), and the first that
// verifies is the result: one more unit inline, then the equality kernel.
//
// A range of candidates is filtered four blocks per pass, with one test of the merged hits (the
// rare pass with a hit is filtered again block by block), then block by block, and the
// candidates left over are taken from a block placed to end at the range's end (or, where that
// would leave the text, at the last candidate) with the others masked off. While unit a stays
// rare in the text, passes are first tested on it alone, at one load and compare a block (with
// 16-byte vectors from aligned loads, which the compares take straight from memory). Texts
// with fewer candidates than a block holds are filtered in one step on the text's first and last
// block (a text shorter than a block: on a zero-padded copy); with 32-byte vectors they take the
// 16-byte kernel. W is 16 in the baseline and 32 in the wider variants: 64-byte blocks measured
// slower on processors that split them in two, so the AVX-512 variant reuses the 32-byte kernel.
//
// Long needles without a rare unit are sampled first in long texts. The candidates are cut into
// windows of lenFind - 7 (8-bit) or lenFind - 3 (16-bit); every occurrence that starts in a
// window holds the 8 bytes that start at the window's last candidate, at a place inside the
// needle. Those bytes are looked up in a bit set of the hashes of all the needle's 8-byte pieces,
// and only windows whose sample may be one of them are filtered: on text that shares few such
// pieces with the needle, one look-up passes over a whole window. Windows are taken in order
// (backward: from the end), so the first occurrence found is still the lowest (highest).
// Nothing outside the text and the needle is read.
#include "search/find.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <type_traits>

#include "core/simd.h"
#include "search/compare.h"
#include "search/findc.h"
#include "search/wide.h"

namespace zet {
namespace {

using namespace simd;

// Vector width of the filter in this variant.
inline constexpr int kFindBytes = kVectorBytes > 32 ? 32 : kVectorBytes;
static_assert(kFindBytes == 16 || kFindBytes == 32);

// How common a byte is in text, from 0 (rare) up: the filter compares the needle's two rarest
// units, so that on text few candidates pass it. Letters, digits, blanks and punctuation in
// order of their frequency in English and program text, then bytes of other scripts' UTF-8
// forms, then everything else. Only speed depends on it.
constexpr std::array<std::uint8_t, 256> kByteRank = [] {
    std::array<std::uint8_t, 256> rank{};
    for (int b = 0x80; b < 0x100; ++b) rank[b] = 40;
    rank[0] = 30;
    // From rare to common.
    const char common[] = "`~^|\\@$%#&*+<>[]{}=!?;:_/\"'()ZQJXVKYUWOGLNFMHBDCRIPEATS9876543210-"
                          "zqxjkvbpygfwmucldrhsnioate\r\n,.\t ";
    for (int i = 0; common[i] != 0; ++i)
        rank[static_cast<unsigned char>(common[i])] = static_cast<std::uint8_t>(50 + i * 2);
    return rank;
}();

// Rank of a 16-bit unit outside the byte range: as a letter of middling frequency.
inline constexpr int kWideUnitRank = 120;

template <CodeUnit T>
inline int rankOf(T u) {
    if constexpr (sizeof(T) == 1)
        return kByteRank[u];
    else
        return u < 256 ? kByteRank[u] : kWideUnitRank;
}

// The needle's units that the filter compares (offsets a and b) and the one that verification
// looks at first (c, unless the needle has only two units): the two rarest among the first unit,
// the last and up to kProbeScan - 1 units spread evenly between them, or, in a longer needle
// where those are all lower-case letters and blanks, the first other unit and the rarest of
// them. On equal ranks the first unit comes first, then the last, then the others in order, so
// that a needle of units of one rank (say, of a script outside Latin-1) is filtered by its first
// and last unit.
struct Probes {
    int a, b, c;
    bool rare;  // whether unit a is rarer than every lower-case letter
};

inline constexpr int kProbeScan = 16;

// The first of the needle's first 256 units that is not a lower-case letter, a space, a comma,
// a full stop or a line feed, or -1: what the spread of chooseProbes may step over in a long
// needle.
template <CodeUnit T>
int firstUncommon(const T* find, int lenFind) {
    const int n = std::min(lenFind, 256);
    auto common = [](T u) { return (u >= 'a' && u <= 'z') || u == ' ' || u == ',' || u == '.' || u == '\n'; };
    constexpr int lanes = kLanes<T>;
    int pos = 0;
    if (n >= lanes) {
        // Lower-case letters moved to the bottom of the signed range, then compared.
        const v128 shift = splat<T>(static_cast<T>((sizeof(T) == 1 ? 0x80 : 0x8000) - 'a'));
        const v128 belowZ = splat<T>(static_cast<T>((sizeof(T) == 1 ? 0x80 : 0x8000) + 26));
        auto uncommon = [&](v128 u) {
            v128 c = cmpgt<T>(belowZ, add<T>(u, shift));
            for (const T blank : {T{' '}, T{','}, T{'.'}, T{'\n'}}) c = _mm_or_si128(c, cmpeq<T>(u, splat<T>(blank)));
            return ~bits(c) & 0xFFFFu;
        };
        for (; pos + lanes <= n; pos += lanes)
            if (const unsigned m = uncommon(loadu(find + pos))) return pos + lowBit(m) / static_cast<int>(sizeof(T));
    }
    for (; pos < n; ++pos)
        if (!common(getUnit(find, pos))) return pos;
    return -1;
}

template <CodeUnit T>
Probes chooseProbes(const T* find, int lenFind) {
    const int last = lenFind - 1, step = last / kProbeScan + 1;
    // Keys rank:order, compared whole: order 0 for the first unit, 1 for the last and k + 1 for
    // unit k * step. The two smallest are kept without branches.
    auto key = [find](int pos, int order) {
        return static_cast<unsigned>(rankOf(getUnit(find, pos))) << 8 | static_cast<unsigned>(order);
    };
    unsigned k1 = key(0, 0), k2 = key(last, 1);
    if (k2 < k1) std::swap(k1, k2);
    for (int order = 2, pos = step; pos < last; ++order, pos += step) {
        const unsigned k = key(pos, order), high = std::max(k1, k);
        k1 = std::min(k1, k);
        k2 = std::min(k2, high);
    }
    auto offset = [last, step](unsigned k) {
        const int order = static_cast<int>(k & 0xFF);
        return order == 1 ? last : order == 0 ? 0 : (order - 1) * step;
    };
    int a = offset(k1), b = offset(k2);
    // A long needle whose spread found only common units may hold a rarer one in between.
    if (step > 1 && rankOf(getUnit(find, a)) >= kByteRank['z'])
        if (const int p = firstUncommon(find, lenFind); p >= 0 && rankOf(getUnit(find, p)) < rankOf(getUnit(find, a)))
            b = a, a = p;
    int c = 0;
    while (c == a || c == b) ++c;
    return {a, b, c, rankOf(getUnit(find, a)) < kByteRank['z']};
}

// The two-unit filter of one needle (at least two units long) over one text.
template <CodeUnit T, int W>
class Filter {
public:
    using V = Vec<W>;
    using M = typename V::mask;
    static constexpr int kBlock = kUnits<T, W>;    // candidates per block
    static constexpr int kPass = 4;  // blocks per pass
    // Passes with unit a that the first gear tolerates: kRareStrikes, and one per kRareGap passes.
    static constexpr int kRareStrikes = 4, kRareGap = 16;

    Filter(const T* src, int len, const T* find, int lenFind, Probes p)
        : src_(src), find_(find), len_(len), lenFind_(lenFind), a_(p.a), b_(p.b), c_(p.c),
          checkUnit_(getUnit(find, p.c < lenFind ? p.c : 0)), keyA_(V::template splat<T>(getUnit(find, p.a))),
          keyB_(V::template splat<T>(getUnit(find, p.b))) {}

    int candidates() const { return len_ - lenFind_ + 1; }

    // Candidates i .. i + kBlock - 1 (all must exist) that pass the filter.
    Hits<W> hits(int i) const { return eqBoth<T, W>(V::loadu(src_ + i + a_), keyA_, V::loadu(src_ + i + b_), keyB_); }
    M block(int i) const { return maskOf<T, W>(hits(i)); }

    // Whether any of the kPass blocks from candidate i has a candidate that passes the filter
    // (Rare: whose unit a matches, one load and compare a block).
    template <bool Rare, bool Aligned = false>
    bool passHits(int i) const {
        auto one = [this](int j) {
            if constexpr (Aligned)
                return eqHits<T, W>(V::load(src_ + j + a_), keyA_);
            else if constexpr (Rare)
                return eqHits<T, W>(V::loadu(src_ + j + a_), keyA_);
            else
                return hits(j);
        };
        Hits<W> any = one(i);
        for (int k = 1; k < kPass; ++k) any = merge<W>(any, one(i + k * kBlock));
        return maskOf<T, W>(any) != 0;
    }

    // The first pass from candidate i (the last before candidate i) of those that fit in
    // [i, hi) ([lo, i)) that passHits, or where they end. The loop calls nothing, so that the
    // keys stay in registers; the rare pass with a hit is filtered block by block by the caller.
    template <bool Rare>
    int skipForward(int i, int hi) const {
        constexpr int P = kPass * kBlock;
        if constexpr (Rare && W == 16) {
            // 16-byte compares take an aligned block straight from memory: after one pass from i,
            // the candidates move up to where unit a's loads are aligned (where units allow it).
            if (hi - i >= P && addr(src_ + i + a_) % sizeof(T) == 0) {
                if (passHits<true>(i)) return i;
                i += static_cast<int>((16 - addr(src_ + i + a_) % 16) % 16 / sizeof(T));
                for (const int end = hi - P; i <= end && !passHits<true, true>(i);) i += P;
                return i;
            }
        }
        for (const int end = hi - P; i <= end && !passHits<Rare>(i);) i += P;
        return i;
    }
    template <bool Rare>
    int skipBackward(int lo, int i) const {
        constexpr int P = kPass * kBlock;
        if constexpr (Rare && W == 16) {
            if (i - lo >= P && addr(src_ + i + a_) % sizeof(T) == 0) {
                if (passHits<true>(i - P)) return i;
                i -= static_cast<int>(addr(src_ + i + a_) % 16 / sizeof(T));
                for (const int end = lo + P; i >= end && !passHits<true, true>(i - P);) i -= P;
                return i;
            }
        }
        for (const int end = lo + P; i >= end && !passHits<Rare>(i - P);) i -= P;
        return i;
    }

    // The lowest / highest candidate of the pass from candidate i that verifies.
    int lowestInPass(int i) const {
        for (int k = 0; k < kPass; ++k)
            if (const int r = lowest(i + k * kBlock, block(i + k * kBlock)); r >= 0) return r;
        return -1;
    }
    int highestInPass(int i) const {
        for (int k = kPass - 1; k >= 0; --k)
            if (const int r = highest(i + k * kBlock, block(i + k * kBlock)); r >= 0) return r;
        return -1;
    }

    // All candidates that pass the filter, for texts with fewer than kBlock candidates.
    M few() const {
        const int n = candidates();
        if (len_ >= kBlock) return atOffset(a_, keyA_) & atOffset(b_, keyB_) & unitsBelow<T, W>(n);
        static_assert(W == 16, "wider kernels hand short texts to the 16-byte one");
        alignas(16) T copy[kBlock] = {};
        std::memcpy(copy, src_, static_cast<std::size_t>(len_) * sizeof(T));
        const typename V::reg text = V::load(copy);
        constexpr int step = kStep<T, W>;
        const M f = V::template eq<T>(text, keyA_) >> (a_ * step);
        const M l = V::template eq<T>(text, keyB_) >> (b_ * step);
        return f & l & unitsBelow<T, W>(n);
    }

    // Whether the needle occurs at candidate i, whose units a and b are known to match. Unit c
    // is looked at first: it rejects most candidates without a call.
    bool verify(int i) const {
        if (lenFind_ == 2) return true;
        return getUnit(src_ + i, c_) == checkUnit_ && (lenFind_ == 3 || ownEqual(src_ + i, find_, lenFind_));
    }

    // The lowest / highest candidate of a block mask (unit 0 for candidate base) that verifies.
    int lowest(int base, M m) const {
        for (; m; m = withoutLow<T, W>(m))
            if (const int i = base + lowUnit<T, W>(m); verify(i)) return i;
        return -1;
    }
    int highest(int base, M m) const {
        for (; m; m = withoutHigh<T, W>(m))
            if (const int i = base + highUnit<T, W>(m); verify(i)) return i;
        return -1;
    }

    // The lowest / highest candidate in [lo, hi) that verifies, for texts of at least kBlock
    // candidates. Passes are first tested on unit a alone (the rarer unit: one load and compare
    // a block instead of two), until that unit turns out to be common here (in more than about
    // one pass of 16), then on both. (Bounds are compared as differences, so that nothing passes
    // INT_MAX.)
    int lowestIn(int lo, int hi, bool rareGear) const {
        constexpr int B = kBlock, P = kPass * kBlock;
        int i = lo;
        for (int found = 0; rareGear && (i = skipForward<true>(i, hi)) <= hi - P;) {
            if (const int r = lowestInPass(i); r >= 0) return r;
            i += P;
            if (++found > kRareStrikes + (i - lo) / (kRareGap * P)) break;
        }
        for (; (i = skipForward<false>(i, hi)) <= hi - P; i += P)
            if (const int r = lowestInPass(i); r >= 0) return r;
        for (; hi - i >= B; i += B)
            if (const M m = block(i))
                if (const int r = lowest(i, m); r >= 0) return r;
        if (i == hi) return -1;
        const int base = std::min(i, candidates() - B);
        return lowest(base, block(base) & unitsBelow<T, W>(hi - base) & ~unitsBelow<T, W>(i - base));
    }
    int highestIn(int lo, int hi, bool rareGear) const {
        constexpr int B = kBlock, P = kPass * kBlock;
        int i = hi;  // candidates from i on are rejected
        for (int found = 0; rareGear && (i = skipBackward<true>(lo, i)) >= lo + P;) {
            if (const int r = highestInPass(i - P); r >= 0) return r;
            i -= P;
            if (++found > kRareStrikes + (hi - i) / (kRareGap * P)) break;
        }
        for (; (i = skipBackward<false>(lo, i)) >= lo + P; i -= P)
            if (const int r = highestInPass(i - P); r >= 0) return r;
        for (; i - lo >= B; i -= B)
            if (const M m = block(i - B))
                if (const int r = highest(i - B, m); r >= 0) return r;
        if (i == lo) return -1;
        const int base = std::min(lo, candidates() - B);
        return highest(base, block(base) & unitsBelow<T, W>(i - base) & ~unitsBelow<T, W>(lo - base));
    }

private:
    // For texts of at least kBlock units: bit k of the result (unit k) tells whether unit
    // k + off of the text equals the key, for every candidate k.
    M atOffset(int off, typename V::reg key) const {
        if (off + kBlock <= len_) return V::template eq<T>(V::loadu(src_ + off), key);
        const int from = len_ - kBlock;
        return V::template eq<T>(V::loadu(src_ + from), key) >> ((off - from) * kStep<T, W>);
    }

    const T* src_;
    const T* find_;
    int len_, lenFind_, a_, b_, c_;
    T checkUnit_;
    typename V::reg keyA_, keyB_;
};

// The hashes of the needle's pieces of 8 bytes (8 or 4 units) at every offset, as a set of 4096
// bits.
template <CodeUnit T>
class Pieces {
public:
    static constexpr int kUnits = 8 / static_cast<int>(sizeof(T));

    explicit Pieces(const T* find, int lenFind) {
        for (int d = 0; d + kUnits <= lenFind; ++d) {
            const unsigned h = hashAt(find + d);
            words_[h >> 6] |= std::uint64_t{1} << (h & 63);
        }
    }

    // Whether the piece at p may be one of the needle's.
    bool mayHold(const T* p) const {
        const unsigned h = hashAt(p);
        return (words_[h >> 6] >> (h & 63)) & 1;
    }

private:
    static constexpr int kBits = 12;
    static unsigned hashAt(const T* p) {
        std::uint64_t g;
        std::memcpy(&g, p, sizeof g);
        return static_cast<unsigned>((g * 0x9E3779B97F4A7C15u) >> (64 - kBits));
    }
    std::uint64_t words_[(1 << kBits) / 64] = {};
};

// Whether a search samples windows: no rare unit to filter on, the needle long enough for windows
// of several passes, the text long enough to repay the set of pieces (measured).
template <CodeUnit T, int W>
inline bool sampled(int len, int lenFind, Probes p) {
    constexpr int kMinNeedle = W == 16 ? 64 : 80;
    return !p.rare && lenFind >= kMinNeedle && len / 128 >= lenFind;
}

template <CodeUnit T, int W>
int findForward(const T* src, int len, const T* find, int lenFind, Probes p) {
    using F = Filter<T, W>;
    const int n = len - lenFind + 1;
    if (n < F::kBlock) {
        if constexpr (W == 32)
            return findForward<T, 16>(src, len, find, lenFind, p);
        else {
            const F f(src, len, find, lenFind, p);
            return f.lowest(0, f.few());
        }
    }
    const F f(src, len, find, lenFind, p);
    if (!sampled<T, W>(len, lenFind, p)) return f.lowestIn(0, n, p.rare);
    const Pieces<T> pieces(find, lenFind);
    const int window = lenFind - Pieces<T>::kUnits + 1;
    // Four samples per step with one test; the step with a hit looks at its windows in order.
    int lo = 0;
    for (; (n - lo) / 4 >= window; lo += 4 * window) {
        const T* s = src + lo + window - 1;
        if (pieces.mayHold(s) | pieces.mayHold(s + window) | pieces.mayHold(s + 2 * window) |
            pieces.mayHold(s + 3 * window))
            for (int k = 0; k < 4; ++k)
                if (pieces.mayHold(s + k * window))
                    if (const int r = f.lowestIn(lo + k * window, lo + (k + 1) * window, false); r >= 0) return r;
    }
    for (; n - lo >= window; lo += window)
        if (pieces.mayHold(src + lo + window - 1))
            if (const int r = f.lowestIn(lo, lo + window, false); r >= 0) return r;
    return f.lowestIn(lo, n, false);
}

template <CodeUnit T, int W>
int findBackward(const T* src, int len, const T* find, int lenFind, Probes p) {
    using F = Filter<T, W>;
    const int n = len - lenFind + 1;
    if (n < F::kBlock) {
        if constexpr (W == 32)
            return findBackward<T, 16>(src, len, find, lenFind, p);
        else {
            const F f(src, len, find, lenFind, p);
            return f.highest(0, f.few());
        }
    }
    const F f(src, len, find, lenFind, p);
    if (!sampled<T, W>(len, lenFind, p)) return f.highestIn(0, n, p.rare);
    const Pieces<T> pieces(find, lenFind);
    const int window = lenFind - Pieces<T>::kUnits + 1;
    int hi = n;
    for (; hi / 4 >= window; hi -= 4 * window) {
        const T* s = src + hi - 1;
        if (pieces.mayHold(s) | pieces.mayHold(s - window) | pieces.mayHold(s - 2 * window) |
            pieces.mayHold(s - 3 * window))
            for (int k = 0; k < 4; ++k)
                if (pieces.mayHold(s - k * window))
                    if (const int r = f.highestIn(hi - (k + 1) * window, hi - k * window, false); r >= 0) return r;
    }
    for (; hi >= window; hi -= window)
        if (pieces.mayHold(src + hi - 1))
            if (const int r = f.highestIn(hi - window, hi, false); r >= 0) return r;
    return f.highestIn(0, hi, false);
}

}  // namespace

template <CodeUnit T>
int ownFind(const T* src, int len, const T* find, int lenFind) {
    if (lenFind == 1) return ownFindC(src, len, getUnit(find, 0));
    return findForward<T, kFindBytes>(src, len, find, lenFind, chooseProbes(find, lenFind));
}

template <CodeUnit T>
int ownFindRev(const T* src, int len, const T* find, int lenFind) {
    if (lenFind == 1) return ownFindRevC(src, len, getUnit(find, 0));
    return findBackward<T, kFindBytes>(src, len, find, lenFind, chooseProbes(find, lenFind));
}

template int ownFind<zet8u>(const zet8u*, int, const zet8u*, int);
template int ownFind<zet16u>(const zet16u*, int, const zet16u*, int);
template int ownFindRev<zet8u>(const zet8u*, int, const zet8u*, int);
template int ownFindRev<zet16u>(const zet16u*, int, const zet16u*, int);

namespace {

// An empty needle is never found, nor one longer than the text.
template <CodeUnit T, int (*Kernel)(const T*, int, const T*, int)>
ZetStatus findCounted(const T* src, zet32s len, const T* find, zet32s lenFind, zet32s* index) {
    if (anyNull(src, find, index)) return zetStatusNullPointer;
    if (len < 0 || lenFind < 0) return zetStatusBadLength;
    *index = lenFind == 0 || len < lenFind ? -1 : Kernel(src, len, find, lenFind);
    return zetStatusOk;
}

// Zero-terminated form: both strings are measured before the counted search checks pIndex.
template <CodeUnit T>
ZetStatus findZ(const T* src, const T* find, zet32s* index) {
    if (anyNull(src, find)) return zetStatusNullPointer;
    return findCounted<T, ownFind<T>>(src, ownLengthZ(src), find, ownLengthZ(find), index);
}

}  // namespace
}  // namespace zet

using namespace zet;

ZetStatus zetsFind_8u(const zet8u* pSrc, zet32s len, const zet8u* pFind, zet32s lenFind, zet32s* pIndex) {
    return findCounted<zet8u, ownFind<zet8u>>(pSrc, len, pFind, lenFind, pIndex);
}
ZetStatus zetsFind_16u(const zet16u* pSrc, zet32s len, const zet16u* pFind, zet32s lenFind, zet32s* pIndex) {
    return findCounted<zet16u, ownFind<zet16u>>(pSrc, len, pFind, lenFind, pIndex);
}
ZetStatus zetsFindRev_8u(const zet8u* pSrc, zet32s len, const zet8u* pFind, zet32s lenFind, zet32s* pIndex) {
    return findCounted<zet8u, ownFindRev<zet8u>>(pSrc, len, pFind, lenFind, pIndex);
}
ZetStatus zetsFindRev_16u(const zet16u* pSrc, zet32s len, const zet16u* pFind, zet32s lenFind, zet32s* pIndex) {
    return findCounted<zet16u, ownFindRev<zet16u>>(pSrc, len, pFind, lenFind, pIndex);
}
ZetStatus zetsFind_Z_8u(const zet8u* pSrc, const zet8u* pFind, zet32s* pIndex) { return findZ(pSrc, pFind, pIndex); }
ZetStatus zetsFind_Z_16u(const zet16u* pSrc, const zet16u* pFind, zet32s* pIndex) { return findZ(pSrc, pFind, pIndex); }
