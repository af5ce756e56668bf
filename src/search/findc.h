// Single-code-unit search kernels, for the other families (substring search, split, the
// regular-expression driver). Arguments are already checked: src valid for len >= 0 units.
#pragma once

#include "core/common.h"

namespace zet {

// Index of the first unit equal to val, or -1.
template <CodeUnit T>
int ownFindC(const T* src, int len, T val);

// Index of the last unit equal to val, or -1.
template <CodeUnit T>
int ownFindRevC(const T* src, int len, T val);

}  // namespace zet
