// Single-character search: zetsFindC_*, zetsFindRevC_*, zetsFindC_Z_*.
//
// The vector kernels work on bytes for both widths: a 16-bit unit is one 16-bit lane, and every
// offset they use is a multiple of the unit size, so lanes never straddle units even when a
// 16-bit string lies at an odd address. Strings of 16 bytes and more: the first 16 bytes
// unaligned, then 128 bytes per pass from the next 16-byte boundary with one combined mask test,
// then 16-byte blocks, and a last block that ends exactly at the string's end (it may overlap
// bytes already checked, which cannot hold a hit). Shorter strings: two overlapping 8-byte or
// 4-byte loads, then single units. Nothing outside the string is read.
#include "search/findc.h"

#include "core/simd.h"

namespace zet {
namespace {

using namespace simd;

// The scalar rule; also the kernel for strings of fewer than 4 bytes.
template <CodeUnit T>
int findCScalar(const T* src, int len, T val) {
    for (int i = 0; i < len; ++i)
        if (getUnit(src, i) == val) return i;
    return -1;
}

template <CodeUnit T>
int findRevCScalar(const T* src, int len, T val) {
    for (int i = len - 1; i >= 0; --i)
        if (getUnit(src, i) == val) return i;
    return -1;
}

// Hit mask of the 16 bytes at base + off.
template <CodeUnit T>
inline unsigned block(const char* base, std::size_t off, v128 key) {
    return bits(cmpeq<T>(loadu(base + off), key));
}

// Strings of 4 to 15 bytes: a low and a high load of 8 (or 4) bytes that overlap in the middle.
template <CodeUnit T, bool Reverse>
int findShort(const char* base, std::size_t nbytes, v128 key) {
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

// True when 16-byte aligned loads keep lanes on unit boundaries (always for bytes).
template <CodeUnit T>
inline bool unitAligned(const void* p) {
    return (addr(p) & (sizeof(T) - 1)) == 0;
}

template <bool Aligned>
inline v128 load(const char* p) {
    if constexpr (Aligned)
        return _mm_load_si128(reinterpret_cast<const v128*>(p));
    else
        return loadu(p);
}

// Whether any unit of the 128 bytes at p equals the key: the masks are merged as they come and
// not kept, so the pass needs no register copies; the rare pass with a hit is looked at again
// block by block by the 16-byte loop that follows.
template <CodeUnit T, bool Aligned>
inline unsigned anyHit128(const char* p, v128 key) {
    v128 any = cmpeq<T>(load<Aligned>(p), key);
    for (int k = 1; k < 8; ++k) any = _mm_or_si128(any, cmpeq<T>(load<Aligned>(p + 16 * k), key));
    return bits(any);
}

// Bytes [off, nbytes) after the first block; with Aligned, base + off is 16-byte aligned.
template <CodeUnit T, bool Aligned>
int scanForward(const char* base, std::size_t off, std::size_t nbytes, v128 key) {
    auto at = [&](std::size_t o, unsigned m) { return static_cast<int>((o + lowBit(m)) / sizeof(T)); };
    for (; off + 128 <= nbytes; off += 128)
        if (anyHit128<T, Aligned>(base + off, key)) break;
    for (; off + 16 <= nbytes; off += 16)
        if (unsigned m = bits(cmpeq<T>(load<Aligned>(base + off), key))) return at(off, m);
    // The last block ends at the string's end and may overlap bytes already checked.
    if (off < nbytes)
        if (unsigned m = block<T>(base, nbytes - 16, key)) return at(nbytes - 16, m);
    return -1;
}

// Bytes [0, end) before the last block, from the top down; with Aligned, base + end is aligned.
template <CodeUnit T, bool Aligned>
int scanBackward(const char* base, std::size_t end, v128 key) {
    auto at = [&](std::size_t o, unsigned m) { return static_cast<int>((o + highBit(m)) / sizeof(T)); };
    for (; end >= 128; end -= 128)
        if (anyHit128<T, Aligned>(base + end - 128, key)) break;
    for (; end >= 16; end -= 16)
        if (unsigned m = bits(cmpeq<T>(load<Aligned>(base + end - 16), key))) return at(end - 16, m);
    // The first block starts at the string's start and may overlap bytes already checked.
    if (end > 0)
        if (unsigned m = block<T>(base, 0, key)) return at(0, m);
    return -1;
}
}  // namespace

template <CodeUnit T>
int ownFindC(const T* src, int len, T val) {
    const char* base = reinterpret_cast<const char*>(src);
    const std::size_t nbytes = static_cast<std::size_t>(len) * sizeof(T);
    if (nbytes < 4) return findCScalar(src, len, val);
    const v128 key = splat(val);
    if (nbytes < 16) return findShort<T, false>(base, nbytes, key);
    if (unsigned m = block<T>(base, 0, key)) return lowBit(m) / static_cast<int>(sizeof(T));
    // Continue from the next 16-byte boundary (re-reading part of the first block).
    if (unitAligned<T>(base)) return scanForward<T, true>(base, 16 - (addr(base) & 15), nbytes, key);
    return scanForward<T, false>(base, 16, nbytes, key);
}

template <CodeUnit T>
int ownFindRevC(const T* src, int len, T val) {
    const char* base = reinterpret_cast<const char*>(src);
    const std::size_t nbytes = static_cast<std::size_t>(len) * sizeof(T);
    if (nbytes < 4) return findRevCScalar(src, len, val);
    const v128 key = splat(val);
    if (nbytes < 16) return findShort<T, true>(base, nbytes, key);
    const std::size_t last = nbytes - 16;
    if (unsigned m = block<T>(base, last, key)) return static_cast<int>((last + highBit(m)) / sizeof(T));
    // Round the unchecked end up to a 16-byte boundary (re-reading part of the last block).
    if (unitAligned<T>(base)) return scanBackward<T, true>(base, last + ((16 - (addr(base + last) & 15)) & 15), key);
    return scanBackward<T, false>(base, last, key);
}

template int ownFindC<zet8u>(const zet8u*, int, zet8u);
template int ownFindC<zet16u>(const zet16u*, int, zet16u);
template int ownFindRevC<zet8u>(const zet8u*, int, zet8u);
template int ownFindRevC<zet16u>(const zet16u*, int, zet16u);

namespace {

template <CodeUnit T, int (*Kernel)(const T*, int, T)>
ZetStatus findCounted(const T* src, zet32s len, T val, zet32s* index) {
    if (anyNull(src, index)) return zetStatusNullPointer;
    if (len < 0) return zetStatusBadLength;
    *index = Kernel(src, len, val);
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

ZetStatus zetsFindC_8u(const zet8u* pSrc, zet32s len, zet8u valFind, zet32s* pIndex) {
    return findCounted<zet8u, ownFindC<zet8u>>(pSrc, len, valFind, pIndex);
}
ZetStatus zetsFindC_16u(const zet16u* pSrc, zet32s len, zet16u valFind, zet32s* pIndex) {
    return findCounted<zet16u, ownFindC<zet16u>>(pSrc, len, valFind, pIndex);
}
ZetStatus zetsFindRevC_8u(const zet8u* pSrc, zet32s len, zet8u valFind, zet32s* pIndex) {
    return findCounted<zet8u, ownFindRevC<zet8u>>(pSrc, len, valFind, pIndex);
}
ZetStatus zetsFindRevC_16u(const zet16u* pSrc, zet32s len, zet16u valFind, zet32s* pIndex) {
    return findCounted<zet16u, ownFindRevC<zet16u>>(pSrc, len, valFind, pIndex);
}
ZetStatus zetsFindC_Z_8u(const zet8u* pSrc, zet8u valFind, zet32s* pIndex) { return findCZ(pSrc, valFind, pIndex); }
ZetStatus zetsFindC_Z_16u(const zet16u* pSrc, zet16u valFind, zet32s* pIndex) { return findCZ(pSrc, valFind, pIndex); }
