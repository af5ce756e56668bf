// Equality kernel for the other families (substring verification). Arguments are already
// checked: both strings valid for len >= 0 units, at any byte address.
#pragma once

#include "core/common.h"

namespace zet {

// Index of the first unit at which the two strings differ, or len when they are equal.
template <CodeUnit T>
int ownMismatch(const T* src1, const T* src2, int len);

// Whether the first len units of the two strings are equal.
template <CodeUnit T>
inline bool ownEqual(const T* src1, const T* src2, int len) {
    return ownMismatch(src1, src2, len) == len;
}

}  // namespace zet
