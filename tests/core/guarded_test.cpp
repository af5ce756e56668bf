// The guarded arenas the kernel sweeps run in: the pages around the usable area must really be
// unreadable, or every sweep would pass whatever a kernel reads. Linux maps them PROT_NONE,
// Windows commits them PAGE_NOACCESS (tests/support/windows).
#include <gtest/gtest.h>

#include <vector>

#include "support/guarded.h"

namespace {

char readByte(const char* p) { return *static_cast<const volatile char*>(p); }

TEST(GuardedArenaDeathTest, OnlyTheUsableAreaCanBeRead) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    guarded::Arena arena(3 * 4096);
    const std::vector<char> text = {'z', 'e', 't'};
    char* first = arena.place(std::span<const char>(text), 0, guarded::Edge::Start, '.');
    char* pastEnd = first + arena.capacity();
    pastEnd[-1] = 'q';
    // Both edges of the area are readable and writable, and hold what was put there.
    EXPECT_EQ(readByte(first), 'z');
    EXPECT_EQ(readByte(first + 3), '.');
    EXPECT_EQ(readByte(pastEnd - 1), 'q');
    EXPECT_DEATH(readByte(first - 1), "");
    EXPECT_DEATH(readByte(pastEnd), "");
}

}  // namespace
