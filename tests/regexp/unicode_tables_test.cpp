// The generated Unicode 5.1 tables: counts, order, the rows that show the data was read right,
// and the agreement between the character data and the script and block files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "regexp/chars.h"
#include "regexp/unicode_tables.h"

namespace {

using namespace zet::rx;

const UnicodeScript& script(const char* name) {
    for (const UnicodeScript& s : kScripts)
        if (std::strcmp(kScriptNames + s.name, name) == 0) return s;
    ADD_FAILURE() << "no script " << name;
    return kScripts[0];
}

const UnicodePair& pair(const UnicodeScript& s, zet32u i) { return kScriptRanges[s.first + i]; }

TEST(UnicodeTables, CharacterTableHasItsRecordsInOrder) {
    ASSERT_EQ(sizeof(kCharacterTable) / sizeof(kCharacterTable[0]), 19316u);
    for (int i = 1; i < kCharacterCount; ++i) ASSERT_LT(kCharacterTable[i - 1].cp, kCharacterTable[i].cp) << i;
    const UnicodeCharacter& first = kCharacterTable[0];
    EXPECT_EQ(first.cp, 0u);
    EXPECT_EQ(first.category, static_cast<zet32u>(RegExpCatCc));
    const UnicodeCharacter& last = kCharacterTable[kCharacterCount - 1];
    EXPECT_EQ(last.cp, 0xE01EFu);
    EXPECT_EQ(last.category, static_cast<zet32u>(RegExpCatMn));
    EXPECT_EQ(kCharacterTable['?'].category, static_cast<zet32u>(RegExpCatPo));
    EXPECT_EQ(kCharacterTable['A'].category, static_cast<zet32u>(RegExpCatLu));
    EXPECT_EQ(kCharacterTable['A'].lower, 0x61u);
    EXPECT_EQ(kCharacterTable['A'].upper, 0u);
    EXPECT_EQ(kCharacterTable['a'].category, static_cast<zet32u>(RegExpCatLl));
    EXPECT_EQ(kCharacterTable['a'].upper, 0x41u);
    EXPECT_EQ(kCharacterTable['a'].lower, 0u);
}

TEST(UnicodeTables, LookupShortcutsMatchTheTable) {
    for (zet32u cp = 0; cp < kCharacterDirect; ++cp) ASSERT_EQ(kCharacterTable[cp].cp, cp);
    EXPECT_NE(kCharacterTable[kCharacterDirect].cp, kCharacterDirect);
    EXPECT_EQ(ownRegExpCategoryOf(kCharacterDirect), 0);

    int r = 0;
    for (int page = 0; page < kCharacterPages; ++page) {
        while (r < kCharacterCount && kCharacterTable[r].cp < static_cast<zet32u>(page) * 256) ++r;
        ASSERT_EQ(kCharacterIndex[page], r) << page;
    }
    EXPECT_EQ(kCharacterIndex[kCharacterPages - 1], kCharacterCount);
    // And every record is found through them.
    for (const UnicodeCharacter& c : kCharacterTable) ASSERT_EQ(ownRegExpCategoryOf(c.cp), static_cast<zet32s>(c.category));
}

TEST(UnicodeTables, RangeRowsAreTheTenUniformStretches) {
    const UnicodeRange want[] = {
        {0x3400, 0x4DB5, RegExpCatLo},   {0x4E00, 0x9FC3, RegExpCatLo},     {0xAC00, 0xD7A3, RegExpCatLo},
        {0xD800, 0xDB7F, RegExpCatCs},   {0xDB80, 0xDBFF, RegExpCatCs},     {0xDC00, 0xDFFF, RegExpCatCs},
        {0xE000, 0xF8FF, RegExpCatCo},   {0x20000, 0x2A6D6, RegExpCatLo},   {0xF0000, 0xFFFFD, RegExpCatCo},
        {0x100000, 0x10FFFD, RegExpCatCo},
    };
    ASSERT_EQ(sizeof(kCharacterRanges) / sizeof(kCharacterRanges[0]), 10u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(kCharacterRanges[i].first, want[i].first) << i;
        EXPECT_EQ(kCharacterRanges[i].last, want[i].last) << i;
        EXPECT_EQ(kCharacterRanges[i].category, want[i].category) << i;
    }
    // No record lies inside a row: the rows are consulted first and must not hide one.
    for (const UnicodeCharacter& c : kCharacterTable)
        for (const UnicodeRange& r : kCharacterRanges) ASSERT_FALSE(c.cp >= r.first && c.cp <= r.last) << c.cp;
}

TEST(UnicodeTables, BlocksAreAscendingWithTheirDatabaseNames) {
    ASSERT_EQ(sizeof(kBlocks) / sizeof(kBlocks[0]), 171u);
    for (int i = 0; i < kBlockCount; ++i) {
        const std::string name = kBlockNames + kBlocks[i].name;
        EXPECT_EQ(name.rfind("In", 0), 0u) << name;
        EXPECT_EQ(name.find_first_of(" -"), std::string::npos) << name;
        EXPECT_LE(kBlocks[i].first, kBlocks[i].last) << name;
        if (i > 0) {
            EXPECT_LT(kBlocks[i - 1].last, kBlocks[i].first) << name;
        }
    }
    const struct {
        int index;
        const char* name;
        zet32u first, last;
    } rows[] = {
        {0, "InBasicLatin", 0x0, 0x7F},
        {1, "InLatin1Supplement", 0x80, 0xFF},
        {2, "InLatinExtendedA", 0x100, 0x17F},
        {7, "InGreekandCoptic", 0x370, 0x3FF},
        {62, "InCombiningDiacriticalMarksforSymbols", 0x20D0, 0x20FF},
        {115, "InPhagspa", 0xA840, 0xA87F},
        {169, "InSupplementaryPrivateUseAreaA", 0xF0000, 0xFFFFF},
        {170, "InSupplementaryPrivateUseAreaB", 0x100000, 0x10FFFF},
    };
    for (const auto& r : rows) {
        EXPECT_STREQ(kBlockNames + kBlocks[r.index].name, r.name);
        EXPECT_EQ(kBlocks[r.index].first, r.first) << r.name;
        EXPECT_EQ(kBlocks[r.index].last, r.last) << r.name;
    }
    EXPECT_STREQ(kBlockNames + kBlocks[168].name, "InVariationSelectorsSupplement");
    EXPECT_EQ(kBlocks[168].first, 0xE0100u);
    EXPECT_EQ(kBlocks[168].last, 0xE01EFu);
}

TEST(UnicodeTables, ScriptsComeInLookupOrderWithTheirPairs) {
    ASSERT_EQ(sizeof(kScripts) / sizeof(kScripts[0]), 77u);
    EXPECT_STREQ(kScriptNames + kScripts[0].name, "Common");
    EXPECT_STREQ(kScriptNames + kScripts[1].name, "Latin");
    EXPECT_STREQ(kScriptNames + kScripts[40].name, "Inherited");
    EXPECT_STREQ(kScriptNames + kScripts[76].name, "Cham");

    const UnicodeScript& common = script("Common");
    ASSERT_EQ(common.count, 530u);
    EXPECT_EQ(pair(common, 0).first, 0x0u);
    EXPECT_EQ(pair(common, 0).last, 0x1Fu);
    EXPECT_EQ(pair(common, 1).first, 0x20u);
    EXPECT_EQ(pair(common, 1).last, 0x20u);
    EXPECT_EQ(pair(common, 2).first, 0x21u);
    EXPECT_EQ(pair(common, 2).last, 0x23u);
    EXPECT_EQ(pair(common, 529).first, 0xE0020u);
    EXPECT_EQ(pair(common, 529).last, 0xE007Fu);

    const UnicodeScript& latin = script("Latin");
    ASSERT_EQ(latin.count, 42u);
    EXPECT_EQ(pair(latin, 0).first, 0x41u);
    EXPECT_EQ(pair(latin, 0).last, 0x5Au);
    EXPECT_EQ(pair(latin, 1).first, 0x61u);
    EXPECT_EQ(pair(latin, 1).last, 0x7Au);
    EXPECT_EQ(pair(latin, 41).first, 0xFF41u);
    EXPECT_EQ(pair(latin, 41).last, 0xFF5Au);

    const UnicodeScript& greek = script("Greek");
    ASSERT_EQ(greek.count, 51u);
    EXPECT_EQ(pair(greek, 0).first, 0x370u);
    EXPECT_EQ(pair(greek, 0).last, 0x373u);

    const UnicodeScript& cham = script("Cham");
    ASSERT_EQ(cham.count, 13u);
    EXPECT_EQ(pair(cham, 0).first, 0xAA00u);
    EXPECT_EQ(pair(cham, 0).last, 0xAA28u);
    EXPECT_EQ(pair(cham, 12).first, 0xAA5Cu);
    EXPECT_EQ(pair(cham, 12).last, 0xAA5Fu);

    EXPECT_EQ(script("Rejang").count, 4u);
    EXPECT_EQ(script("Carian").count, 1u);
    EXPECT_EQ(script("Lycian").count, 1u);
}

// The script file breaks a script's stretch wherever the general category changes (Lu, Ll and Lt
// counting as one): so within a pair every code point is assigned and of one category, and pairs
// of one script never overlap. This ties the script data to the character data.
TEST(UnicodeTables, ScriptPairsAgreeWithTheCharacterData) {
    auto category = [](zet32u cp) {
        const zet32s c = ownRegExpCategoryOf(cp);
        return (c & ~0x7F) == RegExpCatL && (c & 0x78) == 0 ? zet32s{RegExpCatLAmp} : c;
    };
    zet32u total = 0;
    for (const UnicodeScript& s : kScripts) {
        const char* name = kScriptNames + s.name;
        for (zet32u i = 0; i < s.count; ++i) {
            const UnicodePair& p = pair(s, i);
            ASSERT_LE(p.first, p.last) << name;
            if (i > 0) {
                ASSERT_LT(pair(s, i - 1).last, p.first) << name;
            }
            const zet32s c = category(p.first);
            ASSERT_NE(c, 0) << name << " " << std::hex << p.first;
            for (zet32u cp = p.first; cp <= p.last; ++cp) ASSERT_EQ(category(cp), c) << name << " " << std::hex << cp;
        }
        total += s.count;
    }
    EXPECT_EQ(total, 1344u);
}

}  // namespace
