// Internal memory primitives. Every run of code units that the library copies, moves or clears
// goes through these. Each checks its own arguments like an exported function (null pointer:
// zetStatusNullPointer; count < 1: zetStatusBadSize) before it touches memory, so callers pass a
// zero count without a test of their own and ignore the status.
#pragma once

#include <cstring>

#include "core/common.h"
#include "core/zetcore.h"

namespace zet {

// Copies count units; the ranges must not overlap.
template <CodeUnit T>
inline ZetStatus ownCopy(const T* src, T* dst, int count) {
    if (anyNull(src, dst)) return zetStatusNullPointer;
    if (count < 1) return zetStatusBadSize;
    std::memcpy(dst, src, sizeof(T) * static_cast<std::size_t>(count));
    return zetStatusOk;
}

// Copies count units; any overlap of the two ranges is safe.
template <CodeUnit T>
inline ZetStatus ownMove(const T* src, T* dst, int count) {
    if (anyNull(src, dst)) return zetStatusNullPointer;
    if (count < 1) return zetStatusBadSize;
    std::memmove(dst, src, sizeof(T) * static_cast<std::size_t>(count));
    return zetStatusOk;
}

// Sets count bytes to zero.
inline ZetStatus ownZero_8u(zet8u* dst, int count) {
    if (dst == nullptr) return zetStatusNullPointer;
    if (count < 1) return zetStatusBadSize;
    std::memset(dst, 0, static_cast<std::size_t>(count));
    return zetStatusOk;
}

// A block from the core library's allocator; size < 1 gives null without asking it.
inline void* ownMalloc(int size) { return size < 1 ? nullptr : zetMalloc(size); }

// Hands ptr (null included) to the core library's release.
inline void ownFree(void* ptr) { zetFree(ptr); }

}  // namespace zet
