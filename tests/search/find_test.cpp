#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string_view>
#include <vector>

#include "support/guarded.h"
#include "zetch.h"

namespace {

template <class T>
struct Find;
template <>
struct Find<zet8u> {
    static constexpr auto fwd = zetsFind_8u;
    static constexpr auto rev = zetsFindRev_8u;
    static constexpr auto z = zetsFind_Z_8u;
};
template <>
struct Find<zet16u> {
    static constexpr auto fwd = zetsFind_16u;
    static constexpr auto rev = zetsFindRev_16u;
    static constexpr auto z = zetsFind_Z_16u;
};

// The rule: every candidate position compared unit by unit.
template <class T>
std::vector<int> occurrences(const std::vector<T>& text, const std::vector<T>& needle) {
    std::vector<int> at;
    if (needle.empty()) return at;
    for (std::size_t i = 0; i + needle.size() <= text.size(); ++i)
        if (std::equal(needle.begin(), needle.end(), text.begin() + static_cast<std::ptrdiff_t>(i)))
            at.push_back(static_cast<int>(i));
    return at;
}

// Units of s; storage is allocated even for an empty s, so data() is a valid pointer.
template <class T>
std::vector<T> units(std::string_view s) {
    std::vector<T> v(s.begin(), s.end());
    v.reserve(1);
    return v;
}

template <class T>
class FindTest : public ::testing::Test {};
using Units = ::testing::Types<zet8u, zet16u>;
TYPED_TEST_SUITE(FindTest, Units);

// Texts of every length 0..300 at all 16 alignments against both unreadable edges, with needles
// of 2 to 80 units (the needle too ends against an unreadable page). Each text holds near-misses
// (first and last unit of the needle with a different middle, or only one of the two) and no
// occurrence, one at the start, one at the end, one in the last block, one in the first block,
// or two. The text's end repeats the needle but for its last unit, and the poison after it is
// that unit: reading past the end would find an occurrence that is not there.
TYPED_TEST(FindTest, KernelsAgreeWithTheRuleAtEveryLengthAndAlignment) {
    using T = TypeParam;
    const T hi = static_cast<T>(sizeof(T) == 1 ? 0xC0 : 0xC100);  // units that differ in the high byte
    guarded::Arena textArena(1 << 12), needleArena(1 << 12);
    std::mt19937 rng(5);
    for (int len = 0; len <= 300; ++len) {
        for (int n : {2, 3, 4, 9, 16, 17, 33, 78, 79, 80}) {
            if (n > len + 1) continue;
            std::vector<T> needle(n);
            for (auto& u : needle) u = static_cast<T>(hi + rng() % 3);
            needle[0] = hi + 3;  // first and last differ from every filler and middle unit
            needle[n - 1] = hi + 4;
            std::vector<T> base(len);
            for (auto& u : base) u = static_cast<T>(hi + rng() % 3);
            // Near-misses at random places; they may overlap one another.
            for (int k = 0; k < 6 && len >= n; ++k) {
                const int at = static_cast<int>(rng() % (len - n + 1));
                std::copy(needle.begin(), needle.end(), base.begin() + at);
                if (n > 2)
                    base[at + 1 + rng() % (n - 2)] ^= 8;
                else
                    base[at + rng() % 2] ^= 8;
            }
            if (len >= n - 1) std::copy(needle.begin(), needle.end() - 1, base.end() - (n - 1));
            std::set<std::vector<int>> plants{{}};
            for (int at : {0, len - n, len - n - 5, 7})
                if (at >= 0 && at + n <= len) plants.insert({at});
            if (len >= 3 * n) plants.insert({n / 2, len - 2 * n});
            const T* pn = needleArena.place(std::span<const T>(needle), (len + n) % 16, guarded::Edge::End, T{0});
            for (const auto& plant : plants) {
                std::vector<T> text = base;
                for (int at : plant) std::copy(needle.begin(), needle.end(), text.begin() + at);
                const auto all = occurrences(text, needle);
                const int first = all.empty() ? -1 : all.front(), last = all.empty() ? -1 : all.back();
                guarded::forEachPlacement(textArena, text, needle[n - 1], [&](T* p, int align, guarded::Edge edge) {
                    int idx = -7;
                    ASSERT_EQ(Find<T>::fwd(p, len, pn, n, &idx), zetStatusOk);
                    ASSERT_EQ(idx, first) << "len " << len << " n " << n << " align " << align << " edge " << int(edge);
                    ASSERT_EQ(Find<T>::rev(p, len, pn, n, &idx), zetStatusOk);
                    ASSERT_EQ(idx, last) << "len " << len << " n " << n << " align " << align << " edge " << int(edge);
                });
            }
        }
    }
}

// Small alphabets give every kind of partial match, overlapping occurrences included.
TYPED_TEST(FindTest, RandomTextsOverSmallAlphabets) {
    using T = TypeParam;
    std::mt19937 rng(9);
    for (int round = 0; round < 20000; ++round) {
        const int len = static_cast<int>(rng() % 120), n = 1 + static_cast<int>(rng() % 12);
        const unsigned letters = 2 + rng() % 3;
        std::vector<T> text(len), needle(n);
        text.reserve(1);
        for (auto& u : text) u = static_cast<T>('a' + rng() % letters);
        for (auto& u : needle) u = static_cast<T>('a' + rng() % letters);
        const auto all = occurrences(text, needle);
        int idx = -7;
        ASSERT_EQ(Find<T>::fwd(text.data(), len, needle.data(), n, &idx), zetStatusOk);
        ASSERT_EQ(idx, all.empty() ? -1 : all.front());
        ASSERT_EQ(Find<T>::rev(text.data(), len, needle.data(), n, &idx), zetStatusOk);
        ASSERT_EQ(idx, all.empty() ? -1 : all.back());
    }
}

TYPED_TEST(FindTest, WorkedExamples) {
    using T = TypeParam;
    struct Case {
        std::string_view text, needle;
        int first, last;
    };
    const Case cases[] = {
        {"aaab", "ab", 2, 2},
        {"abab", "ab", 0, 2},
        {"abc", "abc", 0, 0},
        {"aaa", "aa", 0, 1},
        {"aybaxb", "axb", 3, 3},
        {"ab", "abc", -1, -1},
        {"", "a", -1, -1},
        {"abc", "", -1, -1},
        {"", "", -1, -1},
        {std::string_view("a\0b\0a\0b\0", 8), std::string_view("b\0", 2), 2, 6},
        {"xyzxyz", "z", 2, 5},
    };
    for (const auto& c : cases) {
        const auto text = units<T>(c.text), needle = units<T>(c.needle);
        const int len = static_cast<int>(text.size()), n = static_cast<int>(needle.size());
        int idx = 99;
        EXPECT_EQ(Find<T>::fwd(text.data(), len, needle.data(), n, &idx), zetStatusOk);
        EXPECT_EQ(idx, c.first) << c.text << " / " << c.needle;
        idx = 99;
        EXPECT_EQ(Find<T>::rev(text.data(), len, needle.data(), n, &idx), zetStatusOk);
        EXPECT_EQ(idx, c.last) << c.text << " / " << c.needle;
    }
}

// Null pointers first, then negative lengths; nothing written on failure. The zero-terminated
// form measures both strings before the counted search reports a null pIndex.
TYPED_TEST(FindTest, ArgumentChecksInOrder) {
    using T = TypeParam;
    const T s[4] = {'a', 'b', 'c', 0};
    for (auto fn : {Find<T>::fwd, Find<T>::rev}) {
        int idx = 77;
        EXPECT_EQ(fn(nullptr, -1, s, 1, &idx), zetStatusNullPointer);
        EXPECT_EQ(fn(s, 3, nullptr, -1, &idx), zetStatusNullPointer);
        EXPECT_EQ(fn(s, 3, s, 1, nullptr), zetStatusNullPointer);
        EXPECT_EQ(fn(s, -1, s, 1, &idx), zetStatusBadLength);
        EXPECT_EQ(fn(s, 3, s, -1, &idx), zetStatusBadLength);
        EXPECT_EQ(idx, 77);
    }
    int idx = 77;
    EXPECT_EQ(Find<T>::z(nullptr, s, &idx), zetStatusNullPointer);
    EXPECT_EQ(Find<T>::z(s, nullptr, &idx), zetStatusNullPointer);
    EXPECT_EQ(Find<T>::z(s, s + 1, nullptr), zetStatusNullPointer);
    EXPECT_EQ(idx, 77);
}

// The zero-terminated form searches up to the terminators only; an empty needle is not found.
TYPED_TEST(FindTest, ZeroTerminatedStopsAtTheTerminators) {
    using T = TypeParam;
    guarded::Arena textArena(1 << 12), needleArena(1 << 12);
    const auto text = units<T>(std::string_view("abcabd\0abd\0", 11)), needle = units<T>(std::string_view("bd\0", 3));
    const auto after = units<T>(std::string_view("abd\0", 4)), empty = units<T>(std::string_view("\0", 1));
    guarded::forEachPlacement(textArena, text, T{'d'}, [&](T* p, int, guarded::Edge) {
        const std::pair<const std::vector<T>*, int> needles[] = {{&needle, 4}, {&after, 3}, {&empty, -1}};
        for (auto [n, want] : needles) {
            const T* pn = needleArena.place(std::span<const T>(*n), 3, guarded::Edge::End, T{'x'});
            int idx = -7;
            ASSERT_EQ(Find<T>::z(p, pn, &idx), zetStatusOk);
            ASSERT_EQ(idx, want);
        }
        int idx = -7;
        const T* pn = needleArena.place(std::span<const T>(text), 0, guarded::Edge::End, T{'x'});
        ASSERT_EQ(Find<T>::z(p, pn, &idx), zetStatusOk);
        ASSERT_EQ(idx, 0) << "a needle equal to the text";
    });
}

}  // namespace
