// Character replacement: zetsReplaceC_8u, zetsReplaceC_16u.
//
// dst[i] = src[i] == oldVal ? newVal : src[i]. The vector kernel compares 16 bytes with oldVal
// broadcast and blends newVal broadcast in by the comparison mask. Like the single-character
// search it works on bytes for both widths: every offset is a multiple of the unit size from the
// string's start, so lanes never straddle units, and a 16-bit string at an odd address takes the
// vector path too. Strings of 16 bytes and more: the first 16 bytes unaligned, then from the next
// 16-byte boundary of the destination (when the destination lies on a unit boundary) 64 bytes per
// pass, 16-byte blocks, and a last block that ends exactly at the string's end. Shorter strings:
// two overlapping 8-byte or 4-byte pieces, then single units. Nothing outside the strings is read
// or written.
//
// Blocks that overlap convert some units twice. That is harmless out of place, and also in place
// (dst == src): the second pass reads units that were already replaced, and the rule applied
// twice gives what it gave once. Partly overlapping buffers are not supported.
#include "core/simd.h"

namespace zet {
namespace {

using namespace simd;

// The scalar rule; also the kernel for strings of fewer than 4 bytes.
template <CodeUnit T>
void replaceCScalar(const T* src, T* dst, int len, T oldVal, T newVal) {
    for (int i = 0; i < len; ++i) {
        const T u = getUnit(src, i);
        putUnit(dst, i, u == oldVal ? newVal : u);
    }
}

template <CodeUnit T>
inline v128 replaceBlock(v128 v, v128 oldv, v128 newv) {
    return _mm_blendv_epi8(v, newv, cmpeq<T>(v, oldv));
}

// Strings of 4 to 15 bytes: a low and a high piece of 8 (or 4) bytes that overlap in the middle.
template <CodeUnit T>
void replaceShort(const char* s, char* d, std::size_t nbytes, v128 oldv, v128 newv) {
    if (nbytes >= 8) {
        const std::size_t hi = nbytes - 8;
        const v128 a = replaceBlock<T>(load8(s), oldv, newv);
        const v128 b = replaceBlock<T>(load8(s + hi), oldv, newv);
        store8(d, a);
        store8(d + hi, b);
    } else {
        const std::size_t hi = nbytes - 4;
        const v128 a = replaceBlock<T>(load4(s), oldv, newv);
        const v128 b = replaceBlock<T>(load4(s + hi), oldv, newv);
        store4(d, a);
        store4(d + hi, b);
    }
}

template <CodeUnit T>
void ownReplaceC(const T* src, T* dst, int len, T oldVal, T newVal) {
    const char* s = reinterpret_cast<const char*>(src);
    char* d = reinterpret_cast<char*>(dst);
    const std::size_t nbytes = static_cast<std::size_t>(len) * sizeof(T);
    if (nbytes < 4) return replaceCScalar(src, dst, len, oldVal, newVal);
    const v128 oldv = splat(oldVal), newv = splat(newVal);
    if (nbytes < 16) return replaceShort<T>(s, d, nbytes, oldv, newv);
    auto convert = [&](std::size_t off) { storeu(d + off, replaceBlock<T>(loadu(s + off), oldv, newv)); };
    convert(0);
    // Continue from the destination's next 16-byte boundary (re-converting part of the first
    // block), so that the main loop's stores never split a cache line.
    std::size_t off = (addr(d) & (sizeof(T) - 1)) == 0 ? 16 - (addr(d) & 15) : 16;
    for (; off + 64 <= nbytes; off += 64) {
        convert(off);
        convert(off + 16);
        convert(off + 32);
        convert(off + 48);
    }
    for (; off + 16 <= nbytes; off += 16) convert(off);
    if (off < nbytes) convert(nbytes - 16);
}

template <CodeUnit T>
ZetStatus replaceC(const T* src, T* dst, int len, T oldVal, T newVal) {
    if (anyNull(src, dst)) return zetStatusNullPointer;
    if (len < 0) return zetStatusBadLength;
    ownReplaceC(src, dst, len, oldVal, newVal);
    return zetStatusOk;
}

}  // namespace
}  // namespace zet

using namespace zet;

ZetStatus zetsReplaceC_8u(const zet8u* pSrc, zet8u* pDst, zet32s len, zet8u oldVal, zet8u newVal) {
    return replaceC(pSrc, pDst, len, oldVal, newVal);
}
ZetStatus zetsReplaceC_16u(const zet16u* pSrc, zet16u* pDst, zet32s len, zet16u oldVal, zet16u newVal) {
    return replaceC(pSrc, pDst, len, oldVal, newVal);
}
