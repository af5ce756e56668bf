#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <vector>

#include "support/guarded.h"
#include "zetch.h"

namespace {

template <class T>
struct Cmp;
template <>
struct Cmp<zet8u> {
    static constexpr auto compare = zetsCompare_8u;
    static constexpr auto latin = zetsCompareIgnoreCaseLatin_8u;
    static constexpr auto equal = zetsEqual_8u;
};
template <>
struct Cmp<zet16u> {
    static constexpr auto compare = zetsCompare_16u;
    static constexpr auto latin = zetsCompareIgnoreCaseLatin_16u;
    static constexpr auto equal = zetsEqual_16u;
};

int latinFold(int u) { return u >= 'A' && u <= 'Z' ? u + 32 : u; }

// The one-at-a-time rules: the (folded) difference at the first index where the units differ.
template <class T>
int ruleCompare(const std::vector<T>& a, const std::vector<T>& b, bool fold) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        const int x = fold ? latinFold(a[i]) : a[i], y = fold ? latinFold(b[i]) : b[i];
        if (x != y) return x - y;
    }
    return 0;
}

// Units 16-bit test code may write at any address.
template <class T>
void setUnit(T* p, int i, T v) {
    std::memcpy(reinterpret_cast<char*>(p) + i * sizeof(T), &v, sizeof(T));
}

template <class T>
class CompareTest : public ::testing::Test {};
using Units = ::testing::Types<zet8u, zet16u>;
TYPED_TEST_SUITE(CompareTest, Units);

// Every length 0..300 with both strings at all 16 alignments against the unreadable page at
// their end (and both against the page at their start), for strings that are equal, equal but
// for letter case, or that differ in one unit at the places where the kernels change gear: the
// first (unaligned) block, the 64-byte passes, the 16-byte blocks and the overlapped last block.
// The differing units vary in their low bit, their case bit, their high bit and, for 16-bit
// units, in the high byte only. The poison after each string differs from the other's, so a
// kernel that compared bytes beyond len would report a difference where there is none.
TYPED_TEST(CompareTest, KernelsAgreeWithTheRuleAtEveryLengthAndAlignment) {
    using T = TypeParam;
    const std::vector<unsigned> flips = sizeof(T) == 1 ? std::vector<unsigned>{0x01, 0x20, 0x80, 0x7F}
                                                       : std::vector<unsigned>{0x0001, 0x0020, 0x8000, 0x0100};
    guarded::Arena arena1(1 << 12), arena2(1 << 12);
    std::mt19937 rng(11);
    for (int len = 0; len <= 300; ++len) {
        std::vector<T> a(len), swapped(len);
        for (int i = 0; i < len; ++i) {
            const unsigned r = rng();
            a[i] = static_cast<T>(r % 3 ? 'A' + r / 3 % 26 + (r / 97 % 2) * 32 : r / 3);
            swapped[i] = static_cast<T>(a[i] >= 'a' && a[i] <= 'z' ? a[i] - 32 : latinFold(a[i]));
        }
        std::set<int> spots;
        for (int p : {0, 9, 17, 40, 95})
            for (int q : {p, len - 1 - p})
                if (q >= 0 && q < len) spots.insert(q);
        for (const auto& b : {a, swapped}) {
            // Each variant of b: the unit changed at `at` (none for -1) and the expected results.
            struct Variant {
                int at;
                T unit;
                int compare, latin, equal;
            };
            std::vector<Variant> variants;
            for (int at : spots) {
                std::vector<T> c = b;
                c[at] = static_cast<T>(c[at] ^ flips[(at + len) % flips.size()]);
                variants.push_back({at, c[at], ruleCompare(a, c, false), ruleCompare(a, c, true), a == c});
            }
            variants.push_back({-1, 0, ruleCompare(a, b, false), ruleCompare(a, b, true), a == b});
            for (guarded::Edge edge : {guarded::Edge::End, guarded::Edge::Start}) {
                for (int align1 = 0; align1 < 16; ++align1) {
                    T* p1 = arena1.place(std::span<const T>(a), align1, edge, T{0x11});
                    for (int align2 = 0; align2 < 16; ++align2) {
                        T* p2 = arena2.place(std::span<const T>(b), align2, edge, T{0x22});
                        for (const auto& v : variants) {
                            if (v.at >= 0) setUnit(p2, v.at, v.unit);
                            int r = -99;
                            ASSERT_EQ(Cmp<T>::compare(p1, p2, len, &r), zetStatusOk);
                            ASSERT_EQ(r, v.compare) << "compare len " << len << " at " << v.at << " aligns " << align1
                                                    << "/" << align2;
                            ASSERT_EQ(Cmp<T>::latin(p1, p2, len, &r), zetStatusOk);
                            ASSERT_EQ(r, v.latin) << "latin len " << len << " at " << v.at << " aligns " << align1
                                                  << "/" << align2;
                            ASSERT_EQ(Cmp<T>::equal(p1, p2, len, &r), zetStatusOk);
                            ASSERT_EQ(r, v.equal) << "equal len " << len << " at " << v.at << " aligns " << align1
                                                  << "/" << align2;
                            if (v.at >= 0) setUnit(p2, v.at, b[v.at]);
                        }
                    }
                }
            }
        }
    }
}

