#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "core/memory.h"
#include "support/zetcore_double.h"

using namespace zet;

TEST(Memory, ChecksComeBeforeAnyWrite) {
    zet8u a[4] = {1, 2, 3, 4};
    zet8u b[4] = {9, 9, 9, 9};
    EXPECT_EQ(ownCopy<zet8u>(nullptr, b, 4), zetStatusNullPointer);
    EXPECT_EQ(ownCopy<zet8u>(a, nullptr, -1), zetStatusNullPointer);
    EXPECT_EQ(ownCopy<zet8u>(a, b, 0), zetStatusBadSize);
    EXPECT_EQ(ownMove<zet8u>(a, b, -3), zetStatusBadSize);
    EXPECT_EQ(ownZero_8u(b, 0), zetStatusBadSize);
    EXPECT_EQ(ownZero_8u(nullptr, 4), zetStatusNullPointer);
    for (zet8u x : b) EXPECT_EQ(x, 9) << "a failed or empty primitive writes nothing";
    EXPECT_EQ(ownCopy<zet8u>(a, b, 3), zetStatusOk);
    EXPECT_EQ(b[2], 3);
    EXPECT_EQ(b[3], 9);
    EXPECT_EQ(ownZero_8u(b, 2), zetStatusOk);
    EXPECT_EQ(b[0] + b[1], 0);
    EXPECT_EQ(b[2], 3);
}

// Moves within one buffer in both directions agree with a copy through a temporary buffer.
TEST(Memory, MoveIsOverlapSafeBothWays) {
    for (auto [from, to] : {std::pair{3, 5}, std::pair{5, 3}, std::pair{0, 1}, std::pair{7, 7}}) {
        std::vector<zet16u> buf(20);
        std::iota(buf.begin(), buf.end(), zet16u{100});
        std::vector<zet16u> expect = buf;
        const std::vector<zet16u> tmp(buf.begin() + from, buf.begin() + from + 10);
        std::copy(tmp.begin(), tmp.end(), expect.begin() + to);
        EXPECT_EQ(ownMove<zet16u>(buf.data() + from, buf.data() + to, 10), zetStatusOk);
        EXPECT_EQ(buf, expect) << from << " -> " << to;
    }
}

TEST(Memory, MallocOfNothingNeverReachesTheAllocator) {
    zetcore_double::CoreScope scope;
    EXPECT_EQ(ownMalloc(0), nullptr);
    EXPECT_EQ(ownMalloc(-5), nullptr);
    EXPECT_EQ(zetcore_double::mallocCalls(), 0);

    void* p = ownMalloc(100);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 64, 0u);
    ownFree(p);
    ownFree(nullptr);  // passed on unchecked
    EXPECT_EQ(zetcore_double::mallocCalls(), 1);
    EXPECT_EQ(zetcore_double::freeCalls(), 2);

    zetcore_double::failNextMallocs(1);
    EXPECT_EQ(ownMalloc(16), nullptr);
}
