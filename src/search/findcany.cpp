// Character-set search: zetsFindCAny_*, zetsFindRevCAny_*.
//
// Two kernel families give the same answers. The SSE4.2 kernels hold the set in one to five
// registers (8 16-bit or 16 8-bit members each). A string of at most 16 bytes is one register,
// compared with each set register once by the explicit-length equal-any string comparison (a set
// of at most one register by its own count, without padding). Longer strings are compared block
// by block, and blocks without a member and without a zero unit are passed over by the faster
// implicit-length form. Byte sets of more than one register in strings of 256 bytes and more
// take the general kernel's tables even where the SSE4.2 kernels may run.
//
// The general kernels work on blocks of the variant's vector width and choose by the lengths of
// the string and the set: one broadcast register per member for 1 to 9 members; for larger byte
// sets, two 16-byte tables, indexed by the low half of a byte, that hold a bit for every high half
// with which it makes a member (three in-lane shuffles a block, whatever the size of the set); for
// larger 16-bit sets, a membership table (one byte per code-unit value) where clearing it pays
// off, an array of broadcast members up to 4096 members, and members broadcast afresh for every
// block beyond that. A string shorter than a block is read as one zero-padded block (see
// scanWide).
//
// The core library is asked whether the SSE4.2 kernels may run on every call whose set fits
// them, after the argument checks; an empty string or an empty set is answered (-1) among the
// checks, before any question, and a larger set never asks.
#include <cstdint>
#include <utility>

#include "core/blockscan.h"
#include "core/memory.h"
#include "core/zetcore.h"
#include "search/wide.h"