struct Example {
    std::vector<zet16u> a, b;
    int compare, latin;
};

// Worked examples, for both widths where the units fit in a byte.
TYPED_TEST(CompareTest, WorkedExamples) {
    using T = TypeParam;
    const std::vector<Example> examples = {
        {{}, {}, 0, 0},
        {{97, 98, 99}, {97, 98, 100}, -1, -1},
        {{97, 98, 100}, {97, 98, 99}, 1, 1},
        {{0xFF}, {0x01}, 254, 254},  // unsigned order
        {{72, 101, 108, 108, 111}, {104, 69, 76, 76, 79}, 72 - 104, 0},
        {{65}, {98}, 65 - 98, -1},
        {{91}, {97}, -6, -6},        // '[' lies outside A..Z
        {{0xC0}, {0xE0}, -32, -32},  // nothing above 127 is folded
        {{'Z', '@'}, {'z', '`'}, 'Z' - 'z', '@' - '`'},
        {{0, 5}, {0, 6}, -1, -1},    // zero units are data
    };
    for (const auto& e : examples) {
        std::vector<T> a(e.a.begin(), e.a.end()), b(e.b.begin(), e.b.end());
        a.reserve(1), b.reserve(1);  // empty strings need valid pointers too
        const int len = static_cast<int>(a.size());
        int r = -99;
        EXPECT_EQ(Cmp<T>::compare(a.data(), b.data(), len, &r), zetStatusOk);
        EXPECT_EQ(r, e.compare);
        EXPECT_EQ(Cmp<T>::latin(a.data(), b.data(), len, &r), zetStatusOk);
        EXPECT_EQ(r, e.latin);
        EXPECT_EQ(Cmp<T>::equal(a.data(), b.data(), len, &r), zetStatusOk);
        EXPECT_EQ(r, e.compare == 0 ? 1 : 0);
    }
}

TEST(CompareTest16, DifferencesUseTheFullUnitRange) {
    const zet16u a[] = {0xFFFF, 0x0141}, b[] = {0x0001, 0x0041};
    int r = 0;
    EXPECT_EQ(zetsCompare_16u(a, b, 1, &r), zetStatusOk);
    EXPECT_EQ(r, 65534);
    EXPECT_EQ(zetsCompare_16u(b, a, 1, &r), zetStatusOk);
    EXPECT_EQ(r, -65534);
    // 0x0141 is no capital: only the 26 ASCII capitals fold in the 16-bit form too.
    EXPECT_EQ(zetsCompareIgnoreCaseLatin_16u(a + 1, b + 1, 1, &r), zetStatusOk);
    EXPECT_EQ(r, 0x0141 - 0x0061);
}

// Null pointers first (whatever the length), then the length; nothing is written on failure.
TYPED_TEST(CompareTest, ArgumentChecksInOrder) {
    using T = TypeParam;
    const T s[2] = {1, 2};
    for (auto fn : {Cmp<T>::compare, Cmp<T>::latin, Cmp<T>::equal}) {
        int r = 77;
        EXPECT_EQ(fn(nullptr, s, 2, &r), zetStatusNullPointer);
        EXPECT_EQ(fn(s, nullptr, -1, &r), zetStatusNullPointer);
        EXPECT_EQ(fn(s, s, -1, nullptr), zetStatusNullPointer);
        EXPECT_EQ(fn(s, s, -1, &r), zetStatusBadLength);
        EXPECT_EQ(r, 77);
    }
    int r = 77;
    EXPECT_EQ(Cmp<T>::compare(s, s + 1, 0, &r), zetStatusOk);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(Cmp<T>::equal(s, s + 1, 0, &r), zetStatusOk);
    EXPECT_EQ(r, 1);
}

}  // namespace

