// The generated Unicode tables: counts, order, a few telling rows, and lookups that agree with the
// character data at every code point.
#include <gtest/gtest.h>

#include <iterator>
#include <tuple>
#include <vector>

#include "regexp/chars.h"
#include "regexp/unicode_tables.h"

namespace {

using namespace zet::rx;

TEST(UnicodeTables, CountsOrderAndTellingRows) {
    ASSERT_TRUE(std::size(kCharacterTable) == 19316 && std::size(kCharacterRanges) == 10 && std::size(kBlocks) == 171 &&
                std::size(kScripts) == 77);
    for (int i = 1; i < kCharacterCount; ++i) ASSERT_LT(kCharacterTable[i - 1].cp, kCharacterTable[i].cp) << i;
    for (int i = 1; i < kBlockCount; ++i) ASSERT_LT(kBlocks[i - 1].last, kBlocks[i].first) << i;
    EXPECT_TRUE(kCharacterTable[kCharacterCount - 1].cp == 0xE01EF && kCharacterRanges[9].last == 0x10FFFD);
    EXPECT_TRUE(kBlocks[170].first == 0x100000 && kBlocks[170].last == 0x10FFFF && kBlocks[7].first == 0x370);
    // Scripts in lookup order, with the first or last pair of some.
    for (const auto& [index, name, count, pair, first, last] :
         {std::tuple{0, "Common", 530u, 0u, 0x0u, 0x1Fu}, {0, "Common", 530u, 529u, 0xE0020u, 0xE007Fu},
          {1, "Latin", 42u, 41u, 0xFF41u, 0xFF5Au}, {76, "Cham", 13u, 12u, 0xAA5Cu, 0xAA5Fu}}) {
        const UnicodeScript& s = kScripts[index];
        EXPECT_STREQ(kScriptNames + s.name, name);
        const UnicodePair& p = kScriptRanges[s.first + pair];
        EXPECT_TRUE(s.count == count && p.first == first && p.last == last) << name;
    }
}

// The range rows, consulted first, hide no record; the direct prefix and the page index find every
// record, and nothing where there is none.
TEST(UnicodeTables, EveryCodePointFindsItsRecordOrNone) {
    for (zet32u cp = 0; cp < kCharacterDirect; ++cp) ASSERT_EQ(kCharacterTable[cp].cp, cp);
    std::vector<zet32s> category(0x110001, 0);
    for (const UnicodeCharacter& c : kCharacterTable) category[c.cp] = static_cast<zet32s>(c.category);
    for (const UnicodeRange& r : kCharacterRanges)
        for (zet32u cp = r.first; cp <= r.last; ++cp) {
            ASSERT_EQ(category[cp], 0) << std::hex << cp << " is a record inside a range row";
            category[cp] = static_cast<zet32s>(r.category);
        }
    for (zet32u cp = 0; cp < category.size(); ++cp) ASSERT_EQ(ownRegExpCategoryOf(cp), category[cp]) << std::hex << cp;
}

}  // namespace
