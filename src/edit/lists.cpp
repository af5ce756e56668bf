// Lists of strings: zetsConcat_*_D2L, zetsConcatC_*_D2L (join, without and with a delimiter)
// and zetsSplitC_*_D2L (cut one string at a delimiter into caller buffers).
//
// A list is two parallel arrays, the strings' pointers and their lengths. The arrays themselves
// are checked up front; each element's pointer and length only when the loop reaches it, after
// the elements before it have been written. A bad element therefore leaves the output of the
// earlier ones in place and stops there (split then leaves *pNumDst at its input value).
#include "core/memory.h"
#include "search/findc.h"

namespace zet {
namespace {

template <CodeUnit T, bool Delimited>
ZetStatus join(const T* const* src, const int* srcLen, int numSrc, T delim, T* dst) {
    if (anyNull(src, srcLen, dst)) return zetStatusNullPointer;
    if (numSrc < 1) return zetStatusBadSize;
    std::ptrdiff_t at = 0;
    for (int k = 0; k < numSrc; ++k) {
        if (src[k] == nullptr) return zetStatusNullPointer;
        if (srcLen[k] < 0) return zetStatusBadLength;
        if (Delimited && k > 0) putUnit(dst, at++, delim);
        ownCopy(src[k], dst + at, srcLen[k]);
        at += srcLen[k];
    }
    return zetStatusOk;
}

// Piece k is the text up to the next delimiter (or to the end) and goes to slot k, cut to the
// slot's capacity when longer (warning 27). Two adjacent delimiters give an empty piece; a
// delimiter that ends the text does not start another. When the slots run out before the text,
// the result is warning 26, which takes precedence over 27.
template <CodeUnit T>
ZetStatus split(const T* src, int srcLen, T delim, T* const* dst, int* dstLen, int* numDst) {
    if (anyNull(src, dst, dstLen, numDst)) return zetStatusNullPointer;
    if (srcLen < 0) return zetStatusBadLength;
    const int slots = *numDst;
    if (slots < 1) return zetStatusBadSize;
    ZetStatus status = zetStatusOk;
    std::ptrdiff_t pos = 0;  // start of the next piece; past srcLen once the text is used up
    int k = 0;
    for (; k < slots && pos < srcLen; ++k) {
        if (dst[k] == nullptr) return zetStatusNullPointer;
        if (dstLen[k] < 0) return zetStatusBadLength;
        const int rest = static_cast<int>(srcLen - pos);
        int idx = ownFindC(src + pos, rest, delim);
        if (idx < 0) idx = rest;
        if (idx <= dstLen[k])
            dstLen[k] = idx;
        else
            status = zetStatusSplitTruncated;
        ownCopy(src + pos, dst[k], dstLen[k]);
        pos += static_cast<std::ptrdiff_t>(idx) + 1;
    }
    *numDst = k;
    return pos < srcLen ? zetStatusSplitIncomplete : status;
}

}  // namespace
}  // namespace zet

using namespace zet;

ZetStatus zetsConcat_8u_D2L(const zet8u* const pSrc[], const zet32s srcLen[], zet32s numSrc, zet8u* pDst) {
    return join<zet8u, false>(pSrc, srcLen, numSrc, 0, pDst);
}
ZetStatus zetsConcat_16u_D2L(const zet16u* const pSrc[], const zet32s srcLen[], zet32s numSrc, zet16u* pDst) {
    return join<zet16u, false>(pSrc, srcLen, numSrc, 0, pDst);
}
ZetStatus zetsConcatC_8u_D2L(const zet8u* const pSrc[], const zet32s srcLen[], zet32s numSrc, zet8u delim,
                             zet8u* pDst) {
    return join<zet8u, true>(pSrc, srcLen, numSrc, delim, pDst);
}
ZetStatus zetsConcatC_16u_D2L(const zet16u* const pSrc[], const zet32s srcLen[], zet32s numSrc, zet16u delim,
                              zet16u* pDst) {
    return join<zet16u, true>(pSrc, srcLen, numSrc, delim, pDst);
}
ZetStatus zetsSplitC_8u_D2L(const zet8u* pSrc, zet32s srcLen, zet8u delim, zet8u* pDst[], zet32s pDstLen[],
                            zet32s* pNumDst) {
    return split(pSrc, srcLen, delim, pDst, pDstLen, pNumDst);
}
ZetStatus zetsSplitC_16u_D2L(const zet16u* pSrc, zet32s srcLen, zet16u delim, zet16u* pDst[], zet32s pDstLen[],
                             zet32s* pNumDst) {
    return split(pSrc, srcLen, delim, pDst, pDstLen, pNumDst);
}