namespace {

int compareIgnoreCase(std::vector<zet16u> a, std::vector<zet16u> b) {
    a.reserve(1), b.reserve(1);
    int r = -99;
    EXPECT_EQ(zetsCompareIgnoreCase_16u(a.data(), b.data(), static_cast<int>(a.size()), &r), zetStatusOk);
    return r;
}

// Simple lower-case mapping, unit by unit: no full folding, no pairs, nothing above U+FFFF.
TEST(CompareIgnoreCaseTest, FoldsEachUnitToItsSimpleLowerCase) {
    EXPECT_EQ(compareIgnoreCase({0x0391}, {0x03B1}), 0);
    EXPECT_EQ(compareIgnoreCase({0x0130}, {0x0069}), 0);
    EXPECT_EQ(compareIgnoreCase({0x0049}, {0x0131}), 0x69 - 0x131) << "U+0131 has no lower-case form";
    EXPECT_EQ(compareIgnoreCase({0x01C4, 0x01C5}, {0x01C6, 0x01C6}), 0) << "title case lowers too";
    EXPECT_EQ(compareIgnoreCase({0x10A0}, {0x10D0}), 0);
    EXPECT_EQ(compareIgnoreCase({0x00B5}, {0x039C}), 0xB5 - 0x3BC) << "micro sign is not Greek mu";
    EXPECT_EQ(compareIgnoreCase({0x03C2}, {0x03A3}), 0x3C2 - 0x3C3) << "final sigma is not folded";
    EXPECT_EQ(compareIgnoreCase({'H', 'e', 'l', 'l', 'o', 0}, {'h', 'E', 'L', 'L', 'O', 0}), 0);
    EXPECT_EQ(compareIgnoreCase({0xD801, 0xDC00}, {0xD801, 0xDC28}), 0xDC00 - 0xDC28) << "surrogates pass as they are";
    EXPECT_EQ(compareIgnoreCase({0xFF21, 0}, {0xFF41, 1}), -1) << "zero units are data";
    EXPECT_EQ(compareIgnoreCase({0xFFFF}, {0x0001}), 0xFFFF - 1);
    EXPECT_EQ(compareIgnoreCase({}, {}), 0);
}

// Every unit against its own lower case (equal) and against its neighbour (the difference of
// the two lower cases, or of the units after them when both lower to the same unit), with the
// library's own lower-casing as the fold.
TEST(CompareIgnoreCaseTest, AgreesWithTheLowerCaseConversionOnEveryUnit) {
    std::vector<zet16u> all(65536), lower(65536);
    for (int c = 0; c < 65536; ++c) all[c] = static_cast<zet16u>(c);
    ASSERT_EQ(zetsLowercase_16u(all.data(), lower.data(), 65536), zetStatusOk);
    int r = -99;
    ASSERT_EQ(zetsCompareIgnoreCase_16u(all.data(), lower.data(), 65536, &r), zetStatusOk);
    EXPECT_EQ(r, 0);
    for (int c = 0; c + 1 < 65536; ++c) {
        const zet16u a[3] = {'x', static_cast<zet16u>(c), 'y'}, b[3] = {'X', static_cast<zet16u>(c + 1), 'z'};
        ASSERT_EQ(zetsCompareIgnoreCase_16u(a, b, 3, &r), zetStatusOk);
        const int want = lower[c] != lower[c + 1] ? lower[c] - lower[c + 1] : 'y' - 'z';
        ASSERT_EQ(r, want) << "unit " << c;
    }
}

TEST(CompareIgnoreCaseTest, ArgumentChecksInOrder) {
    const zet16u s[2] = {'a', 'B'};
    int r = 77;
    EXPECT_EQ(zetsCompareIgnoreCase_16u(nullptr, s, -1, &r), zetStatusNullPointer);
    EXPECT_EQ(zetsCompareIgnoreCase_16u(s, nullptr, 2, &r), zetStatusNullPointer);
    EXPECT_EQ(zetsCompareIgnoreCase_16u(s, s, -1, nullptr), zetStatusNullPointer);
    EXPECT_EQ(zetsCompareIgnoreCase_16u(s, s, -1, &r), zetStatusBadLength);
    EXPECT_EQ(r, 77);
}

}  // namespace
