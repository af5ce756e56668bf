// Comparison and equality: zetsCompare_*, zetsCompareIgnoreCaseLatin_*, zetsCompareIgnoreCase_16u,
// zetsEqual_*.
//
// Every vector kernel is one scan for the first differing byte of two strings of equal length,
// after an optional fold of both 16-byte blocks (identity for the plain forms, the Latin range
// fold for the caseless ones). Bytes are compared even for 16-bit units: the lowest differing
// byte lies in the first differing unit, so its offset divided by the unit size is that unit's
// index, and the plain scan need not keep lanes on unit boundaries. The ordering value is then
// computed from the two scalar units at that index.
//
// Shape of the scan: strings of 16 bytes and more compare their first 16 bytes unaligned, then
// continue from the second string's next 16-byte boundary (when lanes stay on unit boundaries),
// 64 bytes per pass with one combined test, then 16-byte blocks, and a last block that ends
// exactly at the strings' end (it may overlap bytes already found equal). Shorter strings use two
// overlapping 8-byte or 4-byte pieces, or 1 to 3 bytes gathered into a register. Nothing outside
// the two strings is read.
#include "search/compare.h"

#include "case/case_table.h"
#include "case/range_rule.h"
#include "core/simd.h"

namespace zet {
namespace {

using namespace simd;

const char* bytesOf(const void* p) { return static_cast<const char*>(p); }

// Lanes of the plain comparison may be bytes; the Latin fold works on whole units.
struct NoFold {
    v128 operator()(v128 x) const { return x; }
};

template <class Fold>
inline constexpr std::size_t kLaneBytes = 1;
template <CodeUnit T>
inline constexpr std::size_t kLaneBytes<RangeRule<T>> = sizeof(T);

// Bits of the bytes that differ between two (folded) vectors.
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
std::size_t firstDiffShort(const char* a, const char* b, std::size_t n, const Fold& fold) {
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

// Byte offset of the first byte at which the folded strings differ, or n.
template <class Fold>
std::size_t firstDiff(const char* a, const char* b, std::size_t n, const Fold& fold) {
    if (n < 16) return firstDiffShort(a, b, n, fold);
    auto diff = [&](std::size_t o) { return diffBits(loadu(a + o), loadu(b + o), fold); };
    auto same = [&](std::size_t o) { return _mm_cmpeq_epi8(fold(loadu(a + o)), fold(loadu(b + o))); };
    if (unsigned m = diff(0)) return lowBit(m);
    // Strings longer than one pass continue from b's next 16-byte boundary, unless that would
    // split a unit across lanes; shorter ones are not worth the extra block.
    std::size_t o = n > 64 && addr(b) % kLaneBytes<Fold> == 0 ? 16 - (addr(b) & 15) : 16;
    for (; o + 64 <= n; o += 64) {
        const v128 all = _mm_and_si128(_mm_and_si128(same(o), same(o + 16)), _mm_and_si128(same(o + 32), same(o + 48)));
        if (bits(all) != 0xFFFFu) break;
    }
    for (; o + 16 <= n; o += 16)
        if (unsigned m = diff(o)) return o + lowBit(m);
    if (o < n)
        if (unsigned m = diff(n - 16)) return n - 16 + lowBit(m);
    return n;
}

template <CodeUnit T, class Fold>
int firstDiffUnit(const T* s1, const T* s2, int len, const Fold& fold) {
    const std::size_t n = static_cast<std::size_t>(len) * sizeof(T);
    return static_cast<int>(firstDiff(bytesOf(s1), bytesOf(s2), n, fold) / sizeof(T));
}

template <CodeUnit T>
int compareUnits(const T* s1, const T* s2, int len) {
    const int i = ownMismatch(s1, s2, len);
    return i == len ? 0 : static_cast<int>(getUnit(s1, i)) - static_cast<int>(getUnit(s2, i));
}

template <CodeUnit T>
int equalUnits(const T* s1, const T* s2, int len) {
    return ownEqual(s1, s2, len) ? 1 : 0;
}

// The Latin fold kernel for a range and delta (as RangeRule takes them); the exported forms fold
// A..Z to a..z.
template <CodeUnit T>
int compareFolded(const T* s1, const T* s2, int len, T lo, T hi, T delta) {
    const RangeRule<T> fold(lo, hi, delta);
    const int i = firstDiffUnit(s1, s2, len, fold);
    return i == len ? 0 : static_cast<int>(fold(getUnit(s1, i))) - static_cast<int>(fold(getUnit(s2, i)));
}

template <CodeUnit T>
int compareLatin(const T* s1, const T* s2, int len) {
    return compareFolded<T>(s1, s2, len, 'A', 'Z', 'a' - 'A');
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
    return firstDiffUnit(src1, src2, len, NoFold{});
}

template int ownMismatch<zet8u>(const zet8u*, const zet8u*, int);
template int ownMismatch<zet16u>(const zet16u*, const zet16u*, int);

namespace {

template <CodeUnit T, int (*Kernel)(const T*, const T*, int)>
ZetStatus compareChecked(const T* src1, const T* src2, zet32s len, zet32s* result) {
    if (anyNull(src1, src2, result)) return zetStatusNullPointer;
    if (len < 0) return zetStatusBadLength;
    *result = Kernel(src1, src2, len);
    return zetStatusOk;
}

}  // namespace
}  // namespace zet

using namespace zet;

ZetStatus zetsCompare_8u(const zet8u* pSrc1, const zet8u* pSrc2, zet32s len, zet32s* pResult) {
    return compareChecked<zet8u, compareUnits<zet8u>>(pSrc1, pSrc2, len, pResult);
}
ZetStatus zetsCompare_16u(const zet16u* pSrc1, const zet16u* pSrc2, zet32s len, zet32s* pResult) {
    return compareChecked<zet16u, compareUnits<zet16u>>(pSrc1, pSrc2, len, pResult);
}
ZetStatus zetsCompareIgnoreCaseLatin_8u(const zet8u* pSrc1, const zet8u* pSrc2, zet32s len, zet32s* pResult) {
    return compareChecked<zet8u, compareLatin<zet8u>>(pSrc1, pSrc2, len, pResult);
}
ZetStatus zetsCompareIgnoreCaseLatin_16u(const zet16u* pSrc1, const zet16u* pSrc2, zet32s len, zet32s* pResult) {
    return compareChecked<zet16u, compareLatin<zet16u>>(pSrc1, pSrc2, len, pResult);
}
ZetStatus zetsCompareIgnoreCase_16u(const zet16u* pSrc1, const zet16u* pSrc2, zet32s len, zet32s* pResult) {
    return compareChecked<zet16u, compareUnicode>(pSrc1, pSrc2, len, pResult);
}
ZetStatus zetsEqual_8u(const zet8u* pSrc1, const zet8u* pSrc2, zet32s len, zet32s* pResult) {
    return compareChecked<zet8u, equalUnits<zet8u>>(pSrc1, pSrc2, len, pResult);
}
ZetStatus zetsEqual_16u(const zet16u* pSrc1, const zet16u* pSrc2, zet32s len, zet32s* pResult) {
    return compareChecked<zet16u, equalUnits<zet16u>>(pSrc1, pSrc2, len, pResult);
}
