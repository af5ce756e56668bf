// Substring search kernels, for the other families (the regular-expression driver). Arguments are
// already checked: src valid for len units, find for lenFind units, 1 <= lenFind <= len.
#pragma once

#include "core/common.h"

namespace zet {

// Index of the first occurrence of find in src, or -1.
template <CodeUnit T>
int ownFind(const T* src, int len, const T* find, int lenFind);

// Index of the last occurrence of find in src, or -1.
template <CodeUnit T>
int ownFindRev(const T* src, int len, const T* find, int lenFind);

}  // namespace zet
