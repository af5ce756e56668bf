#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/guarded.h"
#include "support/unit_sets.h"
#include "support/zetcore_double.h"
#include "zetch.h"

namespace {

using unit_sets::contains;

template <class T>
struct Trim;
template <>
struct Trim<zet8u> {
    static constexpr auto c = zetsTrimC_8u;
    static constexpr auto cInPlace = zetsTrimC_8u_I;
    static constexpr decltype(&zetsTrimCAny_8u) any[3] = {zetsTrimCAny_8u, zetsTrimStartCAny_8u, zetsTrimEndCAny_8u};
};
template <>
struct Trim<zet16u> {
    static constexpr auto c = zetsTrimC_16u;
    static constexpr auto cInPlace = zetsTrimC_16u_I;
    static constexpr decltype(&zetsTrimCAny_16u) any[3] = {zetsTrimCAny_16u, zetsTrimStartCAny_16u,
                                                           zetsTrimEndCAny_16u};
};
const char* const kEnds[3] = {"both ends", "start", "end"};

// The rule: s without its leading (ends 0, 1) and trailing (ends 0, 2) units of the set.
template <class T>
std::vector<T> rule(const std::vector<T>& s, const std::vector<T>& set, int ends) {
    std::size_t first = 0, last = s.size();
    if (ends != 2)
        while (first < last && contains(set, s[first])) ++first;
    if (ends != 1)
        while (last > first && contains(set, s[last - 1])) --last;
    return {s.begin() + static_cast<std::ptrdiff_t>(first), s.begin() + static_cast<std::ptrdiff_t>(last)};
}

// Calls fn(pDst, pDstLen) with a destination full of a marker, and returns what it stored; the
// units after the stored length must keep the marker.
template <class T, class Fn>
std::vector<T> intoDst(std::size_t room, Fn fn) {
    const T marker = static_cast<T>(0xA5A5);
    std::vector<T> dst(room + 4, marker);
    int len = -7;
    EXPECT_EQ(fn(dst.data(), &len), zetStatusOk);
    if (len < 0 || static_cast<std::size_t>(len) > room) return {static_cast<T>(len)};
    for (std::size_t i = static_cast<std::size_t>(len); i < dst.size(); ++i) EXPECT_EQ(dst[i], marker) << i;
    dst.resize(static_cast<std::size_t>(len));
    return dst;
}

template <class T>
class TrimTest : public ::testing::Test {};
using Units = ::testing::Types<zet8u, zet16u>;
TYPED_TEST_SUITE(TrimTest, Units);

TYPED_TEST(TrimTest, SmallExamples) {
    using T = TypeParam;
    auto units = [](const char* text) { return std::vector<T>(text, text + std::strlen(text)); };
    const auto blanks = units("   ab "), x = units("x"), text = units("x-yx");
    EXPECT_EQ(intoDst<T>(6, [&](T* d, int* n) { return Trim<T>::c(blanks.data(), 6, ' ', d, n); }), units("ab"));
    EXPECT_EQ(intoDst<T>(4, [&](T* d, int* n) { return Trim<T>::c(blanks.data(), 3, ' ', d, n); }), units(""))
        << "all removed: length 0, destination untouched";
    auto buf = blanks;
    int len = 6;
    EXPECT_EQ(Trim<T>::cInPlace(buf.data(), &len, ' '), zetStatusOk);
    EXPECT_EQ(len, 2);
    EXPECT_EQ(buf, units("ab ab ")) << "kept part moved to the front, the rest keeps its old units";

    const char* expected[3] = {"-y", "-yx", "x-y"};
    for (int e = 0; e < 3; ++e) {
        auto fn = Trim<T>::any[e];
        EXPECT_EQ(intoDst<T>(4, [&](T* d, int* n) { return fn(text.data(), 4, x.data(), 1, d, n); }),
                  units(expected[e]))
            << kEnds[e];
        EXPECT_EQ(intoDst<T>(4, [&](T* d, int* n) { return fn(text.data(), 4, x.data(), 0, d, n); }), text)
            << "an empty set removes nothing";
        EXPECT_EQ(intoDst<T>(4, [&](T* d, int* n) { return fn(text.data(), 0, x.data(), 1, d, n); }), units(""));
    }
}

TYPED_TEST(TrimTest, ArgumentChecksInOrderAndFeatureQuestion) {
    using T = TypeParam;
    zetcore_double::CoreScope scope;
    T s[2] = {1, 2}, set[1] = {1}, dst[2] = {9, 9};
    const std::vector<T> big(1000, 1);
    int len = 77;
    auto queries = [](auto&& call, ZetStatus want) {
        const int before = zetcore_double::featureQueries();
        EXPECT_EQ(call(), want);
        return zetcore_double::featureQueries() - before;
    };
    for (auto fn : Trim<T>::any) {
        len = 77, dst[0] = dst[1] = 9;
        EXPECT_EQ(queries([&] { return fn(nullptr, -1, set, -1, dst, &len); }, zetStatusNullPointer), 0);
        EXPECT_EQ(queries([&] { return fn(s, 2, nullptr, 0, dst, &len); }, zetStatusNullPointer), 0);
        EXPECT_EQ(queries([&] { return fn(s, 2, set, 1, nullptr, &len); }, zetStatusNullPointer), 0);
        EXPECT_EQ(queries([&] { return fn(s, 2, set, 1, dst, nullptr); }, zetStatusNullPointer), 0);
        EXPECT_EQ(queries([&] { return fn(s, -1, set, 1, dst, &len); }, zetStatusBadLength), 0);
        EXPECT_EQ(queries([&] { return fn(s, 2, set, -1, dst, &len); }, zetStatusBadLength), 0);
        EXPECT_EQ(len, 77);
        EXPECT_EQ(dst[0] + dst[1], 18) << "nothing written on failure";
        // After the checks: once per call, whatever the sizes (an empty source or set included).
        for (int n : {0, 1, 1000}) EXPECT_EQ(queries([&] { return fn(s, 2, big.data(), n, dst, &len); }, zetStatusOk), 1);
        EXPECT_EQ(queries([&] { return fn(s, 0, set, 1, dst, &len); }, zetStatusOk), 1);
    }
    EXPECT_EQ(queries([&] { return Trim<T>::c(nullptr, 2, 1, dst, &len); }, zetStatusNullPointer), 0);
    EXPECT_EQ(queries([&] { return Trim<T>::c(s, -1, 1, dst, &len); }, zetStatusBadLength), 0);
    EXPECT_EQ(queries([&] { return Trim<T>::c(s, 2, 1, dst, &len); }, zetStatusOk), 0) << "one unit: no question";
    len = -1;
    EXPECT_EQ(Trim<T>::cInPlace(s, &len, 1), zetStatusBadLength);
    EXPECT_EQ(Trim<T>::cInPlace(s, nullptr, 1), zetStatusNullPointer);
    EXPECT_EQ(Trim<T>::cInPlace(nullptr, &len, 1), zetStatusNullPointer);
    EXPECT_EQ(s[0], 1);
}

// Runs of members at both ends (random lengths, the whole string included) around a body that
// starts and ends with `edge` and holds members and non-members inside. Half the time the runs
// are made of the first member only, so that the one-unit trim has long runs too.
template <class T>
std::vector<T> trimCase(std::mt19937& rng, int len, const std::vector<T>& set, T edge) {
    std::vector<T> s(static_cast<std::size_t>(len));
    const int lead = static_cast<int>(rng() % (len + 1)), trail = static_cast<int>(rng() % (len - lead + 1));
    const bool single = rng() % 2;
    for (int i = 0; i < len; ++i) {
        const T member = single ? set[0] : set[rng() % set.size()];
        s[i] = i < lead || i >= len - trail ? member : rng() % 3 ? unit_sets::nonMember(rng, set) : member;
    }
    if (lead < len - trail) s[lead] = s[len - trail - 1] = edge;
    return s;
}

template <class T>
std::vector<T> unitsAt(const T* p, int len) {
    std::vector<T> v(static_cast<std::size_t>(len));
    if (len > 0) std::memcpy(v.data(), p, v.size() * sizeof(T));
    return v;
}

// All set trims and both one-unit trims on s placed at p agree with the rule.
template <class T, class Where>
void expectTrims(T* p, const std::vector<T>& s, const T* set, const std::vector<T>& members, Where where) {
    const int len = static_cast<int>(s.size()), n = static_cast<int>(members.size());
    for (int e = 0; e < 3; ++e)
        ASSERT_EQ(intoDst<T>(s.size(), [&](T* d, int* k) { return Trim<T>::any[e](p, len, set, n, d, k); }),
                  rule(s, members, e))
            << kEnds[e] << ", " << where();
    const std::vector<T> one{members[0]};
    const auto kept = rule(s, one, 0);
    ASSERT_EQ(intoDst<T>(s.size(), [&](T* d, int* k) { return Trim<T>::c(p, len, one[0], d, k); }), kept)
        << "one unit, " << where();
    int k = len;
    ASSERT_EQ(Trim<T>::cInPlace(p, &k, one[0]), zetStatusOk);
    auto after = unitsAt(p, len);
    ASSERT_EQ(std::vector<T>(after.begin(), after.begin() + k), kept) << "in place, " << where();
    ASSERT_TRUE(std::equal(after.begin() + k, after.end(), s.begin() + k)) << "in place, " << where();
}

// Every length 0..300 at all 16 alignments against both unreadable edges, with both kernel
// families and set sizes across every step of the kernels; the poison around the string is a
// non-member, so reading past a run of members shows as a kept unit.
TYPED_TEST(TrimTest, StringSweepAgreesWithTheRule) {
    using T = TypeParam;
    const std::vector<int> sizes = {1, 2, 3, 4, 5, 8, 9, 12, 13, 16, 17, 24, 32, 33, 50, 51, 64, 100, 135, 136, 180};
    guarded::Arena arena(1 << 12);
    std::mt19937 rng(21);
    zetcore_double::forBothKernels([&](bool sse42) {
        for (int len = 0; len <= 300; ++len) {
            const int n = sizes[len % sizes.size()];
            const auto set = unit_sets::randomSet<T>(rng, n);
            const auto s = trimCase(rng, len, set, unit_sets::nonMember(rng, set));
            const T poison = unit_sets::nonMember(rng, set);
            guarded::forEachPlacement(arena, s, poison, [&](T* p, int align, guarded::Edge edge) {
                expectTrims(p, s, set.data(), set,
                            [&] { return unit_sets::describe("string", len, n, align, int(edge), sse42); });
            });
        }
    });
}

// The set against the unreadable edges, sizes 1..140: the poison around it is the unit that
// bounds the kept part, so reading past the set trims too much.
TYPED_TEST(TrimTest, SetSweepReadsNothingOutsideTheSet) {
    using T = TypeParam;
    guarded::Arena arena(1 << 12);
    std::mt19937 rng(22);
    zetcore_double::forBothKernels([&](bool sse42) {
        for (int n = 1; n <= 140; ++n) {
            const auto set = unit_sets::randomSet<T>(rng, n);
            const T poison = unit_sets::nonMember(rng, set);
            auto s = trimCase(rng, 40, set, poison);
            guarded::forEachPlacement(arena, set, poison, [&](T* p, int align, guarded::Edge edge) {
                auto copy = s;
                expectTrims(copy.data(), s, p, set,
                            [&] { return unit_sets::describe("set", 40, n, align, int(edge), sse42); });
            });
        }
    });
}

}  // namespace
