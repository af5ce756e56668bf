#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "support/guarded.h"
#include "zetch.h"

namespace {

template <class T>
struct FindC;
template <>
struct FindC<zet8u> {
    static constexpr auto fwd = zetsFindC_8u;
    static constexpr auto rev = zetsFindRevC_8u;
    static constexpr auto z = zetsFindC_Z_8u;
};
template <>
struct FindC<zet16u> {
    static constexpr auto fwd = zetsFindC_16u;
    static constexpr auto rev = zetsFindRevC_16u;
    static constexpr auto z = zetsFindC_Z_16u;
};

template <class T>
int ruleFirst(const T* s, int len, T v) {
    for (int i = 0; i < len; ++i)
        if (s[i] == v) return i;
    return -1;
}
template <class T>
int ruleLast(const T* s, int len, T v) {
    for (int i = len - 1; i >= 0; --i)
        if (s[i] == v) return i;
    return -1;
}

template <class T>
class FindCTest : public ::testing::Test {};
using Units = ::testing::Types<zet8u, zet16u>;
TYPED_TEST_SUITE(FindCTest, Units);

// Every length 0..300 at all 16 alignments against both unreadable edges: no hit, one hit at the
// places where the kernels change gear (first block, 64-byte pass, last block, overlapped tail),
// and two hits. The poison around the string is the searched value, so an over-read that does
// not fault still shows up as a wrong index.
TYPED_TEST(FindCTest, KernelsAgreeWithTheRuleAtEveryLengthAndAlignment) {
    using T = TypeParam;
    const T key = static_cast<T>(sizeof(T) == 1 ? 0x5A : 0x5A3C);
    guarded::Arena arena(1 << 14);
    std::mt19937 rng(7);
    for (int len = 0; len <= 300; ++len) {
        std::vector<T> s(len);
        // Near-misses: units that share a byte with the key.
        for (auto& u : s) {
            do u = static_cast<T>(rng() % 4 == 0 ? (key ^ (T{1} << (rng() % (8 * sizeof(T))))) : rng());
            while (u == key);
        }
        std::set<int> spots;
        for (int p : {0, 1, 3, 4, 7, 8, 15, 16, 17, 31, 32, 47, 48, 63, 64, 65, 78, 79, 80, 127, 128})
            for (int q : {p, len - 1 - p})
                if (q >= 0 && q < len) spots.insert(q);
        std::vector<std::vector<int>> hitSets{{}};
        for (int p : spots) hitSets.push_back({p});
        if (len >= 2) hitSets.push_back({1, len - 2});
        for (const auto& hits : hitSets) {
            std::vector<T> t = s;
            for (int h : hits) t[h] = key;
            const int first = ruleFirst(t.data(), len, key), last = ruleLast(t.data(), len, key);
            guarded::forEachPlacement(arena, t, key, [&](T* p, int align, guarded::Edge edge) {
                int idx = -7;
                ASSERT_EQ(FindC<T>::fwd(p, len, key, &idx), zetStatusOk);
                ASSERT_EQ(idx, first) << "len " << len << " align " << align << " edge " << int(edge);
                ASSERT_EQ(FindC<T>::rev(p, len, key, &idx), zetStatusOk);
                ASSERT_EQ(idx, last) << "len " << len << " align " << align << " edge " << int(edge);
            });
        }
    }
}

TYPED_TEST(FindCTest, ArgumentChecksInOrder) {
    using T = TypeParam;
    T s[3] = {1, 2, 1};
    int idx = 99;
    EXPECT_EQ(FindC<T>::fwd(nullptr, -1, 1, &idx), zetStatusNullPointer) << "null wins over bad length";
    EXPECT_EQ(FindC<T>::rev(s, 3, 1, nullptr), zetStatusNullPointer);
    EXPECT_EQ(FindC<T>::fwd(s, -1, 1, &idx), zetStatusBadLength);
    EXPECT_EQ(FindC<T>::rev(s, -1, 1, &idx), zetStatusBadLength);
    EXPECT_EQ(idx, 99) << "nothing written on failure";
    EXPECT_EQ(FindC<T>::fwd(s, 0, 1, &idx), zetStatusOk);
    EXPECT_EQ(idx, -1);
    idx = 99;
    EXPECT_EQ(FindC<T>::rev(s, 0, 1, &idx), zetStatusOk);
    EXPECT_EQ(idx, -1);
    EXPECT_EQ(FindC<T>::fwd(s, 3, 1, &idx), zetStatusOk);
    EXPECT_EQ(idx, 0);
    EXPECT_EQ(FindC<T>::rev(s, 3, 1, &idx), zetStatusOk);
    EXPECT_EQ(idx, 2);
    EXPECT_EQ(FindC<T>::z(s, 0, nullptr), zetStatusNullPointer) << "also when searching for the terminator";
    EXPECT_EQ(FindC<T>::z(nullptr, 1, &idx), zetStatusNullPointer);
}

TYPED_TEST(FindCTest, ZeroUnitIsDataInCountedStrings) {
    using T = TypeParam;
    std::vector<T> s(100, T{9});
    s[70] = 0;
    int idx = 0;
    EXPECT_EQ(FindC<T>::fwd(s.data(), 100, 0, &idx), zetStatusOk);
    EXPECT_EQ(idx, 70);
    EXPECT_EQ(FindC<T>::rev(s.data(), 100, 0, &idx), zetStatusOk);
    EXPECT_EQ(idx, 70);
}

// The zero-terminated form stops at the terminator: never finds what lies after it, reports the
// length for 0, and reads nothing past the terminator (the string ends against the guard page).
TYPED_TEST(FindCTest, ZeroTerminatedStopsAtTheTerminator) {
    using T = TypeParam;
    guarded::Arena arena(1 << 12);
    for (int len = 0; len <= 70; ++len) {
        std::vector<T> s(len + 1, T{'a'});
        s[len] = 0;
        if (len > 3) s[len - 2] = 'q';
        guarded::forEachPlacement(arena, s, T{'z'}, [&](T* p, int, guarded::Edge) {
            int idx = -7;
            ASSERT_EQ(FindC<T>::z(p, 0, &idx), zetStatusOk);
            ASSERT_EQ(idx, len);
            ASSERT_EQ(FindC<T>::z(p, 'z', &idx), zetStatusOk);
            ASSERT_EQ(idx, -1) << "'z' lies only after the terminator";
            ASSERT_EQ(FindC<T>::z(p, 'q', &idx), zetStatusOk);
            ASSERT_EQ(idx, len > 3 ? len - 2 : -1);
        });
    }
}

}  // namespace
