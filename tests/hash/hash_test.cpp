#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "support/guarded.h"
#include "zetch.h"

namespace {

template <class T>
struct Hashes;
template <>
struct Hashes<zet8u> {
    static constexpr ZetStatus (*fns[3])(const zet8u*, zet32s, zet32u*) = {zetsHash_8u32u, zetsHashSJ2_8u32u,
                                                                           zetsHashMSCS_8u32u};
};
template <>
struct Hashes<zet16u> {
    static constexpr ZetStatus (*fns[3])(const zet16u*, zet32s, zet32u*) = {zetsHash_16u32u, zetsHashSJ2_16u32u,
                                                                            zetsHashMSCS_16u32u};
};

// The three rules, one line each.
template <class T>
zet32u rule(int which, const std::vector<T>& s) {
    zet32u h = which == 2 ? 5381 : 0;
    for (T c : s) {
        if (which == 0) h = (h << 1) ^ c;
        else if (which == 1) h = h * 31 + c;
        else if (c == 0) break;
        else h = (h * 33) ^ c;
    }
    return h;
}

template <class T>
class HashTest : public ::testing::Test {};
using UnitTypes = ::testing::Types<zet8u, zet16u>;
TYPED_TEST_SUITE(HashTest, UnitTypes);

TYPED_TEST(HashTest, WorkedValues) {
    using T = TypeParam;
    const std::vector<T> abc{'a', 'b', 'c'};
    const zet32u want[3][3] = {{0x123, 97, 0}, {96354, 97, 0}, {193409669, 177604, 5381}};
    for (int r = 0; r < 3; ++r) {
        zet32u h = 1;
        ASSERT_EQ(Hashes<T>::fns[r](abc.data(), 3, &h), zetStatusOk);
        EXPECT_EQ(h, want[r][0]) << "rule " << r << " abc";
        ASSERT_EQ(Hashes<T>::fns[r](abc.data(), 1, &h), zetStatusOk);
        EXPECT_EQ(h, want[r][1]) << "rule " << r << " a";
        ASSERT_EQ(Hashes<T>::fns[r](abc.data(), 0, &h), zetStatusOk);
        EXPECT_EQ(h, want[r][2]) << "rule " << r << " empty";
    }
}

TYPED_TEST(HashTest, ArgumentChecks) {
    using T = TypeParam;
    const T s[2] = {1, 2};
    for (auto fn : Hashes<T>::fns) {
        zet32u h = 77;
        EXPECT_EQ(fn(s, 0, nullptr), zetStatusNullPointer);
        EXPECT_EQ(fn(nullptr, -1, &h), zetStatusNullPointer);
        EXPECT_EQ(fn(s, -1, &h), zetStatusBadLength);
        EXPECT_EQ(h, 77u);
    }
}

// Only the multiply-33-xor rule stops at a zero unit; only the last 32 units reach a shift-xor value.
TYPED_TEST(HashTest, ZeroUnitsAndTheShiftXorWindow) {
    using T = TypeParam;
    const std::vector<T> withZero{'a', 'b', 0, 'c'}, ab{'a', 'b'};
    zet32u h1 = 0, h2 = 0;
    Hashes<T>::fns[2](withZero.data(), 4, &h1);
    Hashes<T>::fns[2](ab.data(), 2, &h2);
    EXPECT_EQ(h1, h2);
    Hashes<T>::fns[0](withZero.data(), 4, &h1);
    EXPECT_EQ(h1, (0x61u << 3) ^ (0x62u << 2) ^ 0x63u);
    Hashes<T>::fns[1](withZero.data(), 4, &h1);
    EXPECT_EQ(h1, ((0x61u * 31 + 0x62) * 31) * 31 + 0x63);

    std::vector<T> a(40), b(40);
    for (int i = 0; i < 40; ++i) a[i] = b[i] = static_cast<T>(0x9F + 7 * i);
    for (int i = 0; i < 8; ++i) b[i] = static_cast<T>(~b[i]);
    Hashes<T>::fns[0](a.data(), 40, &h1);
    Hashes<T>::fns[0](b.data(), 40, &h2);
    EXPECT_EQ(h1, h2);
    Hashes<T>::fns[0](a.data() + 8, 32, &h2);
    EXPECT_EQ(h1, h2);
}

// Random units (zeros included) of every length 0..100 at all 16 alignments against both
// unreadable edges: the value of each function equals its rule's.
TYPED_TEST(HashTest, AgreeWithTheRulesAtEveryLengthAndAlignment) {
    using T = TypeParam;
    guarded::Arena arena(1 << 12);
    std::mt19937 rng(21);
    for (int len = 0; len <= 100; ++len) {
        std::vector<T> s(static_cast<std::size_t>(len));
        for (auto& u : s) u = static_cast<T>(rng() % 8 ? rng() | 1 : 0);
        if (len > 0 && rng() % 2) s[rng() % len] = 0;
        zet32u want[3];
        for (int r = 0; r < 3; ++r) want[r] = rule(r, s);
        guarded::forEachPlacement(arena, s, static_cast<T>(0xA5A5), [&](const T* p, int align, guarded::Edge edge) {
            for (int r = 0; r < 3; ++r) {
                zet32u h = 0;
                ASSERT_EQ(Hashes<T>::fns[r](p, len, &h), zetStatusOk);
                ASSERT_EQ(h, want[r]) << "rule " << r << " len " << len << " align " << align << " edge " << int(edge);
            }
        });
    }
}

TYPED_TEST(HashTest, LongStrings) {
    using T = TypeParam;
    std::mt19937 rng(22);
    for (int len : {1000, 4097, 100003}) {
        std::vector<T> s(static_cast<std::size_t>(len));
        for (auto& u : s) u = static_cast<T>(rng() | 1);
        for (int r = 0; r < 3; ++r) {
            zet32u h = 0;
            ASSERT_EQ(Hashes<T>::fns[r](s.data(), len, &h), zetStatusOk);
            EXPECT_EQ(h, rule(r, s)) << "rule " << r << " len " << len;
        }
    }
}

}  // namespace
