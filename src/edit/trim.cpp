// Trimming: zetsTrimC_* (one code unit, out of place and in place), zetsTrimCAny_*,
// zetsTrimStartCAny_*, zetsTrimEndCAny_* (a set of code units, out of place).
//
// Every function finds the kept part [first, last] of the source: first is the first unit not to
// be removed (0 when the start is not trimmed), last the last one (the final unit when the end is
// not trimmed), and the scan for last stops at first. The kept part goes to the start of the
// destination through the copy primitive, or, in place, through the move primitive.
//
// The set forms ask the core library on every call, after the argument checks and whatever the
// size of the set (an empty source or set included), whether the SSE4.2 kernel may run; otherwise
// the generic kernel runs. Both give the same results.
#include "core/blockscan.h"
#include "core/memory.h"
#include "core/zetcore.h"

namespace zet {
namespace {

using namespace simd;

enum class Ends { Both, Start, End };

struct Kept {
    int first;
    int count;
};

// edge(reverse, from) is the index of the first unit of src[from, len) not to be removed
// (reverse: the last), counted from `from`, or -1 when there is none.
template <Ends E, class Edge>
Kept keptPart(int len, Edge edge) {
    const int first = E == Ends::End ? 0 : edge(std::false_type{}, 0);
    if (first < 0) return {0, 0};
    const int last = E == Ends::Start ? len - 1 : first + edge(std::true_type{}, first);
    if (last < first) return {0, 0};
    return {first, last - first + 1};
}

// ---- One code unit: every block tested against the broadcast unit.

template <CodeUnit T, bool Reverse>
int keptEdgeC(const T* src, int len, T trim) {
    const v128 key = splat(trim);
    return scanBlocks<T, Reverse>(src, len, [key](v128 block, int) { return bits(cmpeq<T>(block, key)) ^ 0xFFFFu; });
}

// ---- Sets, SSE4.2 kernel: equal-any comparison with the polarity turned, so that it marks the
// units of a block that match none of the members of a set register.

template <CodeUnit T>
inline constexpr int kMatchesNone = (sizeof(T) == 1 ? _SIDD_UBYTE_OPS : _SIDD_UWORD_OPS) | _SIDD_CMP_EQUAL_ANY |
                                    _SIDD_MASKED_NEGATIVE_POLARITY | _SIDD_UNIT_MASK;

// A set of at most one register, padded with copies of its last member so that the register is
// always compared whole. A larger set is taken 16 bytes at a time: a unit is kept when it
// matches none of the pieces, and a block whose units all match one piece is passed over at once.
template <CodeUnit T, bool Reverse>
__attribute__((target("sse4.2"))) int keptEdgeSse42(const T* src, int len, const T* set, int n) {
    constexpr int lanes = kLanes<T>;
    if (n <= lanes) {
        const v128 reg = paddedSet(set, n);
        return scanBlocks<T, Reverse>(src, len, [reg](v128 block, int units) __attribute__((target("sse4.2"))) {
            return bits(_mm_cmpestrm(reg, lanes, block, units, kMatchesNone<T>));
        });
    }
    const char* bytes = reinterpret_cast<const char*>(set);
    const std::size_t nbytes = sizeof(T) * static_cast<std::size_t>(n);
    return scanBlocks<T, Reverse>(src, len, [=](v128 block, int units) __attribute__((target("sse4.2"))) {
        unsigned kept = 0xFFFF;
        for (std::size_t off = 0; off < nbytes && kept; off += 16)
            kept &= bits(_mm_cmpestrm(setPiece(bytes, nbytes, off), lanes, block, units, kMatchesNone<T>));
        return kept;
    });
}

// ---- Sets, generic kernel: one unit at a time, inwards from the end, with a membership test
// chosen by the size of the set.

template <CodeUnit T, bool Reverse, class InSet>
int keptEdgeEach(const T* src, int len, InSet inSet) {
    if constexpr (Reverse) {
        for (int i = len - 1; i >= 0; --i)
            if (!inSet(splat(getUnit(src, i)))) return i;
    } else {
        for (int i = 0; i < len; ++i)
            if (!inSet(splat(getUnit(src, i)))) return i;
    }
    return -1;
}

template <CodeUnit T, bool Reverse>
int keptEdgeGeneric(const T* src, int len, const T* set, int n) {
    if (n <= kLanes<T>) {
        const v128 reg = paddedSet(set, n);
        return keptEdgeEach<T, Reverse>(src, len, [reg](v128 key) { return bits(cmpeq<T>(key, reg)) != 0; });
    }
    const char* bytes = reinterpret_cast<const char*>(set);
    const std::size_t nbytes = sizeof(T) * static_cast<std::size_t>(n);
    return keptEdgeEach<T, Reverse>(src, len, [=](v128 key) {
        for (std::size_t off = 0; off < nbytes; off += 16)
            if (bits(cmpeq<T>(key, setPiece(bytes, nbytes, off)))) return true;
        return false;
    });
}

// ---- Entries.

template <CodeUnit T>
ZetStatus trimC(const T* src, zet32s len, T trim, T* dst, zet32s* dstLen) {
    if (anyNull(src, dst, dstLen)) return zetStatusNullPointer;
    if (len < 0) return zetStatusBadLength;
    const Kept k = keptPart<Ends::Both>(len, [&](auto reverse, int from) {
        return keptEdgeC<T, decltype(reverse)::value>(src + from, len - from, trim);
    });
    *dstLen = k.count;
    ownCopy(src + k.first, dst, k.count);
    return zetStatusOk;
}

template <CodeUnit T>
ZetStatus trimCInPlace(T* buf, zet32s* len, T trim) {
    if (anyNull(buf, len)) return zetStatusNullPointer;
    if (*len < 0) return zetStatusBadLength;
    const int n = *len;
    const Kept k = keptPart<Ends::Both>(n, [&](auto reverse, int from) {
        return keptEdgeC<T, decltype(reverse)::value>(buf + from, n - from, trim);
    });
    ownMove(buf + k.first, buf, k.count);
    *len = k.count;
    return zetStatusOk;
}

template <CodeUnit T, Ends E>
ZetStatus trimAny(const T* src, zet32s len, const T* set, zet32s n, T* dst, zet32s* dstLen) {
    if (anyNull(src, dst, set, dstLen)) return zetStatusNullPointer;
    if (len < 0 || n < 0) return zetStatusBadLength;
    const bool sse42 = ownGetFeature(zetFeatureSse42) != 0;
    // An empty set removes nothing.
    const Kept k = n == 0 ? Kept{0, len} : keptPart<E>(len, [&](auto reverse, int from) {
        constexpr bool rev = decltype(reverse)::value;
        return sse42 ? keptEdgeSse42<T, rev>(src + from, len - from, set, n)
                     : keptEdgeGeneric<T, rev>(src + from, len - from, set, n);
    });
    *dstLen = k.count;
    ownCopy(src + k.first, dst, k.count);
    return zetStatusOk;
}

}  // namespace
}  // namespace zet

