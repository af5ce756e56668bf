// The generated Unicode 5.1 tables: counts, order, the rows that show the data was read right,
// and the agreement between the character data and the script file.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <vector>

#include "regexp/chars.h"
#include "regexp/unicode_tables.h"

namespace {

using namespace zet::rx;

TEST(UnicodeTables, CharacterRecordsAndRangeRows) {
    ASSERT_EQ(std::size(kCharacterTable), 19316u);
    for (int i = 1; i < kCharacterCount; ++i) ASSERT_LT(kCharacterTable[i - 1].cp, kCharacterTable[i].cp) << i;
    const UnicodeCharacter rows[] = {
        {0, RegExpCatCc, 0, 0}, {'?', RegExpCatPo, 0, 0}, {'A', RegExpCatLu, 0, 'a'}, {'a', RegExpCatLl, 'A', 0},
    };
    for (const UnicodeCharacter& r : rows) {
        const UnicodeCharacter& c = kCharacterTable[r.cp];
        EXPECT_EQ(c.cp, r.cp);
        EXPECT_EQ(c.category, r.category) << r.cp;
        EXPECT_EQ(c.upper, r.upper) << r.cp;
        EXPECT_EQ(c.lower, r.lower) << r.cp;
    }
    EXPECT_EQ(kCharacterTable[kCharacterCount - 1].cp, 0xE01EFu);
    EXPECT_EQ(kCharacterTable[kCharacterCount - 1].category, static_cast<zet32u>(RegExpCatMn));

    const UnicodeRange ranges[] = {
        {0x3400, 0x4DB5, RegExpCatLo}, {0x4E00, 0x9FC3, RegExpCatLo},   {0xAC00, 0xD7A3, RegExpCatLo},
        {0xD800, 0xDB7F, RegExpCatCs}, {0xDB80, 0xDBFF, RegExpCatCs},   {0xDC00, 0xDFFF, RegExpCatCs},
        {0xE000, 0xF8FF, RegExpCatCo}, {0x20000, 0x2A6D6, RegExpCatLo}, {0xF0000, 0xFFFFD, RegExpCatCo},
        {0x100000, 0x10FFFD, RegExpCatCo},
    };
    ASSERT_EQ(std::size(kCharacterRanges), 10u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(kCharacterRanges[i].first, ranges[i].first) << i;
        EXPECT_EQ(kCharacterRanges[i].last, ranges[i].last) << i;
        EXPECT_EQ(kCharacterRanges[i].category, ranges[i].category) << i;
    }
}

// The range rows are consulted first and must hide no record; the direct prefix and the page
// index must find every record, and nothing where there is none.
TEST(UnicodeTables, EveryCodePointFindsItsRecordOrNone) {
    for (zet32u cp = 0; cp < kCharacterDirect; ++cp) ASSERT_EQ(kCharacterTable[cp].cp, cp);
    std::vector<zet32s> category(0xE0300, 0);
    for (const UnicodeCharacter& c : kCharacterTable) category[c.cp] = static_cast<zet32s>(c.category);
    for (zet32u cp = 0; cp < category.size(); ++cp) {
        zet32s want = category[cp];
        for (const UnicodeRange& r : kCharacterRanges) {
            if (cp >= r.first && cp <= r.last) {
                ASSERT_EQ(want, 0) << std::hex << cp << " is a record inside a range row";
                want = static_cast<zet32s>(r.category);
            }
        }
        ASSERT_EQ(ownRegExpCategoryOf(cp), want) << std::hex << cp;
    }
}

TEST(UnicodeTables, BlocksAscendWithTheirDatabaseNames) {
    ASSERT_EQ(std::size(kBlocks), 171u);
    for (int i = 1; i < kBlockCount; ++i) ASSERT_LT(kBlocks[i - 1].last, kBlocks[i].first) << i;
    const struct {
        int index;
        const char* name;
        zet32u first, last;
    } rows[] = {
        {0, "InBasicLatin", 0x0, 0x7F},         {1, "InLatin1Supplement", 0x80, 0xFF},
        {2, "InLatinExtendedA", 0x100, 0x17F},   {7, "InGreekandCoptic", 0x370, 0x3FF},
        {115, "InPhagspa", 0xA840, 0xA87F},      {168, "InVariationSelectorsSupplement", 0xE0100, 0xE01EF},
        {170, "InSupplementaryPrivateUseAreaB", 0x100000, 0x10FFFF},
    };
    for (const auto& r : rows) {
        EXPECT_STREQ(kBlockNames + kBlocks[r.index].name, r.name);
        EXPECT_EQ(kBlocks[r.index].first, r.first) << r.name;
        EXPECT_EQ(kBlocks[r.index].last, r.last) << r.name;
    }
}

const UnicodeScript& script(const char* name) {
    for (const UnicodeScript& s : kScripts)
        if (std::strcmp(kScriptNames + s.name, name) == 0) return s;
    ADD_FAILURE() << "no script " << name;
    return kScripts[0];
}

TEST(UnicodeTables, ScriptsInLookupOrderWithTheirPairs) {
    ASSERT_EQ(std::size(kScripts), 77u);
    EXPECT_STREQ(kScriptNames + kScripts[0].name, "Common");
    EXPECT_STREQ(kScriptNames + kScripts[40].name, "Inherited");
    EXPECT_STREQ(kScriptNames + kScripts[76].name, "Cham");
    const struct {
        const char* script;
        zet32u count, index, first, last;
    } rows[] = {
        {"Common", 530, 0, 0x0, 0x1F},     {"Common", 530, 1, 0x20, 0x20},  {"Common", 530, 2, 0x21, 0x23},
        {"Common", 530, 529, 0xE0020, 0xE007F}, {"Latin", 42, 0, 0x41, 0x5A}, {"Latin", 42, 1, 0x61, 0x7A},
        {"Latin", 42, 41, 0xFF41, 0xFF5A}, {"Greek", 51, 0, 0x370, 0x373},  {"Cham", 13, 0, 0xAA00, 0xAA28},
        {"Cham", 13, 12, 0xAA5C, 0xAA5F},  {"Rejang", 4, 0, 0xA930, 0xA946}, {"Carian", 1, 0, 0x102A0, 0x102D0},
        {"Lycian", 1, 0, 0x10280, 0x1029C},
    };
    for (const auto& r : rows) {
        const UnicodeScript& s = script(r.script);
        ASSERT_EQ(s.count, r.count) << r.script;
        EXPECT_EQ(kScriptRanges[s.first + r.index].first, r.first) << r.script << " " << r.index;
        EXPECT_EQ(kScriptRanges[s.first + r.index].last, r.last) << r.script << " " << r.index;
    }
}

// The script file breaks a script's stretch wherever the general category changes (Lu, Ll and Lt
// counting as one), so within a pair every code point is assigned and of one category, and the
// pairs of a script ascend without overlap. This ties the script data to the character data.
TEST(UnicodeTables, ScriptPairsAgreeWithTheCharacterData) {
    auto category = [](zet32u cp) {
        const zet32s c = ownRegExpCategoryOf(cp);
        return (c & ~0x7F) == RegExpCatL && (c & 0x78) == 0 ? zet32s{RegExpCatLAmp} : c;
    };
    for (const UnicodeScript& s : kScripts) {
        const UnicodePair* pairs = kScriptRanges + s.first;
        for (zet32u i = 0; i < s.count; ++i) {
            ASSERT_TRUE(i == 0 || pairs[i - 1].last < pairs[i].first) << kScriptNames + s.name << " " << i;
            const zet32s c = category(pairs[i].first);
            ASSERT_NE(c, 0) << std::hex << pairs[i].first;
            for (zet32u cp = pairs[i].first; cp <= pairs[i].last; ++cp) ASSERT_EQ(category(cp), c) << std::hex << cp;
        }
    }
}

}  // namespace
