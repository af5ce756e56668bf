// Unicode simple case conversion: zetsLowercase_16u, zetsUppercase_16u and their in-place forms.
//
// Every unit goes through the three-stage case table (case_table.h): three dependent loads and
// no branch. The loops are unrolled so that the loads of neighbouring units overlap: the copying
// form maps 14 units per pass and writes every destination unit, the in-place form maps 16 per
// pass and stores only the units that change (text that needs no change is only read). A pass
// reads all of its units before it writes any, so a destination equal to the source works.
// Strings may lie at odd addresses, so units are read and written with getUnit / putUnit.
#include "case/case_table.h"

namespace zet {
namespace {

using MapFn = zet16u (*)(zet16u);

template <MapFn Map>
void mapCopy(const zet16u* src, zet16u* dst, int len) {
    constexpr int kPass = 14;
    int i = 0;
    for (; i + kPass <= len; i += kPass) {
        zet16u u[kPass];
        for (int k = 0; k < kPass; ++k) u[k] = Map(getUnit(src, i + k));
        for (int k = 0; k < kPass; ++k) putUnit(dst, i + k, u[k]);
    }
    for (; i < len; ++i) putUnit(dst, i, Map(getUnit(src, i)));
}

template <MapFn Map>
void mapInPlace(zet16u* buf, int len) {
    constexpr int kPass = 16;
    int i = 0;
    for (; i + kPass <= len; i += kPass) {
        zet16u u[kPass], m[kPass];
        for (int k = 0; k < kPass; ++k) u[k] = getUnit(buf, i + k);
        for (int k = 0; k < kPass; ++k) m[k] = Map(u[k]);
        for (int k = 0; k < kPass; ++k)
            if (m[k] != u[k]) putUnit(buf, i + k, m[k]);
    }
    for (; i < len; ++i) {
        const zet16u u = getUnit(buf, i), m = Map(u);
        if (m != u) putUnit(buf, i, m);
    }
}

template <MapFn Map>
ZetStatus caseCopy(const zet16u* src, zet16u* dst, zet32s len) {
    if (anyNull(src, dst)) return zetStatusNullPointer;
    if (len < 0) return zetStatusBadLength;
    mapCopy<Map>(src, dst, len);
    return zetStatusOk;
}

template <MapFn Map>
ZetStatus caseInPlace(zet16u* buf, zet32s len) {
    if (anyNull(buf)) return zetStatusNullPointer;
    if (len < 0) return zetStatusBadLength;
    mapInPlace<Map>(buf, len);
    return zetStatusOk;
}

}  // namespace
}  // namespace zet

using namespace zet;

ZetStatus zetsLowercase_16u(const zet16u* pSrc, zet16u* pDst, zet32s len) { return caseCopy<ownCaseLower>(pSrc, pDst, len); }
ZetStatus zetsLowercase_16u_I(zet16u* pSrcDst, zet32s len) { return caseInPlace<ownCaseLower>(pSrcDst, len); }
ZetStatus zetsUppercase_16u(const zet16u* pSrc, zet16u* pDst, zet32s len) { return caseCopy<ownCaseUpper>(pSrc, pDst, len); }
ZetStatus zetsUppercase_16u_I(zet16u* pSrcDst, zet32s len) { return caseInPlace<ownCaseUpper>(pSrcDst, len); }
