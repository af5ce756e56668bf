// The three-stage case table against the runs of tools/case_runs.txt (parsed here) and rows written out below.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "case/case_table.h"

namespace {

TEST(CaseTable, EveryUnitMapsAsTheRunsSay) {
    EXPECT_EQ(sizeof(zet::kCaseBlocks) + sizeof(zet::kCaseRows) + sizeof(zet::kCaseWords), 2048u + 8704u + 512u);
    std::vector<int> delta[2] = {std::vector<int>(0x10000), std::vector<int>(0x10000)};  // to the lower, upper form
    int listed[2] = {0, 0}, forms[2] = {0, 0};
    std::ifstream in(std::string(ZETCH_SOURCE_DIR) + "/tools/case_runs.txt");
    ASSERT_TRUE(in.good()) << "tools/case_runs.txt not found";
    for (std::string line; std::getline(in, line);) {  // DIRECTION FIRST[..LAST] [even|odd] DELTA
        std::istringstream f(line.substr(0, line.find('#')));
        const std::vector<std::string> w{std::istream_iterator<std::string>(f), std::istream_iterator<std::string>()};
        if (w.empty()) continue;
        const int first = std::stoi(w[1], nullptr, 16), dir = w[0] == "upper";
        const int last = std::stoi(w[1].substr(w[1].rfind('.') + 1), nullptr, 16);  // FIRST when no range
        for (int c = first; c <= last; c += w.size() == 4 ? 2 : 1, ++listed[dir])
            delta[dir][c] = std::stoi(w.back());
    }
    for (int c = 0; c < 0x10000; ++c) {
        const zet16u u = static_cast<zet16u>(c);
        ASSERT_EQ(zet::ownCaseLower(u), c + delta[0][c]) << std::hex << "lower of U+" << c;
        ASSERT_EQ(zet::ownCaseUpper(u), c + delta[1][c]) << std::hex << "upper of U+" << c;
        forms[0] += (zet::ownCaseWord(u) & zet::kCaseHasLower) != 0;
        forms[1] += (zet::ownCaseWord(u) & zet::kCaseHasUpper) != 0;
    }
    EXPECT_TRUE(listed[0] == 704 && listed[1] == 673) << "units listed with a lower, an upper form";
    EXPECT_TRUE(forms[0] == 704 && forms[1] == 673) << "units whose word gives a lower, an upper form";
}

// Rows that tell a one-to-one table from a careless one: unit, lower, upper.
TEST(CaseTable, TellingRows) {
    const zet16u rows[][3] = {
        {0x0041, 0x0061, 0x0041}, {0x0130, 0x0069, 0x0130}, {0x0069, 0x0069, 0x0049}, {0x0131, 0x0131, 0x0049},
        {0x017F, 0x017F, 0x0053}, {0x00FF, 0x00FF, 0x0178}, {0x0178, 0x00FF, 0x0178}, {0x018E, 0x0258, 0x018E},
        {0x0258, 0x0258, 0x018E}, {0x01C5, 0x01C6, 0x01C4}, {0x10A0, 0x10D0, 0x10A0}, {0x10D0, 0x10D0, 0x10D0},
        {0x00B5, 0x00B5, 0x00B5}, {0x1F80, 0x1F80, 0x1F88}, {0x1FBC, 0x1FB3, 0x1FBC}, {0xD801, 0xD801, 0xD801}};
    for (const auto& r : rows)
        EXPECT_TRUE(zet::ownCaseLower(r[0]) == r[1] && zet::ownCaseUpper(r[0]) == r[2]) << std::hex << "U+" << r[0];
}

}  // namespace
