#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "zetch.h"

namespace {

template <class T>
struct Lists;
template <>
struct Lists<zet8u> {
    static constexpr auto concat = zetsConcat_8u_D2L;
    static constexpr auto concatC = zetsConcatC_8u_D2L;
    static constexpr auto split = zetsSplitC_8u_D2L;
};
template <>
struct Lists<zet16u> {
    static constexpr auto concat = zetsConcat_16u_D2L;
    static constexpr auto concatC = zetsConcatC_16u_D2L;
    static constexpr auto split = zetsSplitC_16u_D2L;
};

template <class T>
std::vector<T> units(std::string_view s) {
    std::vector<T> v(s.begin(), s.end());
    v.reserve(v.size() + 1);  // an empty string still has a valid pointer
    return v;
}

// Splits text at ',' into slots of the given capacities (filled with '#'); the pieces stored.
template <class T>
ZetStatus runSplit(const std::string& text, std::vector<int> caps, int& num, std::vector<std::vector<T>>& pieces) {
    const auto src = units<T>(text);
    std::vector<std::vector<T>> slots;
    std::vector<T*> dst;
    for (int c : caps) slots.emplace_back(c + 1, T{'#'});
    for (auto& s : slots) dst.push_back(s.data());
    num = static_cast<int>(caps.size());
    const ZetStatus st = Lists<T>::split(src.data(), static_cast<int>(src.size()), T{','}, dst.data(), caps.data(), &num);
    for (int k = 0; k < num; ++k) {
        EXPECT_EQ(slots[k][caps[k]], T{'#'}) << "nothing written past the piece";
        pieces.emplace_back(slots[k].begin(), slots[k].begin() + caps[k]);
    }
    return st;
}

template <class T>
class ListsTest : public ::testing::Test {};
using Units = ::testing::Types<zet8u, zet16u>;
TYPED_TEST_SUITE(ListsTest, Units);

// Empty pieces between, before and (not) after delimiters; pieces cut to their slots; slots that
// run out before the text.
TYPED_TEST(ListsTest, SplitCases) {
    using T = TypeParam;
    struct Case {
        std::string text;
        std::vector<int> caps;
        std::vector<std::string> pieces;
        ZetStatus status;
    };
    const std::vector<int> four(4, 10);
    const Case cases[] = {
        {"a,b,,c", four, {"a", "b", "", "c"}, zetStatusOk},
        {"a,b,", four, {"a", "b"}, zetStatusOk},                   // a trailing delimiter ends the text
        {",a", four, {"", "a"}, zetStatusOk},                      // a leading one gives an empty piece
        {",", four, {""}, zetStatusOk},
        {",,", four, {"", ""}, zetStatusOk},
        {"", four, {}, zetStatusOk},
        {"abc", {3}, {"abc"}, zetStatusOk},                        // exactly the capacity
        {"abc,d", {2, 10}, {"ab", "d"}, zetStatusSplitTruncated},
        {"abc,d", {0, 10}, {"", "d"}, zetStatusSplitTruncated},
        {"a,b,c", {10, 10}, {"a", "b"}, zetStatusSplitIncomplete},
        {"a,b", {10, 10}, {"a", "b"}, zetStatusOk},
        {"a,b,", {10, 10}, {"a", "b"}, zetStatusOk},
        {"a,b,,", {10, 10}, {"a", "b"}, zetStatusSplitIncomplete},  // an empty piece remains
        {"abcdef,g", {3}, {"abc"}, zetStatusSplitIncomplete},      // incomplete outranks truncated
        {std::string(100, 'x') + ",," + std::string(40, 'y'), {100, 0, 39},
         {std::string(100, 'x'), "", std::string(39, 'y')}, zetStatusSplitTruncated},
    };
    for (const auto& c : cases) {
        int num;
        std::vector<std::vector<T>> pieces, want;
        EXPECT_EQ(runSplit(c.text, c.caps, num, pieces), c.status) << c.text;
        for (const auto& p : c.pieces) want.push_back(units<T>(p));
        EXPECT_EQ(num, static_cast<int>(want.size())) << c.text;
        EXPECT_EQ(pieces, want) << c.text;
    }
}

// The whole-call checks write nothing; per-slot checks stop after the slots before were filled.
TYPED_TEST(ListsTest, SplitChecks) {
    using T = TypeParam;
    const auto text = units<T>("ab,c,d");
    T a[4] = {9, 9, 9, 9}, b[4] = {9, 9, 9, 9};
    T* dst[3] = {a, b, b};
    int caps[3] = {4, 4, 4};
    int num = 3;
    const auto split = [](const T* s, int n, T** d, int* c, int* pn) { return Lists<T>::split(s, n, T{','}, d, c, pn); };
    EXPECT_EQ(split(nullptr, -1, dst, caps, &num), zetStatusNullPointer);
    EXPECT_EQ(split(text.data(), 6, nullptr, caps, &num), zetStatusNullPointer);
    EXPECT_EQ(split(text.data(), 6, dst, nullptr, &num), zetStatusNullPointer);
    EXPECT_EQ(split(text.data(), 6, dst, caps, nullptr), zetStatusNullPointer);
    int zero = 0;
    EXPECT_EQ(split(text.data(), -1, dst, caps, &zero), zetStatusBadLength) << "length before count";
    EXPECT_EQ(split(text.data(), 6, dst, caps, &zero), zetStatusBadSize);
    EXPECT_EQ(a[0] + caps[0], 9 + 4);

    dst[1] = nullptr;
    EXPECT_EQ(split(text.data(), 6, dst, caps, &num), zetStatusNullPointer);
    EXPECT_EQ(num, 3) << "the count keeps its input";
    EXPECT_EQ(caps[0], 2);
    EXPECT_EQ(std::vector<T>(a, a + 4), (std::vector<T>{'a', 'b', 9, 9}));
    dst[1] = b;
    caps[0] = 4;
    caps[1] = -1;
    EXPECT_EQ(split(text.data(), 6, dst, caps, &num), zetStatusBadLength);
    EXPECT_EQ(num, 3);
    EXPECT_EQ(b[0], 9);

    // Slots the text never reaches are not looked at; an empty text reaches none.
    caps[1] = 4;
    dst[2] = nullptr;
    caps[2] = -1;
    EXPECT_EQ(split(text.data(), 4, dst, caps, &num), zetStatusOk);
    EXPECT_EQ(num, 2);
    dst[0] = nullptr;
    num = 3;
    EXPECT_EQ(split(text.data(), 0, dst, caps, &num), zetStatusOk);
    EXPECT_EQ(num, 0);
}

TYPED_TEST(ListsTest, JoinWithAndWithoutDelimiter) {
    using T = TypeParam;
    const auto a = units<T>("a"), b = units<T>("bc");
    const T* src[3] = {a.data(), a.data(), b.data()};  // the empty element still needs a pointer
    const int lens[3] = {1, 0, 2};
    std::vector<T> dst(8, T{'#'});
    EXPECT_EQ(Lists<T>::concatC(src, lens, 3, T{','}, dst.data()), zetStatusOk);
    EXPECT_EQ(dst, units<T>("a,,bc###"));
    dst.assign(8, T{'#'});
    EXPECT_EQ(Lists<T>::concat(src, lens, 3, dst.data()), zetStatusOk);
    EXPECT_EQ(dst, units<T>("abc#####"));
    dst.assign(8, T{'#'});
    EXPECT_EQ(Lists<T>::concatC(src + 2, lens + 2, 1, T{','}, dst.data()), zetStatusOk);
    EXPECT_EQ(dst, units<T>("bc######")) << "one element, no delimiter";

    // A bad element stops the join after the elements before it, before its own delimiter.
    const T* bad[3] = {a.data(), nullptr, b.data()};
    dst.assign(8, T{'#'});
    EXPECT_EQ(Lists<T>::concatC(bad, lens, 3, T{','}, dst.data()), zetStatusNullPointer);
    EXPECT_EQ(dst, units<T>("a#######"));
    const int badLens[3] = {1, -1, 2};
    dst.assign(8, T{'#'});
    EXPECT_EQ(Lists<T>::concatC(src, badLens, 3, T{','}, dst.data()), zetStatusBadLength);
    EXPECT_EQ(dst, units<T>("a#######"));

    dst.assign(8, T{'#'});
    EXPECT_EQ(Lists<T>::concat(nullptr, lens, 0, dst.data()), zetStatusNullPointer) << "null before count";
    EXPECT_EQ(Lists<T>::concat(src, nullptr, 3, dst.data()), zetStatusNullPointer);
    EXPECT_EQ(Lists<T>::concatC(src, lens, 3, T{','}, nullptr), zetStatusNullPointer);
    EXPECT_EQ(Lists<T>::concat(bad, lens, 0, dst.data()), zetStatusBadSize) << "count before elements";
    EXPECT_EQ(Lists<T>::concatC(src, lens, -1, T{','}, dst.data()), zetStatusBadSize);
    EXPECT_EQ(dst, std::vector<T>(8, T{'#'}));
}

}  // namespace
