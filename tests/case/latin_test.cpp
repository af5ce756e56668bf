#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "case/placed.h"
#include "zetch.h"

namespace {

template <class T>
struct Latin;
template <>
struct Latin<zet8u> {
    static constexpr auto lower = zetsLowercaseLatin_8u;
    static constexpr auto upper = zetsUppercaseLatin_8u;
    static constexpr auto lowerI = zetsLowercaseLatin_8u_I;
    static constexpr auto upperI = zetsUppercaseLatin_8u_I;
};
template <>
struct Latin<zet16u> {
    static constexpr auto lower = zetsLowercaseLatin_16u;
    static constexpr auto upper = zetsUppercaseLatin_16u;
    static constexpr auto lowerI = zetsLowercaseLatin_16u_I;
    static constexpr auto upperI = zetsUppercaseLatin_16u_I;
};

template <class T>
T ruleLower(T c) {
    return c >= 'A' && c <= 'Z' ? static_cast<T>(c + 32) : c;
}
template <class T>
T ruleUpper(T c) {
    return c >= 'a' && c <= 'z' ? static_cast<T>(c - 32) : c;
}

template <class T>
std::vector<T> applied(const std::vector<T>& s, T (*rule)(T)) {
    std::vector<T> out(s);
    for (auto& c : out) c = rule(c);
    return out;
}

template <class T>
std::vector<T> units(const std::string& text) {
    return std::vector<T>(text.begin(), text.end());
}

template <class T>
class LatinCaseTest : public ::testing::Test {};
using Units = ::testing::Types<zet8u, zet16u>;
TYPED_TEST_SUITE(LatinCaseTest, Units);

// Text that exercises the range edges: letters of both cases, their neighbours '@' '[' '`' '{',
// Latin-1 letters, and for 16-bit units values whose low byte is a letter or that compare as
// negative in a signed lane.
template <class T>
std::vector<T> edgyText(int len, std::mt19937& rng) {
    static const unsigned kPicks[] = {'A', 'M', 'Z', 'a', 'q', 'z', '@', '[', '`', '{', '0', ' ', 0x00, 0x7F,
                                      0x80, 0xC0, 0xC4, 0xDE, 0xE0, 0xFF, 0x141, 0x5A61, 0x8041, 0xFF41, 0xFFFF};
    std::vector<T> s(len);
    for (auto& c : s) {
        unsigned v = rng() % 3 == 0 ? rng() : kPicks[rng() % std::size(kPicks)];
        c = static_cast<T>(v);
    }
    return s;
}

// Every length 0..300; the source at all 16 alignments against one unreadable edge and the
// destination at all 16 alignments against the other (then the edges swapped); in place and with
// the destination equal to the source at every placement of the buffer.
TYPED_TEST(LatinCaseTest, KernelsAgreeWithTheRuleAtEveryLengthAndAlignment) {
    using T = TypeParam;
    using F = Latin<T>;
    // Poison whose every byte is the same: 'A' next to the source (a letter the kernel would change
    // if it wrote there), 0xEE next to the destination.
    const T srcPoison = static_cast<T>(sizeof(T) == 1 ? 0x41 : 0x4141);
    const T dstPoison = static_cast<T>(sizeof(T) == 1 ? 0xEE : 0xEEEE);
    guarded::Arena srcArena(1 << 13), dstArena(1 << 13);
    std::mt19937 rng(11);
    for (int len = 0; len <= 300; ++len) {
        const std::vector<T> text = edgyText<T>(len, rng);
        const std::vector<T> lower = applied<T>(text, ruleLower<T>), upper = applied<T>(text, ruleUpper<T>);
        const std::vector<T> filler(len, static_cast<T>(0xDD));
        for (auto srcEdge : {guarded::Edge::Start, guarded::Edge::End}) {
            const auto dstEdge = srcEdge == guarded::Edge::Start ? guarded::Edge::End : guarded::Edge::Start;
            for (int sa = 0; sa < 16; ++sa) {
                const T* src = srcArena.place(std::span<const T>(text), sa, srcEdge, srcPoison);
                for (int da = 0; da < 16; ++da) {
                    for (bool toLower : {true, false}) {
                        T* dst = dstArena.place(std::span<const T>(filler), da, dstEdge, dstPoison);
                        ASSERT_EQ((toLower ? F::lower : F::upper)(src, dst, len), zetStatusOk);
                        ASSERT_TRUE(placed::holds(dst, toLower ? lower : upper, da, dstEdge, static_cast<char>(dstPoison)))
                            << "len " << len << " src align " << sa << " dst align " << da << (toLower ? " lower" : " upper");
                    }
                }
                ASSERT_TRUE(text.empty() || std::memcmp(src, text.data(), text.size() * sizeof(T)) == 0) << "source changed";
                for (bool toLower : {true, false}) {
                    T* buf = srcArena.place(std::span<const T>(text), sa, srcEdge, srcPoison);
                    ASSERT_EQ((toLower ? F::lowerI : F::upperI)(buf, len), zetStatusOk);
                    ASSERT_TRUE(placed::holds(buf, toLower ? lower : upper, sa, srcEdge, static_cast<char>(srcPoison)))
                        << "in place, len " << len << " align " << sa;
                    buf = srcArena.place(std::span<const T>(text), sa, srcEdge, srcPoison);
                    ASSERT_EQ((toLower ? F::lower : F::upper)(buf, buf, len), zetStatusOk);
                    ASSERT_TRUE(placed::holds(buf, toLower ? lower : upper, sa, srcEdge, static_cast<char>(srcPoison)))
                        << "destination = source, len " << len << " align " << sa;
                }
            }
        }
    }
}

TYPED_TEST(LatinCaseTest, OnlyTheAsciiLettersChange) {
    using T = TypeParam;
    using F = Latin<T>;
    const auto hello = units<T>("Hello, World 123 [@`{]");
    std::vector<T> out(hello.size());
    ASSERT_EQ(F::lower(hello.data(), out.data(), static_cast<int>(hello.size())), zetStatusOk);
    EXPECT_EQ(out, units<T>("hello, world 123 [@`{]"));
    ASSERT_EQ(F::upper(hello.data(), out.data(), static_cast<int>(hello.size())), zetStatusOk);
    EXPECT_EQ(out, units<T>("HELLO, WORLD 123 [@`{]"));

    // Every code unit of the width in one call, against the rule (U+00C4, U+0410, U+FF21 stay).
    std::vector<T> all(sizeof(T) == 1 ? 0x100 : 0x10000);
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<T>(i);
    out.assign(all.size(), 0);
    const int n = static_cast<int>(all.size());
    ASSERT_EQ(F::lower(all.data(), out.data(), n), zetStatusOk);
    EXPECT_EQ(out, applied<T>(all, ruleLower<T>));
    ASSERT_EQ(F::upper(all.data(), out.data(), n), zetStatusOk);
    EXPECT_EQ(out, applied<T>(all, ruleUpper<T>));
    int changed = 0;
    for (std::size_t i = 0; i < all.size(); ++i) changed += out[i] != all[i];
    EXPECT_EQ(changed, 26);
}

TYPED_TEST(LatinCaseTest, ArgumentChecksInOrder) {
    using T = TypeParam;
    using F = Latin<T>;
    T s[2] = {'A', 'b'};
    T d[2] = {'x', 'x'};
    for (auto fn : {F::lower, F::upper}) {
        EXPECT_EQ(fn(nullptr, d, -1), zetStatusNullPointer) << "null wins over bad length";
        EXPECT_EQ(fn(s, nullptr, 0), zetStatusNullPointer) << "also with length 0";
        EXPECT_EQ(fn(s, d, -1), zetStatusBadLength);
        EXPECT_EQ(fn(s, d, 0), zetStatusOk);
    }
    for (auto fn : {F::lowerI, F::upperI}) {
        EXPECT_EQ(fn(nullptr, -1), zetStatusNullPointer);
        EXPECT_EQ(fn(s, -1), zetStatusBadLength);
        EXPECT_EQ(fn(s, 0), zetStatusOk);
    }
    EXPECT_EQ(d[0], 'x') << "nothing written on failure or for length 0";
    EXPECT_EQ(s[0], 'A');
    EXPECT_EQ(s[1], 'b');
}

}  // namespace
