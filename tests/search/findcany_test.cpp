#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "support/guarded.h"
#include "support/unit_sets.h"
#include "support/zetcore_double.h"
#include "zetch.h"

namespace {

using unit_sets::contains;
using unit_sets::describe;
using unit_sets::nonMembers;
using unit_sets::randomSet;

template <class T>
struct FindAny;
template <>
struct FindAny<zet8u> {
    static constexpr auto fwd = zetsFindCAny_8u;
    static constexpr auto rev = zetsFindRevCAny_8u;
    static constexpr int sse42Limit = 80;
};
template <>
struct FindAny<zet16u> {
    static constexpr auto fwd = zetsFindCAny_16u;
    static constexpr auto rev = zetsFindRevCAny_16u;
    static constexpr int sse42Limit = 40;
};

// Set sizes on both sides of every register-count step of the SSE4.2 kernels (8 and 16 units)
// and of the general kernels' own choices (9/10 members, the table).
const std::vector<int> kSetSizes = {1, 2, 5, 8, 9, 10, 15, 16, 17, 24, 25, 32, 33, 40, 41, 48, 49, 64, 65, 80, 81, 130};

// Index of the first and the last unit of s in the set, by a plain loop.
template <class T>
std::pair<int, int> rule(const std::vector<T>& s, std::vector<T> set) {
    std::sort(set.begin(), set.end());
    int first = -1, last = -1;
    for (int i = 0; i < static_cast<int>(s.size()); ++i)
        if (std::binary_search(set.begin(), set.end(), s[i])) last = i, first = first < 0 ? i : first;
    return {first, last};
}

// Both directions on s[0, len) with the set set[0, n) give `expected`; `where` describes the
// case when they do not.
template <class T, class Where>
void expectFinds(const T* s, int len, const T* set, int n, std::pair<int, int> expected, Where where) {
    int idx = -7;
    ASSERT_EQ(FindAny<T>::fwd(s, len, set, n, &idx), zetStatusOk);
    ASSERT_EQ(idx, expected.first) << "forward, " << where();
    ASSERT_EQ(FindAny<T>::rev(s, len, set, n, &idx), zetStatusOk);
    ASSERT_EQ(idx, expected.second) << "backward, " << where();
}

template <class T>
void expectRule(const std::vector<T>& s, const std::vector<T>& set, const std::string& where) {
    expectFinds(s.data(), static_cast<int>(s.size()), set.data(), static_cast<int>(set.size()), rule(s, set),
                [&] { return where; });
}

template <class T>
class FindCAnyTest : public ::testing::Test {};
using Units = ::testing::Types<zet8u, zet16u>;
TYPED_TEST_SUITE(FindCAnyTest, Units);

TYPED_TEST(FindCAnyTest, ArgumentChecksInOrderAndNothingWrittenOnFailure) {
    using T = TypeParam;
    const T s[3] = {1, 2, 3}, set[2] = {3, 9};
    int idx = 99;
    for (auto fn : {FindAny<T>::fwd, FindAny<T>::rev}) {
        EXPECT_EQ(fn(nullptr, -1, set, -1, &idx), zetStatusNullPointer) << "null wins over bad lengths";
        EXPECT_EQ(fn(s, 3, nullptr, 0, &idx), zetStatusNullPointer) << "the set pointer is needed even when empty";
        EXPECT_EQ(fn(s, 3, set, 2, nullptr), zetStatusNullPointer);
        EXPECT_EQ(fn(s, -1, set, 2, &idx), zetStatusBadLength);
        EXPECT_EQ(fn(s, 3, set, -1, &idx), zetStatusBadLength);
        EXPECT_EQ(idx, 99);
        EXPECT_EQ(fn(s, 0, set, 2, &idx), zetStatusOk);
        EXPECT_EQ(idx, -1);
        idx = 99;
        EXPECT_EQ(fn(s, 3, set, 0, &idx), zetStatusOk);
        EXPECT_EQ(idx, -1);
        idx = 99;
    }
}

// The question goes to the core library after the checks, once per call, only when the set fits
// the SSE4.2 kernels; an empty string or set is answered without it.
TYPED_TEST(FindCAnyTest, AsksForTheFeatureOnlyForSetsThatFitTheSse42Kernels) {
    using T = TypeParam;
    const int limit = FindAny<T>::sse42Limit;
    zetcore_double::CoreScope scope;
    std::vector<T> s(50, 7), set(limit + 1, 3);
    int idx;
    auto queries = [&](auto&& call) {
        const int before = zetcore_double::featureQueries();
        call();
        return zetcore_double::featureQueries() - before;
    };
    for (auto fn : {FindAny<T>::fwd, FindAny<T>::rev}) {
        for (int n : {1, limit - 1, limit}) EXPECT_EQ(queries([&] { fn(s.data(), 50, set.data(), n, &idx); }), 1) << n;
        EXPECT_EQ(queries([&] { fn(s.data(), 50, set.data(), limit + 1, &idx); }), 0);
        EXPECT_EQ(queries([&] { fn(s.data(), 50, set.data(), 1, nullptr); }), 0);
        EXPECT_EQ(queries([&] { fn(s.data(), -1, set.data(), 1, &idx); }), 0);
        EXPECT_EQ(queries([&] { fn(s.data(), 50, set.data(), -1, &idx); }), 0);
        EXPECT_EQ(queries([&] { fn(s.data(), 0, set.data(), 1, &idx); }), 0);
        EXPECT_EQ(queries([&] { fn(s.data(), 50, set.data(), 0, &idx); }), 0);
    }
}

// Every length 0..300 at all 16 alignments against both unreadable edges, with both kernel
// families: no hit, one hit anywhere, hits near both ends, a hit only in the last unit or only
// in the first. The poison around the string is a member, so an over-read shows as a wrong index.
TYPED_TEST(FindCAnyTest, StringSweepAgreesWithTheRule) {
    using T = TypeParam;
    guarded::Arena arena(1 << 12);
    std::mt19937 rng(11);
    zetcore_double::forBothKernels([&](bool sse42) {
        for (int len = 0; len <= 300; ++len) {
            for (int n : {kSetSizes[len % kSetSizes.size()], kSetSizes[(len * 5 + 3) % kSetSizes.size()]}) {
                const auto set = randomSet<T>(rng, n);
                const auto base = nonMembers(rng, len, set);
                auto member = [&] { return set[rng() % set.size()]; };
                for (int variant = 0; variant < 5 && (variant == 0 || len > 0); ++variant) {
                    auto s = base;
                    if (variant == 1) s[rng() % len] = member();
                    if (variant == 2)
                        s[rng() % (len / 2 + 1)] = member(), s[len - 1 - rng() % (len / 2 + 1)] = member();
                    if (variant == 3) s[len - 1] = member();
                    if (variant == 4) s[0] = member();
                    const auto expected = rule(s, set);
                    guarded::forEachPlacement(arena, s, member(), [&](T* p, int align, guarded::Edge edge) {
                        expectFinds(p, len, set.data(), n, expected,
                                    [&] { return describe("string", len, n, align, int(edge), sse42); });
                    });
                }
            }
        }
    });
}

// The set against the unreadable edges, sizes 0..100: the poison around it is a unit of the
// string that is not a member, placed before the real hit, so reading past the set shows.
TYPED_TEST(FindCAnyTest, SetSweepReadsNothingOutsideTheSet) {
    using T = TypeParam;
    guarded::Arena arena(1 << 12);
    std::mt19937 rng(12);
    zetcore_double::forBothKernels([&](bool sse42) {
        for (int n = 0; n <= 100; ++n) {
            const auto set = randomSet<T>(rng, n);
            const T poison = unit_sets::nonMember(rng, set);
            for (int len : {7, 37, 300}) {
                auto s = nonMembers(rng, len, set);
                s[0] = s[len - 1] = poison;
                if (n > 0) s[len / 2] = set[rng() % n];
                const auto expected = rule(s, set);
                guarded::forEachPlacement(arena, set, poison, [&](T* p, int align, guarded::Edge edge) {
                    expectFinds(s.data(), len, p, n, expected,
                                [&] { return describe("set", len, n, align, int(edge), sse42); });
                });
            }
        }
    });
}

// 16-bit strings on both sides of the lengths where the general kernel starts to use its table,
// with set sizes on both sides of the table's thresholds for each.
TEST(FindCAnyTest16, TableThresholds) {
    std::mt19937 rng(13);
    zetcore_double::forBothKernels([&](bool sse42) {
        for (int len : {4095, 4096, 8191, 8192, 16383, 16384, 32767, 32768}) {
            for (int n : {9, 10, 11, 17, 18, 19, 23, 24, 25, 57, 58, 59}) {
                const auto set = randomSet<zet16u>(rng, n);
                auto s = nonMembers(rng, len, set);
                for (int hit : {-1, len - 1, len - 1 - len % 8, len / 2, 3}) {
                    if (hit >= 0) s[hit] = set[rng() % n];
                    expectRule(s, set, "len " + std::to_string(len) + " set " + std::to_string(n) + (sse42 ? " sse4.2" : ""));
                }
            }
        }
    });
}

// Sets past the array of broadcast members (more than 4096 units), with and without every
// member twice, on strings too short and long enough for the table; the hits are the first, the
// last and a random member.
TEST(FindCAnyTest16, LargeSetsWithDuplicates) {
    std::mt19937 rng(14);
    for (int distinct : {2048, 2049, 5000}) {
        const auto once = randomSet<zet16u>(rng, distinct);
        auto twice = once;
        twice.insert(twice.end(), once.rbegin(), once.rend());
        for (int len : {1000, 40000}) {
            auto s = nonMembers(rng, len, once);
            const zet16u hits[] = {once.back(), once.front(), once[rng() % once.size()]};
            for (int k = 0; k < 3; ++k) {
                s[len - 2 - 300 * k] = hits[k];
                expectRule(s, twice, "twice, len " + std::to_string(len));
                expectRule(s, once, "once, len " + std::to_string(len));
            }
        }
    }
}

}  // namespace
