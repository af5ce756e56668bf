// Checks on strings placed in a guarded::Arena: the result, and that nothing around it changed.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "support/guarded.h"

namespace placed {

// The arena poisons 64 bytes beyond each end of a placed string, or up to the unreadable page
// when that is nearer (the page at the string's placement edge).
inline std::pair<const char*, const char*> poisonAround(const void* p, std::size_t bytes, int align,
                                                        guarded::Edge edge) {
    const std::uintptr_t a = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t lo = edge == guarded::Edge::Start ? a - static_cast<std::uintptr_t>(align) : a - 64;
    const std::uintptr_t hi = edge == guarded::Edge::End ? (a + bytes + page - 1) / page * page : a + bytes + 64;
    return {reinterpret_cast<const char*>(lo), reinterpret_cast<const char*>(hi)};
}

// The string placed at p (with `align` and `edge`, and a poison unit whose bytes are all
// `poison`) now holds `want`, and the poison around it is intact.
template <class T>
::testing::AssertionResult holds(const T* p, const std::vector<T>& want, int align, guarded::Edge edge, char poison) {
    const std::size_t bytes = want.size() * sizeof(T);
    if (!want.empty() && std::memcmp(p, want.data(), bytes) != 0) return ::testing::AssertionFailure() << "wrong result";
    const auto [lo, hi] = poisonAround(p, bytes, align, edge);
    const char* start = reinterpret_cast<const char*>(p);
    for (const char* q = lo; q < hi; ++q)
        if ((q < start || q >= start + bytes) && *q != poison)
            return ::testing::AssertionFailure() << "written " << (q < start ? start - q : q - start - bytes + 1)
                                                 << " bytes outside the string";
    return ::testing::AssertionSuccess();
}

}  // namespace placed
