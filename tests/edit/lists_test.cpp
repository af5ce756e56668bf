#include <gtest/gtest.h>

#include <cstring>
#include <random>
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
    return std::vector<T>(s.begin(), s.end());
}

// Units at a byte offset of 0 or 1 (a 16-bit string at an odd address), read back with memcpy.
template <class T>
struct Placed {
    std::vector<char> bytes;
    int shift;
    Placed(const std::vector<T>& v, int shift) : bytes(v.size() * sizeof(T) + 1, 0x77), shift(shift) {
        if (!v.empty()) std::memcpy(bytes.data() + shift, v.data(), v.size() * sizeof(T));
    }
    T* get() { return reinterpret_cast<T*>(bytes.data() + shift); }
    std::vector<T> read(int n) const {
        std::vector<T> v(n);
        if (n > 0) std::memcpy(v.data(), bytes.data() + shift, n * sizeof(T));
        return v;
    }
};

// The split rule stated as pieces: the text cut at every delimiter, where a delimiter that ends
// the text starts no further piece.
template <class T>
std::vector<std::vector<T>> piecesOf(const std::vector<T>& text, T delim) {
    std::vector<std::vector<T>> out;
    std::vector<T> cur;
    for (T u : text) {
        if (u != delim) {
            cur.push_back(u);
            continue;
        }
        out.push_back(cur);
        cur.clear();
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

struct SplitOutcome {
    ZetStatus status;
    int num;
    std::vector<std::vector<zet16u>> pieces;  // widened, so that one table serves both widths
};

template <class T>
SplitOutcome runSplit(const std::vector<T>& text, T delim, std::vector<int> caps, int shift = 0) {
    Placed<T> src(text, shift);
    std::vector<Placed<T>> slots;
    for (int c : caps) slots.emplace_back(std::vector<T>(c < 0 ? 0 : c, T{'#'}), shift);
    std::vector<T*> dst;
    for (auto& s : slots) dst.push_back(s.get());
    int num = static_cast<int>(caps.size());
    SplitOutcome out;
    out.status = Lists<T>::split(src.get(), static_cast<int>(text.size()), delim, dst.data(), caps.data(), &num);
    out.num = num;
    for (int k = 0; k < num && k < static_cast<int>(caps.size()); ++k) {
        const auto got = slots[k].read(caps[k]);
        out.pieces.emplace_back(got.begin(), got.end());
    }
    return out;
}

template <class T>
class ListsTest : public ::testing::Test {};
using Units = ::testing::Types<zet8u, zet16u>;
TYPED_TEST_SUITE(ListsTest, Units);

TYPED_TEST(ListsTest, SplitCases) {
    using T = TypeParam;
    struct Case {
        const char* text;
        std::vector<int> caps;
        std::vector<const char*> pieces;
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
    };
    for (const auto& c : cases) {
        const auto out = runSplit<T>(units<T>(c.text), T{','}, c.caps);
        EXPECT_EQ(out.status, c.status) << c.text;
        ASSERT_EQ(out.num, static_cast<int>(c.pieces.size())) << c.text;
        for (int k = 0; k < out.num; ++k) EXPECT_EQ(out.pieces[k], units<zet16u>(c.pieces[k])) << c.text << " #" << k;
    }
}

// Random texts over a small alphabet, random slot counts and capacities, both address parities:
// pieces, count and status as the rule predicts.
TYPED_TEST(ListsTest, SplitAgreesWithThePieceRule) {
    using T = TypeParam;
    const T delim = static_cast<T>(sizeof(T) == 1 ? '|' : 0x2C00);
    std::mt19937 rng(5);
    for (int round = 0; round < 3000; ++round) {
        const int len = static_cast<int>(rng() % 300), density = 1 + static_cast<int>(rng() % 40);
        std::vector<T> text(len);
        for (auto& u : text) u = rng() % density == 0 ? delim : static_cast<T>('a' + rng() % 3 + (rng() % 2) * (delim & 0xFF00));
        std::vector<int> caps(1 + rng() % 12);
        for (auto& c : caps) c = static_cast<int>(rng() % 50);
        const auto pieces = piecesOf(text, delim);
        const int stored = std::min<int>(static_cast<int>(caps.size()), static_cast<int>(pieces.size()));
        ZetStatus want = pieces.size() > caps.size() ? zetStatusSplitIncomplete : zetStatusOk;
        for (int k = 0; k < stored && want == zetStatusOk; ++k)
            if (static_cast<int>(pieces[k].size()) > caps[k]) want = zetStatusSplitTruncated;
        const auto out = runSplit<T>(text, delim, caps, round % 2);
        ASSERT_EQ(out.status, want) << "round " << round;
        ASSERT_EQ(out.num, stored) << "round " << round;
        for (int k = 0; k < stored; ++k) {
            const auto& p = pieces[k];
            const std::size_t n = std::min<std::size_t>(p.size(), caps[k]);
            ASSERT_EQ(out.pieces[k], std::vector<zet16u>(p.begin(), p.begin() + n)) << "round " << round << " #" << k;
        }
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
    EXPECT_EQ(a[0], 9);
    EXPECT_EQ(caps[0], 4);

    dst[1] = nullptr;
    EXPECT_EQ(split(text.data(), 6, dst, caps, &num), zetStatusNullPointer);
    EXPECT_EQ(num, 3) << "the count keeps its input";
    EXPECT_EQ(caps[0], 2);
    EXPECT_EQ(a[0], 'a');
    EXPECT_EQ(a[1], 'b');
    EXPECT_EQ(a[2], 9);
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

// Joining pieces that hold no delimiter and splitting the result gives the pieces back (as long
// as the last one is not empty), at both address parities.
TYPED_TEST(ListsTest, SplitUndoesJoin) {
    using T = TypeParam;
    const T delim = static_cast<T>(sizeof(T) == 1 ? '\n' : 0x2028);
    std::mt19937 rng(9);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::vector<T>> pieces(1 + rng() % 40);
        for (auto& p : pieces) {
            p.resize(rng() % 70);
            for (auto& u : p) u = static_cast<T>(delim + 1 + rng() % 3);
        }
        if (pieces.back().empty()) pieces.back().push_back(T{'z'});
        std::vector<const T*> src;
        std::vector<int> lens;
        for (auto& p : pieces) {
            src.push_back(p.empty() ? &delim : p.data());  // an empty piece still needs a pointer
            lens.push_back(static_cast<int>(p.size()));
        }
        std::vector<T> joined(pieces.size() * 71);
        Placed<T> out(joined, round % 2);
        ASSERT_EQ(Lists<T>::concatC(src.data(), lens.data(), static_cast<int>(pieces.size()), delim, out.get()), zetStatusOk);
        int total = static_cast<int>(pieces.size()) - 1;
        for (int n : lens) total += n;
        const auto split = runSplit<T>(out.read(total), delim, std::vector<int>(pieces.size(), 70), round % 2);
        ASSERT_EQ(split.status, zetStatusOk);
        ASSERT_EQ(split.num, static_cast<int>(pieces.size()));
        for (std::size_t k = 0; k < pieces.size(); ++k)
            ASSERT_EQ(std::vector<T>(split.pieces[k].begin(), split.pieces[k].begin() + lens[k]), pieces[k]);
    }
}

}  // namespace
