// Insert, remove and concatenate: zetsInsert_*, zetsInsert_*_I, zetsRemove_*, zetsRemove_*_I,
// zetsConcat_8u, zetsConcat_16u.
//
// No searching, only runs of units moved through the memory primitives, which skip a count of 0
// by themselves. Every check comes before the first write; after the checks nothing can fail.
// Sums of a position and a length are formed in 64 bits, so a pair whose sum would overflow a
// 32-bit length is reported as reaching outside the string instead of wrapping.
#include <climits>

#include "core/memory.h"

namespace zet {
namespace {

// dst = src[0, at) + ins + src[at, srcLen). dst may be src itself (with room for the longer
// result): the prefix is then already in place and is not copied onto itself, and the tail moves
// up with the overlap-safe move before the inserted text overwrites its old place.
template <CodeUnit T>
void spliceIn(const T* src, int srcLen, const T* ins, int insLen, T* dst, int at) {
    if (dst != src) ownCopy(src, dst, at);
    ownMove(src + at, dst + at + insLen, srcLen - at);
    ownCopy(ins, dst + at, insLen);
}

template <CodeUnit T>
ZetStatus insertCopy(const T* src, int srcLen, const T* ins, int insLen, T* dst, int at) {
    if (anyNull(src, ins, dst)) return zetStatusNullPointer;
    if (srcLen < 0 || insLen < 0 || at < 0 || at > srcLen) return zetStatusBadLength;
    // Nothing to insert: dst is left as it was, not filled with a copy of src.
    if (insLen == 0) return zetStatusOk;
    spliceIn(src, srcLen, ins, insLen, dst, at);
    return zetStatusOk;
}

template <CodeUnit T>
ZetStatus insertInPlace(const T* ins, int insLen, T* buf, int* bufLen, int at) {
    if (anyNull(ins, buf, bufLen)) return zetStatusNullPointer;
    const int len = *bufLen;
    if (insLen < 0 || len < 0 || at < 0 || at > len) return zetStatusBadLength;
    // A result longer than a 32-bit length could not be reported back.
    if (insLen > INT_MAX - len) return zetStatusBadLength;
    if (insLen == 0) return zetStatusOk;
    spliceIn<T>(buf, len, ins, insLen, buf, at);
    *bufLen = len + insLen;
    return zetStatusOk;
}

// The removed range [at, at + count) must lie inside a string of len units.
inline bool rangeOutside(int len, int at, int count) {
    return count < 0 || at < 0 || static_cast<long long>(at) + count > len;
}

template <CodeUnit T>
ZetStatus removeCopy(const T* src, int srcLen, T* dst, int at, int count) {
    if (anyNull(src, dst)) return zetStatusNullPointer;
    if (rangeOutside(srcLen, at, count)) return zetStatusBadLength;
    ownCopy(src, dst, at);
    ownCopy(src + at + count, dst + at, srcLen - at - count);
    return zetStatusOk;
}

template <CodeUnit T>
ZetStatus removeInPlace(T* buf, int* bufLen, int at, int count) {
    if (anyNull(buf, bufLen)) return zetStatusNullPointer;
    const int len = *bufLen;
    if (len < 0 || rangeOutside(len, at, count)) return zetStatusBadLength;
    // Units past the new length keep their old values.
    ownMove(buf + at + count, buf + at, len - at - count);
    *bufLen = len - count;
    return zetStatusOk;
}

template <CodeUnit T>
ZetStatus concatTwo(const T* src1, int len1, const T* src2, int len2, T* dst) {
    if (anyNull(src1, src2, dst)) return zetStatusNullPointer;
    if (len1 < 0 || len2 < 0) return zetStatusBadLength;
    ownCopy(src1, dst, len1);
    ownCopy(src2, dst + len1, len2);
    return zetStatusOk;
}

}  // namespace
}  // namespace zet

using namespace zet;

ZetStatus zetsInsert_8u(const zet8u* pSrc, zet32s srcLen, const zet8u* pInsert, zet32s insertLen, zet8u* pDst,
                        zet32s startIndex) {
    return insertCopy(pSrc, srcLen, pInsert, insertLen, pDst, startIndex);
}
ZetStatus zetsInsert_16u(const zet16u* pSrc, zet32s srcLen, const zet16u* pInsert, zet32s insertLen, zet16u* pDst,
                         zet32s startIndex) {
    return insertCopy(pSrc, srcLen, pInsert, insertLen, pDst, startIndex);
}
ZetStatus zetsInsert_8u_I(const zet8u* pInsert, zet32s insertLen, zet8u* pSrcDst, zet32s* pSrcDstLen,
                          zet32s startIndex) {
    return insertInPlace(pInsert, insertLen, pSrcDst, pSrcDstLen, startIndex);
}
ZetStatus zetsInsert_16u_I(const zet16u* pInsert, zet32s insertLen, zet16u* pSrcDst, zet32s* pSrcDstLen,
                           zet32s startIndex) {
    return insertInPlace(pInsert, insertLen, pSrcDst, pSrcDstLen, startIndex);
}
ZetStatus zetsRemove_8u(const zet8u* pSrc, zet32s srcLen, zet8u* pDst, zet32s startIndex, zet32s len) {
    return removeCopy(pSrc, srcLen, pDst, startIndex, len);
}
ZetStatus zetsRemove_16u(const zet16u* pSrc, zet32s srcLen, zet16u* pDst, zet32s startIndex, zet32s len) {
    return removeCopy(pSrc, srcLen, pDst, startIndex, len);
}
ZetStatus zetsRemove_8u_I(zet8u* pSrcDst, zet32s* pSrcDstLen, zet32s startIndex, zet32s len) {
    return removeInPlace(pSrcDst, pSrcDstLen, startIndex, len);
}
ZetStatus zetsRemove_16u_I(zet16u* pSrcDst, zet32s* pSrcDstLen, zet32s startIndex, zet32s len) {
    return removeInPlace(pSrcDst, pSrcDstLen, startIndex, len);
}
ZetStatus zetsConcat_8u(const zet8u* pSrc1, zet32s len1, const zet8u* pSrc2, zet32s len2, zet8u* pDst) {
    return concatTwo(pSrc1, len1, pSrc2, len2, pDst);
}
ZetStatus zetsConcat_16u(const zet16u* pSrc1, zet32s len1, const zet16u* pSrc2, zet32s len2, zet16u* pDst) {
    return concatTwo(pSrc1, len1, pSrc2, len2, pDst);
}
