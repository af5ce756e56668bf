// Small helpers every family shares: argument checks and code-unit traits.
#pragma once

#include <climits>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "zetch.h"

namespace zet {

template <class T>
concept CodeUnit = std::is_same_v<T, zet8u> || std::is_same_v<T, zet16u>;

// True when any of the pointers is null (the first check of every exported function).
template <class... P>
constexpr bool anyNull(const P*... p) {
    return ((p == nullptr) || ...);
}

// Unit i of a string that may lie at any byte address. A 16-bit string at an odd address is valid
// input, and a plain p[i] on it would be a misaligned access; memcpy compiles to the same single
// load without that undefined behaviour. Every scalar loop over caller strings uses these.
template <CodeUnit T>
inline T getUnit(const T* p, std::ptrdiff_t i) {
    T v;
    std::memcpy(&v, reinterpret_cast<const char*>(p) + i * static_cast<std::ptrdiff_t>(sizeof(T)), sizeof(T));
    return v;
}

template <CodeUnit T>
inline void putUnit(T* p, std::ptrdiff_t i, T v) {
    std::memcpy(reinterpret_cast<char*>(p) + i * static_cast<std::ptrdiff_t>(sizeof(T)), &v, sizeof(T));
}

// Length of a zero-terminated string in code units; nothing after the terminator is read (the C
// library's strlen for bytes, a plain loop for 16-bit units). Lengths beyond a 32-bit count are
// reported as INT_MAX.
template <CodeUnit T>
int ownLengthZ(const T* s) {
    std::size_t n = 0;
    if constexpr (sizeof(T) == 1) {
        n = std::strlen(reinterpret_cast<const char*>(s));
    } else {
        while (n < static_cast<std::size_t>(INT_MAX) && getUnit(s, static_cast<std::ptrdiff_t>(n)) != 0) ++n;
    }
    return n > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
}

}  // namespace zet
