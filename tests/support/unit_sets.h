// Random sets of code units and strings around them, for the set search and trim tests.
#pragma once

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace unit_sets {

template <class T>
bool contains(const std::vector<T>& set, T u) {
    return std::find(set.begin(), set.end(), u) != set.end();
}

// n distinct units drawn at random; one set in four holds 0. Byte sets of more than 200 units
// would leave too few units outside them, so n stays below that for bytes.
template <class T>
std::vector<T> randomSet(std::mt19937& rng, int n) {
    std::vector<T> set;
    if (n > 0 && rng() % 4 == 0) set.push_back(0);
    while (static_cast<int>(set.size()) < n) {
        const T u = static_cast<T>(rng());
        if (!contains(set, u)) set.push_back(u);
    }
    std::shuffle(set.begin(), set.end(), rng);
    return set;
}

// A unit outside the set: often 0 or one bit away from a member (for 16-bit units that shares a
// byte with it), so that a kernel that compares the wrong lanes or widths is caught.
template <class T>
T nonMember(std::mt19937& rng, const std::vector<T>& set) {
    for (;;) {
        T u = static_cast<T>(rng());
        const unsigned kind = rng() % 4;
        if (kind == 0) u = 0;
        if (kind == 1 && !set.empty()) u = static_cast<T>(set[rng() % set.size()] ^ (1u << (rng() % (8 * sizeof(T)))));
        if (!contains(set, u)) return u;
    }
}

template <class T>
std::vector<T> nonMembers(std::mt19937& rng, int len, const std::vector<T>& set) {
    std::vector<T> s(static_cast<std::size_t>(len));
    for (auto& u : s) u = nonMember(rng, set);
    return s;
}

// A case of a sweep, for failure messages.
inline std::string describe(const char* what, int len, int n, int align, int edge, bool sse42) {
    return std::string(what) + ": len " + std::to_string(len) + " set " + std::to_string(n) + " align " +
           std::to_string(align) + " edge " + std::to_string(edge) + (sse42 ? " sse4.2" : " general");
}

}  // namespace unit_sets
