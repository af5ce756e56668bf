#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <random>

#include "case/case_table.h"
#include "case/placed.h"
#include "zetch.h"

namespace {

// Half of the units from the busy start of the table, the rest anywhere.
zet16u anyUnit(std::mt19937& rng) { return static_cast<zet16u>(rng() % 2 ? rng() % 0x600 : rng()); }

// The unrolled passes (14 units copying, 16 in place) and their remainders, at odd addresses half the time.
TEST(UnicodeCase, LoopsAgreeWithTheTable) {
    placed::checkCaseConversion<zet16u>(zetsLowercase_16u, zetsLowercase_16u_I, zet::ownCaseLower, anyUnit, 40);
    placed::checkCaseConversion<zet16u>(zetsUppercase_16u, zetsUppercase_16u_I, zet::ownCaseUpper, anyUnit, 40);
}

// The in-place forms store only units that change: text already in the wanted case can be
// converted in read-only memory (a store would fault), at an odd address too.
TEST(UnicodeCase, InPlaceLeavesUnchangedTextUnwritten) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    char* m = static_cast<char*>(mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(m, MAP_FAILED);
    for (int i = 0; i < 1000; ++i) {  // Greek, Latin, spaces, all lower-case already
        const zet16u c = static_cast<zet16u>(i % 3 == 0 ? 0x03B1 + i % 17 : i % 3 == 1 ? 'a' + i % 26 : ' ');
        std::memcpy(m + 1 + 2 * i, &c, 2);
    }
    ASSERT_EQ(mprotect(m, page, PROT_READ), 0);
    EXPECT_EQ(zetsLowercase_16u_I(reinterpret_cast<zet16u*>(m + 1), 1000), zetStatusOk);
    munmap(m, page);
}

}  // namespace
