// Lists of strings: zetsConcat_*_D2L, zetsConcatC_*_D2L (join, without and with a delimiter)
// and zetsSplitC_*_D2L (cut one string at a delimiter into caller buffers).
//
// A list is two parallel arrays, the strings' pointers and their lengths. The arrays themselves
// are checked up front; each element's pointer and length only when the loop reaches it, after
// the elements before it have been written. A bad element therefore leaves the output of the
// earlier ones in place and stops there (split then leaves *pNumDst at its input value).
//
// Split finds the delimiters a vector block at a time (32 bytes in the wide variants, 16 in the
// baseline and for strings shorter than 32 bytes) and takes them from the block's mask one by
// one, so that a piece costs a few instructions rather than a call; pieces of up to 32 bytes are
// copied by two overlapping moves of one size, longer ones by the copy primitive.
#include <cstdint>

#include "core/memory.h"
#include "core/simd.h"
#include "search/wide.h"

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

// The delimiters of a string in order, from the start: next() gives the index of the next one,
// or the string's length when there is none left.
template <CodeUnit T, int W>
class Delimiters {
public:
    Delimiters(const T* src, int len, T delim)
        : src_(src), len_(len), key_(simd::Vec<W>::template splat<T>(delim)), mask_(len > 0 ? blockAt(0) : 0) {}

    int next() {
        while (mask_ == 0) {
            if (len_ - base_ <= kBlock) return len_;
            base_ += kBlock;
            mask_ = blockAt(base_);
        }
        const int i = base_ + simd::lowUnit<T, W>(mask_);
        mask_ = simd::withoutLow<T, W>(mask_);
        return i;
    }

private:
    using V = simd::Vec<W>;
    using M = typename V::mask;
    static constexpr int kBlock = simd::kUnits<T, W>;

    // The delimiters among units [at, at + kBlock) of the string, unit at as unit 0; past the end
    // of the string the block taken is the one that ends there, and a string shorter than a block
    // is read as one zero-padded block (gathered in pieces, or under a mask).
    M blockAt(int at) const {
        if (len_ - at >= kBlock) return V::template eq<T>(V::loadu(src_ + at), key_);
        if (len_ >= kBlock) {
            const int from = len_ - kBlock;
            return V::template eq<T>(V::loadu(src_ + from), key_) >> ((at - from) * simd::kStep<T, W>);
        }
        const std::size_t nbytes = static_cast<std::size_t>(len_) * sizeof(T);
        if constexpr (W == 16)
            return V::template eq<T>(simd::gather(reinterpret_cast<const char*>(src_), nbytes), key_) &
                   simd::unitsBelow<T, W>(len_);
        else if constexpr (W == 64)
            return V::template eq<T>(V::loadPart(src_, nbytes), key_) & simd::unitsBelow<T, W>(len_);
        else
            return 0;  // not reached: 32-byte splits hand strings shorter than a block to the 16-byte one

    }

    const T* src_;
    int len_, base_ = 0;
    typename V::reg key_;
    M mask_;
};

// Copies count units; pieces of up to 32 bytes by two moves of one size that overlap in the
// middle (nothing is written past dst[count - 1]), longer ones by the copy primitive.
template <CodeUnit T>
inline void copyPiece(const T* src, T* dst, int count) {
    const std::size_t n = sizeof(T) * static_cast<std::size_t>(count);
    const char* s = reinterpret_cast<const char*>(src);
    char* d = reinterpret_cast<char*>(dst);
    auto both = [&](auto unit) {
        decltype(unit) lo, hi;
        std::memcpy(&lo, s, sizeof lo);
        std::memcpy(&hi, s + n - sizeof hi, sizeof hi);
        std::memcpy(d, &lo, sizeof lo);
        std::memcpy(d + n - sizeof hi, &hi, sizeof hi);
    };
    if (n > 32)
        ownCopy(src, dst, count);
    else if (n >= 16)
        both(simd::v128{});
    else if (n >= 8)
        both(std::uint64_t{});
    else if (n >= 4)
        both(std::uint32_t{});
    else if (n >= 2)
        both(std::uint16_t{});
    else if (n == 1)
        *d = *s;
}

// Piece k is the text up to the next delimiter (or to the end) and goes to slot k, cut to the
// slot's capacity when longer (warning 27). Two adjacent delimiters give an empty piece; a
// delimiter that ends the text does not start another. When the slots run out before the text,
// the result is warning 26, which takes precedence over 27.
template <CodeUnit T, int W>
ZetStatus splitBy(const T* src, int srcLen, T delim, T* const* dst, int* dstLen, int* numDst) {
    if constexpr (W == 32)
        if (static_cast<std::size_t>(srcLen) * sizeof(T) < 32)
            return splitBy<T, 16>(src, srcLen, delim, dst, dstLen, numDst);
    const int slots = *numDst;
    Delimiters<T, W> delimiters(src, srcLen, delim);
    ZetStatus status = zetStatusOk;
    std::ptrdiff_t pos = 0;  // start of the next piece; past srcLen once the text is used up
    int k = 0;
    for (; k < slots && pos < srcLen; ++k) {
        if (dst[k] == nullptr) return zetStatusNullPointer;
        if (dstLen[k] < 0) return zetStatusBadLength;
        const int end = delimiters.next(), piece = end - static_cast<int>(pos);
        if (piece <= dstLen[k])
            dstLen[k] = piece;
        else
            status = zetStatusSplitTruncated;
        copyPiece(src + pos, dst[k], dstLen[k]);
        pos = static_cast<std::ptrdiff_t>(end) + 1;
    }
    *numDst = k;
    return pos < srcLen ? zetStatusSplitIncomplete : status;
}

// Vector width of split in this variant: 64-byte blocks measured slower (pieces are a few bytes).
inline constexpr int kSplitBytes = simd::kVectorBytes > 32 ? 32 : simd::kVectorBytes;

template <CodeUnit T>
ZetStatus split(const T* src, int srcLen, T delim, T* const* dst, int* dstLen, int* numDst) {
    if (anyNull(src, dst, dstLen, numDst)) return zetStatusNullPointer;
    if (srcLen < 0) return zetStatusBadLength;
    if (*numDst < 1) return zetStatusBadSize;
    return splitBy<T, kSplitBytes>(src, srcLen, delim, dst, dstLen, numDst);
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
