#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/guarded.h"
#include "zetch.h"

namespace {

// The three functions of one width against their rules (shift-xor; multiply-31; multiply-33-xor
// from 5381 up to a zero unit): the worked values for a, b, c; failed checks that write nothing;
// random units of every length 0..100 (zeros frequent on even lengths) at all alignments against
// both unreadable pages.
template <class T>
void expectRules(ZetStatus (*const fns[3])(const T*, zet32s, zet32u*)) {
    auto rule = [](int r, const std::vector<T>& s) {
        zet32u h = r == 2 ? 5381 : 0;
        for (std::size_t i = 0; i < s.size() && !(r == 2 && s[i] == 0); ++i)
            h = r == 0 ? (h << 1) ^ s[i] : r == 1 ? h * 31 + s[i] : (h * 33) ^ s[i];
        return h;
    };
    const std::vector<T> abc = {'a', 'b', 'c'};
    const zet32u abcValues[3] = {0x123, 96354, 193409669};
    guarded::Arena arena(1 << 12);
    std::mt19937 rng(21);
    for (int r = 0; r < 3; ++r) {
        zet32u h = rule(r, abc);
        EXPECT_EQ(h, abcValues[r]);
        EXPECT_EQ(std::vector({fns[r](abc.data(), 0, nullptr), fns[r](nullptr, -1, &h), fns[r](abc.data(), -1, &h)}),
                  std::vector<ZetStatus>({zetStatusNullPointer, zetStatusNullPointer, zetStatusBadLength}));
        EXPECT_EQ(h, abcValues[r]);
        for (int len = 0; len <= 100; ++len) {
            std::vector<T> s(len);
            for (auto& u : s) u = static_cast<T>(rng() % (len % 2 ? 256 : 8) ? rng() | 1 : 0);
            const zet32u want = rule(r, s);
            guarded::forEachPlacement(arena, s, static_cast<T>(0xA5A5), [&](const T* p, int align, guarded::Edge e) {
                h = ~want;
                ASSERT_EQ(fns[r](p, len, &h), zetStatusOk);
                ASSERT_EQ(h, want) << "rule " << r << " len " << len << " align " << align << " edge " << int(e);
            });
        }
    }
}

TEST(HashTest, AgreeWithTheRules) {
    const decltype(&zetsHash_8u32u) fns8[3] = {zetsHash_8u32u, zetsHashSJ2_8u32u, zetsHashMSCS_8u32u};
    const decltype(&zetsHash_16u32u) fns16[3] = {zetsHash_16u32u, zetsHashSJ2_16u32u, zetsHashMSCS_16u32u};
    expectRules(fns8);
    expectRules(fns16);
}

}  // namespace
