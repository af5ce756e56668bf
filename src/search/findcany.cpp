// Character-set search: zetsFindCAny_*, zetsFindRevCAny_*.
//
// Two kernel families give the same answers. The SSE4.2 kernels hold the set in one to five
// registers (8 16-bit or 16 8-bit members each) and compare every 16-byte block of the string
// with each register by the explicit-length equal-any string comparison (blocks without a member
// and without a zero unit are passed over by its faster implicit-length form). The general kernels
// choose by the lengths of the string and the set: a plain loop for strings shorter than one
// block, a membership table (one byte per code-unit value) where clearing it pays off, one
// broadcast register per member for 1 to 9 members, an array of broadcast members for 16-bit sets
// of up to 4096 units, and members broadcast afresh for every block beyond that.
//
// The core library is asked whether the SSE4.2 kernels may run on every call whose set fits
// them, after the argument checks; an empty string or an empty set is answered (-1) among the
// checks, before any question, and a larger set never asks.
#include <utility>

#include "core/blockscan.h"
#include "core/memory.h"
#include "core/zetcore.h"

namespace zet {
namespace {

using namespace simd;

// Most members the SSE4.2 kernels take: five registers (40 16-bit or 80 8-bit units).
inline constexpr int kSse42Registers = 5;
template <CodeUnit T>
inline constexpr int kSse42MaxSet = kSse42Registers * kLanes<T>;

// Largest set held in broadcast registers of its own, and in the array of broadcast members.
inline constexpr int kMaxBroadcast = 9;
inline constexpr int kMaxVectorArray = 4096;

// ---- The rule: a plain loop, also the general kernel for strings shorter than one block.

template <CodeUnit T>
bool isMember(T u, const T* set, int n) {
    int j = 0;
    for (; j + 2 <= n; j += 2)
        if (getUnit(set, j) == u || getUnit(set, j + 1) == u) return true;
    return j < n && getUnit(set, j) == u;
}

template <CodeUnit T, bool Reverse>
int findPlain(const T* src, int len, const T* set, int n) {
    if constexpr (Reverse) {
        for (int i = len - 1; i >= 0; --i)
            if (isMember(getUnit(src, i), set, n)) return i;
    } else {
        for (int i = 0; i < len; ++i)
            if (isMember(getUnit(src, i), set, n)) return i;
    }
    return -1;
}

// ---- SSE4.2 kernels.

template <CodeUnit T>
inline constexpr int kEqualAny = (sizeof(T) == 1 ? _SIDD_UBYTE_OPS : _SIDD_UWORD_OPS) | _SIDD_CMP_EQUAL_ANY;

// The set in K registers, each compared whole: the first K - 1 hold consecutive pieces of the
// set, the last the piece that ends at the set's end, and a set shorter than one register is
// padded with copies of its last member.
template <CodeUnit T, bool Reverse, int K>
__attribute__((target("sse4.2"))) int findSse42(const T* src, int len, const T* set, int n) {
    constexpr int lanes = kLanes<T>;
    v128 reg[K];
    if constexpr (K == 1) {
        reg[0] = paddedSet(set, n);
    } else {
        const char* bytes = reinterpret_cast<const char*>(set);
        for (int j = 0; j < K; ++j) reg[j] = setPiece(bytes, sizeof(T) * static_cast<std::size_t>(n), 16u * j);
    }
    auto hits = [&reg](v128 block, int units) __attribute__((target("sse4.2"))) {
        v128 hit = _mm_cmpestrm(reg[0], lanes, block, units, kEqualAny<T> | _SIDD_UNIT_MASK);
        for (int j = 1; j < K; ++j)
            hit = _mm_or_si128(hit, _mm_cmpestrm(reg[j], lanes, block, units, kEqualAny<T> | _SIDD_UNIT_MASK));
        return bits(hit);
    };
    // The implicit-length form of the comparison is several times faster on some processors; it
    // only serves to pass over whole blocks that hold no member and no zero unit (its answer is
    // the explicit one there), so it cannot be used when 0 is a member.
    v128 zeroMember = cmpeq<T>(reg[0], _mm_setzero_si128());
    for (int j = 1; j < K; ++j) zeroMember = _mm_or_si128(zeroMember, cmpeq<T>(reg[j], _mm_setzero_si128()));
    if (bits(zeroMember)) return scanBlocks<T, Reverse>(src, len, hits);
    return scanBlocks<T, Reverse>(src, len, [&reg, hits](v128 block, int units) __attribute__((target("sse4.2"))) {
        if (units == lanes) {
            int clear = _mm_cmpistra(reg[0], block, kEqualAny<T>);
            for (int j = 1; j < K; ++j) clear &= _mm_cmpistra(reg[j], block, kEqualAny<T>);
            if (__builtin_expect(clear, 1)) return 0u;
        }
        return hits(block, units);
    });
}

template <CodeUnit T, bool Reverse, int... K>
int findSse42Sized(std::integer_sequence<int, K...>, const T* src, int len, const T* set, int n) {
    using Kernel = int (*)(const T*, int, const T*, int);
    static constexpr Kernel kernels[] = {findSse42<T, Reverse, K + 1>...};
    return kernels[(n - 1) / kLanes<T>](src, len, set, n);
}

// ---- General kernels.

// Whether a 16-bit string is long enough for its set (of 10 members or more) to pay for clearing
// the 64 KiB membership table.
inline bool tablePays16(int len, int n) {
    if (len >= 32768) return n >= 10;
    if (len >= 16384) return n >= 18;
    if (len >= 8192) return n >= 24;
    if (len >= 4096) return n >= 58;
    return false;
}

// Not inlined, so that the 64 KiB table of the 16-bit form is on the stack only while it runs.
template <CodeUnit T, bool Reverse>
[[gnu::noinline]] int findByTable(const T* src, int len, const T* set, int n) {
    zet8u table[std::size_t{1} << (8 * sizeof(T))];
    ownZero_8u(table, static_cast<int>(sizeof table));
    for (int j = 0; j < n; ++j) table[getUnit(set, j)] = 1;
    // Four units per step with one test; the step with a hit is looked at again unit by unit.
    auto in = [&](int i) { return table[getUnit(src, i)]; };
    if constexpr (Reverse) {
        int end = len;
        for (; end >= 4; end -= 4)
            if (in(end - 1) | in(end - 2) | in(end - 3) | in(end - 4)) break;
        for (int i = end - 1; i >= 0; --i)
            if (in(i)) return i;
    } else {
        int from = 0;
        for (; from + 4 <= len; from += 4)
            if (in(from) | in(from + 1) | in(from + 2) | in(from + 3)) break;
        for (int i = from; i < len; ++i)
            if (in(i)) return i;
    }
    return -1;
}

// Every block compared with the n broadcast members that key(j) gives; len >= one block.
template <CodeUnit T, bool Reverse, class Key>
[[gnu::always_inline]] inline int findByKeys(const T* src, int len, int n, Key key) {
    return scanBlocks<T, Reverse>(src, len, [&](v128 block, int) {
        v128 hit = cmpeq<T>(block, key(0));
        for (int j = 1; j < n; ++j) hit = _mm_or_si128(hit, cmpeq<T>(block, key(j)));
        return bits(hit);
    });
}

// 1 to 9 members, each in a register of its own; the member count is fixed at compile time.
template <CodeUnit T, bool Reverse, int N>
int findBroadcast(const T* src, int len, const T* set, int) {
    v128 key[N];
    for (int j = 0; j < N; ++j) key[j] = splat(getUnit(set, j));
    return findByKeys<T, Reverse>(src, len, N, [&key](int j) { return key[j]; });
}

template <CodeUnit T, bool Reverse, int... N>
int findBroadcastSized(std::integer_sequence<int, N...>, const T* src, int len, const T* set, int n) {
    using Kernel = int (*)(const T*, int, const T*, int);
    static constexpr Kernel kernels[] = {findBroadcast<T, Reverse, N + 1>...};
    return kernels[n - 1](src, len, set, n);
}

// Up to 4096 members broadcast once into an array of 64 KiB (16-bit sets too small for the
// table); not inlined for the same reason as the table.
template <CodeUnit T, bool Reverse>
[[gnu::noinline]] int findByVectorArray(const T* src, int len, const T* set, int n) {
    v128 key[kMaxVectorArray];
    for (int j = 0; j < n; ++j) key[j] = splat(getUnit(set, j));
    return findByKeys<T, Reverse>(src, len, n, [&key](int j) { return key[j]; });
}

// Larger sets on strings too short for the table: members broadcast afresh for every block.
template <CodeUnit T, bool Reverse>
int findByFreshKeys(const T* src, int len, const T* set, int n) {
    return findByKeys<T, Reverse>(src, len, n, [set](int j) { return splat(getUnit(set, j)); });
}

template <CodeUnit T, bool Reverse>
int findGeneral(const T* src, int len, const T* set, int n) {
    if (len < kLanes<T>) return findPlain<T, Reverse>(src, len, set, n);
    if (n <= kMaxBroadcast)
        return findBroadcastSized<T, Reverse>(std::make_integer_sequence<int, kMaxBroadcast>{}, src, len, set, n);
    // Larger byte sets always take the table (256 entries); 16-bit ones when it pays.
    if constexpr (sizeof(T) == 2) {
        if (!tablePays16(len, n))
            return n <= kMaxVectorArray ? findByVectorArray<T, Reverse>(src, len, set, n)
                                        : findByFreshKeys<T, Reverse>(src, len, set, n);
    }
    return findByTable<T, Reverse>(src, len, set, n);
}

// ---- Entry.

template <CodeUnit T, bool Reverse>
ZetStatus findAny(const T* src, zet32s len, const T* set, zet32s n, zet32s* index) {
    if (anyNull(src, set, index)) return zetStatusNullPointer;
    if (len < 0 || n < 0) return zetStatusBadLength;
    if (len == 0 || n == 0) {
        *index = -1;
        return zetStatusOk;
    }
    if (n <= kSse42MaxSet<T> && ownGetFeature(zetFeatureSse42))
        *index = findSse42Sized<T, Reverse>(std::make_integer_sequence<int, kSse42Registers>{}, src, len, set, n);
    else
        *index = findGeneral<T, Reverse>(src, len, set, n);
    return zetStatusOk;
}

}  // namespace
}  // namespace zet

using namespace zet;

ZetStatus zetsFindCAny_8u(const zet8u* pSrc, zet32s len, const zet8u* pAnyOf, zet32s lenAnyOf, zet32s* pIndex) {
    return findAny<zet8u, false>(pSrc, len, pAnyOf, lenAnyOf, pIndex);
}
ZetStatus zetsFindCAny_16u(const zet16u* pSrc, zet32s len, const zet16u* pAnyOf, zet32s lenAnyOf, zet32s* pIndex) {
    return findAny<zet16u, false>(pSrc, len, pAnyOf, lenAnyOf, pIndex);
}
ZetStatus zetsFindRevCAny_8u(const zet8u* pSrc, zet32s len, const zet8u* pAnyOf, zet32s lenAnyOf, zet32s* pIndex) {
    return findAny<zet8u, true>(pSrc, len, pAnyOf, lenAnyOf, pIndex);
}
ZetStatus zetsFindRevCAny_16u(const zet16u* pSrc, zet32s len, const zet16u* pAnyOf, zet32s lenAnyOf,
                              zet32s* pIndex) {
    return findAny<zet16u, true>(pSrc, len, pAnyOf, lenAnyOf, pIndex);
}
