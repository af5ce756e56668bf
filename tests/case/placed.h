#pragma once

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <vector>

#include "support/guarded.h"
#include "zetch.h"

namespace placed {

// One direction of a case conversion against its rule: the argument checks in order; every unit of
// the width in one call, copying and in place; random text of every length up to maxLen, the source
// at each alignment at each unreadable edge and the destination at each alignment at the other, in
// place and with the destination equal to the source, and nothing outside the strings changed.
template <class T, class Rule, class RandomUnit>
void checkCaseConversion(ZetStatus (*copy)(const T*, T*, zet32s), ZetStatus (*inPlace)(T*, zet32s), Rule rule,
                         RandomUnit randomUnit, int maxLen) {
    T s[2] = {'A', 'b'}, d[2] = {'x', 'x'};
    const ZetStatus null = zetStatusNullPointer, bad = zetStatusBadLength, ok = zetStatusOk;
    EXPECT_EQ((std::vector{copy(nullptr, d, -1), copy(s, nullptr, 0), copy(s, d, -1), copy(s, d, 0), inPlace(nullptr, -1),
                           inPlace(s, -1), inPlace(s, 0)}), (std::vector{null, null, bad, ok, null, bad, ok}));
    EXPECT_TRUE(d[0] == 'x' && s[0] == 'A' && s[1] == 'b') << "written on failure or for length 0";

    auto applied = [&](std::vector<T> v) {
        for (auto& c : v) c = static_cast<T>(rule(c));
        return v;
    };
    std::vector<T> all(std::size_t{1} << 8 * sizeof(T)), out(all.size());
    std::iota(all.begin(), all.end(), T{0});
    ASSERT_EQ(copy(all.data(), out.data(), static_cast<int>(all.size())), zetStatusOk);
    EXPECT_TRUE(out == applied(all)) << "every unit in one call";
    ASSERT_EQ(inPlace(all.data(), static_cast<int>(all.size())), zetStatusOk);
    EXPECT_TRUE(all == out) << "every unit in one call, in place";

    // A letter around the source, so that a stray store there changes it; 0xEE around the destination.
    const T letter = static_cast<T>(sizeof(T) == 1 ? 'A' : 0x4141), poison = static_cast<T>(0xEEEE);
    guarded::Arena srcArena(1 << 13), dstArena(1 << 13);
    std::mt19937 rng(7);
    for (int len = 0; len <= maxLen; ++len) {
        std::vector<T> text(static_cast<std::size_t>(len));
        for (auto& c : text) c = randomUnit(rng);
        const std::vector<T> want = applied(text), filler(text.size(), static_cast<T>(0xDDDD));
        for (auto [edge, other] : {std::pair{guarded::Edge::Start, guarded::Edge::End}, {guarded::Edge::End, guarded::Edge::Start}})
            for (int sa = 0; sa < 16; ++sa) {
                const T* src = srcArena.place(std::span<const T>(text), sa, edge, letter);
                for (int da = 0; da < 16; ++da) {
                    T* dst = dstArena.place(std::span<const T>(filler), da, other, poison);
                    ASSERT_EQ(copy(src, dst, len), zetStatusOk);
                    ASSERT_TRUE(dstArena.holds(dst, want, static_cast<char>(poison))) << len << " units at " << sa << ", " << da;
                }
                ASSERT_TRUE(srcArena.holds(src, text, static_cast<char>(letter))) << "source changed, length " << len;
                for (bool same : {false, true}) {
                    T* buf = srcArena.place(std::span<const T>(text), sa, edge, letter);
                    ASSERT_EQ(same ? copy(buf, buf, len) : inPlace(buf, len), zetStatusOk);
                    ASSERT_TRUE(srcArena.holds(buf, want, static_cast<char>(letter))) << len << " units at " << sa << ", " << same;
                }
            }
    }
}

}  // namespace placed
