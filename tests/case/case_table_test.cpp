// The three-stage case table: its storage, its sharing of rows, and every one of the 65,536 units
// against the mapping runs of tools/case_runs.txt (read here by a parser of the test's own).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "case/case_table.h"

namespace {

using zet::kCaseBlocks;
using zet::kCaseRows;
using zet::kCaseWords;

// Mapping of every unit in one direction, as the runs give it (identity where none is listed).
struct Expected {
    std::vector<zet16u> lower, upper;
    int lowerCount = 0, upperCount = 0;
};

Expected readRuns() {
    Expected e;
    e.lower.resize(0x10000);
    e.upper.resize(0x10000);
    for (int c = 0; c < 0x10000; ++c) e.lower[c] = e.upper[c] = static_cast<zet16u>(c);
    std::ifstream in(std::string(ZETCH_SOURCE_DIR) + "/tools/case_runs.txt");
    EXPECT_TRUE(in.good()) << "tools/case_runs.txt not found";
    std::string line;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream f(line);
        std::vector<std::string> w;
        for (std::string t; f >> t;) w.push_back(t);
        if (w.empty()) continue;
        const auto dots = w[1].find("..");
        const int first = std::stoi(w[1].substr(0, dots), nullptr, 16);
        const int last = dots == std::string::npos ? first : std::stoi(w[1].substr(dots + 2), nullptr, 16);
        const int step = w.size() == 4 ? 2 : 1;
        const int delta = std::stoi(w.back());
        auto& map = w[0] == "lower" ? e.lower : e.upper;
        auto& count = w[0] == "lower" ? e.lowerCount : e.upperCount;
        for (int c = first; c <= last; c += step) {
            map[c] = static_cast<zet16u>(c + delta);
            ++count;
        }
    }
    return e;
}

TEST(CaseTable, StorageSizes) {
    EXPECT_EQ(sizeof(kCaseBlocks), 2048u);
    EXPECT_EQ(sizeof(kCaseRows), 8704u);
    EXPECT_EQ(sizeof(kCaseWords), 512u);
}

// Offsets are row starts inside the area; blocks of equal contents share one row (no two used rows
// are equal); the area after the used rows is zero; the words in use are distinct and the rest are
// zero, word 0 being the zero word that padding and units without case select.
TEST(CaseTable, RowsAreSharedAndTheRestIsZero) {
    std::set<int> offsets;
    for (int b = 0; b < 1024; ++b) {
        ASSERT_EQ(kCaseBlocks[b] % 64, 0) << "block " << b;
        ASSERT_LE(kCaseBlocks[b] + 64, 8704) << "block " << b;
        offsets.insert(kCaseBlocks[b]);
    }
    std::set<std::string> contents;
    int maxWord = 0;
    for (int off : offsets) {
        contents.emplace(reinterpret_cast<const char*>(kCaseRows + off), 64);
        for (int i = 0; i < 64; ++i) maxWord = std::max<int>(maxWord, kCaseRows[off + i]);
    }
    EXPECT_EQ(contents.size(), offsets.size()) << "two blocks with equal contents use different rows";
    EXPECT_EQ(*offsets.rbegin(), 64 * (static_cast<int>(offsets.size()) - 1)) << "rows are packed from the start";
    for (int i = *offsets.rbegin() + 64; i < 8704; ++i) ASSERT_EQ(kCaseRows[i], 0) << "padding at " << i;

    EXPECT_EQ(kCaseWords[0], 0);
    const std::set<zet32s> used(kCaseWords, kCaseWords + maxWord + 1);
    EXPECT_EQ(used.size(), static_cast<std::size_t>(maxWord + 1)) << "a word is stored twice";
    for (int i = maxWord + 1; i < 128; ++i) EXPECT_EQ(kCaseWords[i], 0) << "unused word " << i;
    std::cout << "[ info     ] case table: " << offsets.size() << " distinct rows, " << maxWord + 1
              << " words in use\n";
}

TEST(CaseTable, EveryUnitMapsAsTheRunsSay) {
    const Expected e = readRuns();
    EXPECT_EQ(e.lowerCount, 704);
    EXPECT_EQ(e.upperCount, 673);
    int lowerForms = 0, upperForms = 0;
    for (int c = 0; c < 0x10000; ++c) {
        const zet16u u = static_cast<zet16u>(c);
        ASSERT_EQ(zet::ownCaseLower(u), e.lower[c]) << std::hex << "lower of U+" << c;
        ASSERT_EQ(zet::ownCaseUpper(u), e.upper[c]) << std::hex << "upper of U+" << c;
        const zet32s w = zet::ownCaseWord(u);
        lowerForms += (w & zet::kCaseHasLower) != 0;
        upperForms += (w & zet::kCaseHasUpper) != 0;
    }
    EXPECT_EQ(lowerForms, 704) << "units whose word says they have a lower-case form";
    EXPECT_EQ(upperForms, 673) << "units whose word says they have an upper-case form";
}

// Rows that tell a one-to-one table from a careless one, written out independently of the runs.
TEST(CaseTable, TellingRows) {
    struct Row {
        zet16u c, lower, upper;
    };
    const Row rows[] = {
        {0x0041, 0x0061, 0x0041}, {0x0061, 0x0061, 0x0041}, {0x00C0, 0x00E0, 0x00C0}, {0x03B1, 0x03B1, 0x0391},
        {0x0410, 0x0430, 0x0410}, {0x0430, 0x0430, 0x0410}, {0x0130, 0x0069, 0x0130}, {0x0069, 0x0069, 0x0049},
        {0x0131, 0x0131, 0x0049}, {0x017F, 0x017F, 0x0053}, {0x00FF, 0x00FF, 0x0178}, {0x0178, 0x00FF, 0x0178},
        {0x018E, 0x0258, 0x018E}, {0x0258, 0x0258, 0x018E}, {0x01C4, 0x01C6, 0x01C4}, {0x01C5, 0x01C6, 0x01C4},
        {0x01C6, 0x01C6, 0x01C4}, {0x10A0, 0x10D0, 0x10A0}, {0x10C5, 0x10F5, 0x10C5}, {0x10D0, 0x10D0, 0x10D0},
        {0x00B5, 0x00B5, 0x00B5}, {0x0345, 0x0345, 0x0345}, {0x03C2, 0x03C2, 0x03C2}, {0x1F80, 0x1F80, 0x1F88},
        {0x1F88, 0x1F80, 0x1F88}, {0x00DF, 0x00DF, 0x00DF}, {0x0149, 0x0149, 0x0149}, {0x1FBC, 0x1FB3, 0x1FBC},
        {0x1FB3, 0x1FB3, 0x1FBC}, {0x2160, 0x2170, 0x2160}, {0x24D0, 0x24D0, 0x24B6}, {0xFF21, 0xFF41, 0xFF21},
        {0xFF5A, 0xFF5A, 0xFF3A}, {0xD801, 0xD801, 0xD801}, {0xDC00, 0xDC00, 0xDC00}, {0x0000, 0x0000, 0x0000},
        {0xFFFF, 0xFFFF, 0xFFFF}, {0x00D7, 0x00D7, 0x00D7}, {0x00F7, 0x00F7, 0x00F7}, {0x0220, 0x0220, 0x0220},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(zet::ownCaseLower(r.c), r.lower) << std::hex << "lower of U+" << r.c;
        EXPECT_EQ(zet::ownCaseUpper(r.c), r.upper) << std::hex << "upper of U+" << r.c;
    }
}

}  // namespace
