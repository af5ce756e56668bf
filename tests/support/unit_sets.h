// Random sets of code units and strings around them, for the set search and trim tests.
#pragma once

#include <algorithm>
#include <random>
#include <vector>

namespace unit_sets {

template <class T>
bool contains(const std::vector<T>& set, T u) {
    return std::find(set.begin(), set.end(), u) != set.end();
}

// n distinct random units, 0 among them in one set of four (n below 200 for bytes, to leave units outside).
template <class T>
std::vector<T> randomSet(std::mt19937& rng, int n) {
    std::vector<T> set;
    if (n > 0 && rng() % 4 == 0) set.push_back(0);
    while (static_cast<int>(set.size()) < n)
        if (const T u = static_cast<T>(rng()); !contains(set, u)) set.push_back(u);
    std::shuffle(set.begin(), set.end(), rng);
    return set;
}

// len units outside the set, often 0 or one bit away from a member (for 16-bit units that shares a byte with
// it), so that a kernel that compares the wrong lanes or widths is caught.
template <class T>
std::vector<T> nonMembers(std::mt19937& rng, int len, const std::vector<T>& set) {
    std::vector<T> s;
    while (static_cast<int>(s.size()) < len) {
        const unsigned kind = rng() % 4, bit = 1u << rng() % (8 * sizeof(T));
        const T u = static_cast<T>(kind == 0 ? 0 : kind == 1 && !set.empty() ? set[rng() % set.size()] ^ bit : rng());
        if (!contains(set, u)) s.push_back(u);
    }
    return s;
}

}  // namespace unit_sets
