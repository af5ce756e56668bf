// Regular-expression state objects: size, compilation into caller or allocated memory, the two
// settings that may change after compilation, and release.
#include <climits>

#include "core/common.h"
#include "core/layout.h"
#include "core/memory.h"
#include "regexp/compiler.h"
#include "regexp/program.h"
#include "zetch.h"

using namespace zet;
using namespace zet::rx;

namespace {

// Block size for a pattern of len bytes, or -1 when it does not fit in a signed 32-bit size.
// Such a pattern (over 107 million bytes) is refused with zetStatusBadLength rather than given a
// wrapped size that the compiler would then write past.
int stateSize(int len) {
    const long long size = kRegExpFixedSize + static_cast<long long>(kRegExpNodeBytes) * len;
    return size > INT_MAX ? -1 : static_cast<int>(size);
}

}  // namespace

ZetStatus zetsRegExpGetSize(const char* pPattern, zet32s* pSize) {
    if (anyNull(pPattern, pSize)) return zetStatusNullPointer;
    const int size = stateSize(ownLengthZ(reinterpret_cast<const zet8u*>(pPattern)));
    if (size < 0) return zetStatusBadLength;
    *pSize = size;
    return zetStatusOk;
}

ZetStatus zetsRegExpInit(const char* pPattern, const char* pOptions, RegExpState* pState, zet32s* pErrOffset) {
    if (anyNull(pPattern, pState, pErrOffset)) return zetStatusNullPointer;
    const zet8u* pattern = reinterpret_cast<const zet8u*>(pPattern);
    const int len = ownLengthZ(pattern);
    if (stateSize(len) < 0) return zetStatusBadLength;
    zet32u options = 0;
    if (pOptions != nullptr && !ownRegExpParseOptions(pOptions, &options)) {
        *pErrOffset = 0;
        return zetStatusRegExpBadOption;
    }
    return ownRegExpCompile(pattern, len, options, pState, pErrOffset);
}

ZetStatus zetsRegExpInitAlloc(const char* pPattern, const char* pOptions, RegExpState** ppState, zet32s* pErrOffset) {
    if (anyNull(ppState, pPattern)) return zetStatusNullPointer;
    const int size = stateSize(ownLengthZ(reinterpret_cast<const zet8u*>(pPattern)));
    if (size < 0) {
        *ppState = nullptr;
        return zetStatusBadLength;
    }
    *ppState = static_cast<RegExpState*>(ownMalloc(size));
    if (*ppState == nullptr) return zetStatusNullPointer;
    const ZetStatus st = zetsRegExpInit(pPattern, pOptions, *ppState, pErrOffset);
    if (st != zetStatusOk) {
        ownFree(*ppState);
        *ppState = nullptr;
    }
    return st;
}

// One routine releases both allocated states and allocated multi-pattern tables: the pointer
// goes to the core library unchecked, null included.
void zetsRegExpFree(RegExpState* pState) { zet::ownFree(pState); }

#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wattribute-alias"
#endif
void zetsRegExpMultiFree(RegExpMultiState* pMulti) __attribute__((alias("zetsRegExpFree")));
#pragma GCC diagnostic pop

ZetStatus zetsRegExpSetMatchLimit(zet32s matchLimit, RegExpState* pState) {
    if (pState == nullptr) return zetStatusNullPointer;
    if (matchLimit < 0) return zetStatusBadLength;
    pState->matchLimit = matchLimit;
    return zetStatusOk;
}

ZetStatus zetsRegExpSetFormat(zet32s format, RegExpState* pState) {
    if (pState == nullptr) return zetStatusNullPointer;
    if (format != 0 && format != 1) return zetStatusBadFormat;
    pState->format = format;
    return zetStatusOk;
}