namespace zet {
namespace {

using namespace simd;

// Most members the SSE4.2 kernels take: five registers (40 16-bit or 80 8-bit units).
inline constexpr int kSse42Registers = 5;
template <CodeUnit T>
inline constexpr int kSse42MaxSet = kSse42Registers * kLanes<T>;

// Byte sets of more than one register go to the general kernel's tables (see findByNibbles) from
// this string length on, also where the SSE4.2 kernels may run: one table look-up a block beats
// two to five string comparisons once the tables are made.
inline constexpr int kTablesFrom = 256;

// Largest set held in broadcast registers of its own, and in the array of broadcast members.
inline constexpr int kMaxBroadcast = 9;
inline constexpr int kMaxVectorArray = 4096;

// Block width of the general kernels in this variant: the table shuffles use the widest vectors,
// the broadcast members at most 32 bytes (see findBroadcast).
inline constexpr int kAnyBytes = kVectorBytes;
inline constexpr int kBroadcastBytes = kVectorBytes > 32 ? 32 : kVectorBytes;

// ---- SSE4.2 kernels.

template <CodeUnit T>
inline constexpr int kEqualAny = (sizeof(T) == 1 ? _SIDD_UBYTE_OPS : _SIDD_UWORD_OPS) | _SIDD_CMP_EQUAL_ANY;

// A set of at most one register (n <= lanes) with a member in every lane: the first and the last
// 8, 4 or 2 bytes of the set side by side (where they overlap, members repeat, which changes
// nothing for membership), repeated to fill the register; a single byte broadcast. Two loads and
// no branch on the exact length.
template <CodeUnit T>
inline v128 fullSet(const T* set, int n) {
    const char* bytes = reinterpret_cast<const char*>(set);
    const std::size_t nbytes = sizeof(T) * static_cast<std::size_t>(n);
    if (nbytes >= 8) return _mm_unpacklo_epi64(load8(bytes), load8(bytes + nbytes - 8));
    if (nbytes >= 4) {
        const v128 both = _mm_unpacklo_epi32(load4(bytes), load4(bytes + nbytes - 4));
        return _mm_unpacklo_epi64(both, both);
    }
    if (nbytes >= 2) {
        std::uint16_t first, last;
        std::memcpy(&first, bytes, 2);
        std::memcpy(&last, bytes + nbytes - 2, 2);
        return _mm_set1_epi32(static_cast<int>(first | std::uint32_t{last} << 16));
    }
    return _mm_set1_epi8(bytes[0]);
}

// Strings of at most 16 bytes (gathered in pieces when shorter), compared with the set once by
// explicit length: a set of at most one register by its own count, without padding; a larger one
// as pieces of one register, the last ending at its end.
template <CodeUnit T, bool Reverse>
__attribute__((target("sse4.2"))) int findSse42Short(const T* src, int len, const T* set, int n) {
    constexpr int lanes = kLanes<T>;
    const char* bytes = reinterpret_cast<const char*>(set);
    const std::size_t nbytes = static_cast<std::size_t>(len) * sizeof(T);
    const std::size_t setBytes = sizeof(T) * static_cast<std::size_t>(n);
    const v128 block = nbytes == 16 ? loadu(src) : gather(reinterpret_cast<const char*>(src), nbytes);
    if (n <= lanes) {
        constexpr int mode = kEqualAny<T> | (Reverse ? _SIDD_MOST_SIGNIFICANT : _SIDD_LEAST_SIGNIFICANT);
        const int i = _mm_cmpestri(fullSet(set, n), lanes, block, len, mode);
        return i < len ? i : -1;
    }
    unsigned hit = 0;
    for (std::size_t off = 0; off < setBytes; off += 16)
        hit |= bits(_mm_cmpestrm(setPiece(bytes, setBytes, off), lanes, block, len, kEqualAny<T> | _SIDD_UNIT_MASK));
    return hit == 0 ? -1 : (Reverse ? highBit(hit) : lowBit(hit)) / static_cast<int>(sizeof(T));
}

// Longer strings, the set in K registers, each compared whole: the first K - 1 hold consecutive
// pieces of the set, the last the piece that ends at the set's end, and a set shorter than one
// register is padded with copies of its last member.
template <CodeUnit T, bool Reverse, int K>
__attribute__((target("sse4.2"))) int findSse42(const T* src, int len, const T* set, int n) {
    constexpr int lanes = kLanes<T>;
    v128 reg[K];
    if constexpr (K == 1) {
        reg[0] = fullSet(set, n);
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
[[gnu::noinline]] int findSse42Sized(std::integer_sequence<int, K...>, const T* src, int len, const T* set, int n) {
    using Kernel = int (*)(const T*, int, const T*, int);
    static constexpr Kernel kernels[] = {findSse42<T, Reverse, K + 1>...};
    return kernels[(n - 1) / kLanes<T>](src, len, set, n);
}

// ---- General kernels. Sets and keys are kept in 16-byte registers and widened to the block
// (see widen), so that one hits function serves blocks of every width.

// Whether a 16-bit string is long enough for its set (of 10 members or more) to pay for clearing
// the 64 KiB membership table.
inline bool tablePays16(int len, int n) {
    if (len >= 32768) return n >= 10;
    if (len >= 16384) return n >= 18;
    if (len >= 8192) return n >= 24;
    if (len >= 4096) return n >= 58;
    return false;
}

// Not inlined, so that the 64 KiB table is on the stack only while it runs.
template <bool Reverse>
[[gnu::noinline]] int findByTable(const zet16u* src, int len, const zet16u* set, int n) {
    zet8u table[65536];
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

// Every block compared with the n broadcast members that key(j) gives.
template <CodeUnit T, bool Reverse, int Bytes, class Key>
[[gnu::always_inline]] inline int findByKeys(const T* src, int len, int n, Key key) {
    return scanWide<T, Reverse, Bytes>(src, len, [&](auto block) {
        constexpr int W = sizeof(block);
        Hits<W> hit = eqHits<T, W>(block, widen<W>(key(0)));
        for (int j = 1; j < n; ++j) hit = merge<W>(hit, eqHits<T, W>(block, widen<W>(key(j))));
        return maskOf<T, W>(hit);
    });
}

// 1 to 9 members, each in a register of its own; the member count is fixed at compile time.
// Blocks are at most 32 bytes: 64-byte compares give mask registers, and merging those costs
// more than the width gains.
template <CodeUnit T, bool Reverse, int N>
int findBroadcast(const T* src, int len, const T* set, int) {
    v128 key[N];
    for (int j = 0; j < N; ++j) key[j] = splat(getUnit(set, j));
    return findByKeys<T, Reverse, kBroadcastBytes>(src, len, N, [&key](int j) { return key[j]; });
}

template <CodeUnit T, bool Reverse, int... N>
[[gnu::noinline]] int findBroadcastSized(std::integer_sequence<int, N...>, const T* src, int len, const T* set, int n) {
    using Kernel = int (*)(const T*, int, const T*, int);
    static constexpr Kernel kernels[] = {findBroadcast<T, Reverse, N + 1>...};
    return kernels[n - 1](src, len, set, n);
}

// Up to 4096 16-bit members broadcast once into an array of 64 KiB (sets too small for the
// table); not inlined for the same reason as the table.
template <bool Reverse>
[[gnu::noinline]] int findByVectorArray(const zet16u* src, int len, const zet16u* set, int n) {
    v128 key[kMaxVectorArray];
    for (int j = 0; j < n; ++j) key[j] = splat(getUnit(set, j));
    return findByKeys<zet16u, Reverse, kBroadcastBytes>(src, len, n, [&key](int j) { return key[j]; });
}

// Larger 16-bit sets on strings too short for the table: members broadcast afresh for every block.
template <bool Reverse>
int findByFreshKeys(const zet16u* src, int len, const zet16u* set, int n) {
    return findByKeys<zet16u, Reverse, kBroadcastBytes>(src, len, n, [set](int j) { return splat(getUnit(set, j)); });
}

// Byte sets of any size: for each low half l of a byte, low[l] has bit h set when h * 16 + l is a
// member, high[l] when (h + 8) * 16 + l is. A byte's row is looked up by one shuffle of the byte
// itself (the shuffle gives 0 for bytes of 128 and up) and one of the byte with its top bit
// flipped, and its bit by a shuffle of its high half. The rows are made from a membership table
// of the 256 byte values, 16 values at a time.
template <bool Reverse>
int findByNibbles(const zet8u* src, int len, const zet8u* set, int n) {
    // Cleared 16 bytes at a time: merged into 64-byte stores, the byte stores and 16-byte loads that
    // follow waited some 25 ns longer a call (measured on AVX-512 code), so the stores are kept
    // apart; and aligned to whole cache lines, which took as much off the 16-byte code.
    alignas(64) zet8u table[256];
    for (int k = 0; k < 256; k += 16) {
        _mm_store_si128(reinterpret_cast<v128*>(table + k), _mm_setzero_si128());
        asm("" ::: "memory");
    }
    // Members are read 16 at a time (the last 16 may repeat some) rather than one load before each
    // store: a load that follows a store to the same offset in another 4 KiB page can wait for it,
    // and with some placements of the set and the stack the build took twice as long (measured).
    auto mark = [&table](v128 members) {
        alignas(16) zet8u m[16];
        _mm_store_si128(reinterpret_cast<v128*>(m), members);
        for (int k = 0; k < 16; ++k) table[m[k]] = 0xFF;
    };
    int j = 0;
    for (; j + 16 <= n; j += 16) mark(loadu(set + j));
    if (j < n) {
        if (n >= 16)
            mark(loadu(set + n - 16));
        else
            for (; j < n; ++j) table[set[j]] = 0xFF;
    }
    auto values = [&table](int h) { return _mm_load_si128(reinterpret_cast<const v128*>(table + 16 * h)); };
    v128 low = _mm_setzero_si128(), high = low;
    for (int h = 0; h < 8; ++h) {
        const v128 bit = _mm_set1_epi8(static_cast<char>(1 << h));
        low = _mm_or_si128(low, _mm_and_si128(values(h), bit));
        high = _mm_or_si128(high, _mm_and_si128(values(h + 8), bit));
    }
    const v128 bitOf = _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
    return scanWide<zet8u, Reverse, kAnyBytes>(src, len, [=](auto block) {
        constexpr int W = sizeof(block);
        const auto row = Vec<W>::orv(shuffle<W>(widen<W>(low), block),
                                     shuffle<W>(widen<W>(high), vxor<W>(block, widen<W>(_mm_set1_epi8(-128)))));
        const auto bit = shuffle<W>(widen<W>(bitOf), Vec<W>::andv(shiftRight4<W>(block), widen<W>(_mm_set1_epi8(15))));
        return sharedBit<W>(row, bit);
    });
}

template <CodeUnit T, bool Reverse>
[[gnu::noinline]] int findGeneral(const T* src, int len, const T* set, int n) {
    if (n <= kMaxBroadcast)
        return findBroadcastSized<T, Reverse>(std::make_integer_sequence<int, kMaxBroadcast>{}, src, len, set, n);
    if constexpr (sizeof(T) == 1) {
        return findByNibbles<Reverse>(src, len, set, n);
    } else {
        if (tablePays16(len, n)) return findByTable<Reverse>(src, len, set, n);
        if (n <= kMaxVectorArray) return findByVectorArray<Reverse>(src, len, set, n);
        return findByFreshKeys<Reverse>(src, len, set, n);
    }
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
    if (n > kSse42MaxSet<T> || !ownGetFeature(zetFeatureSse42))
        *index = findGeneral<T, Reverse>(src, len, set, n);
    else if (static_cast<std::size_t>(len) * sizeof(T) <= 16)
        *index = findSse42Short<T, Reverse>(src, len, set, n);
    else if (sizeof(T) == 1 && n > kLanes<T> && len >= kTablesFrom)
        *index = findGeneral<T, Reverse>(src, len, set, n);
    else if (n <= kLanes<T>)
        *index = findSse42<T, Reverse, 1>(src, len, set, n);
    else
        *index = findSse42Sized<T, Reverse>(std::make_integer_sequence<int, kSse42Registers>{}, src, len, set, n);
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