using namespace zet;

ZetStatus zetsTrimC_8u(const zet8u* pSrc, zet32s srcLen, zet8u trimChar, zet8u* pDst, zet32s* pDstLen) {
    return trimC(pSrc, srcLen, trimChar, pDst, pDstLen);
}
ZetStatus zetsTrimC_16u(const zet16u* pSrc, zet32s srcLen, zet16u trimChar, zet16u* pDst, zet32s* pDstLen) {
    return trimC(pSrc, srcLen, trimChar, pDst, pDstLen);
}
ZetStatus zetsTrimC_8u_I(zet8u* pSrcDst, zet32s* pSrcDstLen, zet8u trimChar) {
    return trimCInPlace(pSrcDst, pSrcDstLen, trimChar);
}
ZetStatus zetsTrimC_16u_I(zet16u* pSrcDst, zet32s* pSrcDstLen, zet16u trimChar) {
    return trimCInPlace(pSrcDst, pSrcDstLen, trimChar);
}

ZetStatus zetsTrimCAny_8u(const zet8u* pSrc, zet32s srcLen, const zet8u* pTrim, zet32s trimLen, zet8u* pDst,
                          zet32s* pDstLen) {
    return trimAny<zet8u, Ends::Both>(pSrc, srcLen, pTrim, trimLen, pDst, pDstLen);
}
ZetStatus zetsTrimCAny_16u(const zet16u* pSrc, zet32s srcLen, const zet16u* pTrim, zet32s trimLen, zet16u* pDst,
                           zet32s* pDstLen) {
    return trimAny<zet16u, Ends::Both>(pSrc, srcLen, pTrim, trimLen, pDst, pDstLen);
}
ZetStatus zetsTrimStartCAny_8u(const zet8u* pSrc, zet32s srcLen, const zet8u* pTrim, zet32s trimLen, zet8u* pDst,
                               zet32s* pDstLen) {
    return trimAny<zet8u, Ends::Start>(pSrc, srcLen, pTrim, trimLen, pDst, pDstLen);
}
ZetStatus zetsTrimStartCAny_16u(const zet16u* pSrc, zet32s srcLen, const zet16u* pTrim, zet32s trimLen, zet16u* pDst,
                                zet32s* pDstLen) {
    return trimAny<zet16u, Ends::Start>(pSrc, srcLen, pTrim, trimLen, pDst, pDstLen);
}
ZetStatus zetsTrimEndCAny_8u(const zet8u* pSrc, zet32s srcLen, const zet8u* pTrim, zet32s trimLen, zet8u* pDst,
                             zet32s* pDstLen) {
    return trimAny<zet8u, Ends::End>(pSrc, srcLen, pTrim, trimLen, pDst, pDstLen);
}
ZetStatus zetsTrimEndCAny_16u(const zet16u* pSrc, zet32s srcLen, const zet16u* pTrim, zet32s trimLen, zet16u* pDst,
                              zet32s* pDstLen) {
    return trimAny<zet16u, Ends::End>(pSrc, srcLen, pTrim, trimLen, pDst, pDstLen);
}
