// The tool's windowed search with small windows: occurrences that straddle window boundaries,
// overlapping occurrences, and needles as long as a window.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "../../apps/find_scan.h"

namespace {

std::vector<std::size_t> everyOffset(const std::vector<std::uint8_t>& data, const std::vector<std::uint8_t>& needle) {
    std::vector<std::size_t> at;
    for (std::size_t i = 0; !needle.empty() && i + needle.size() <= data.size(); ++i)
        if (std::equal(needle.begin(), needle.end(), data.begin() + static_cast<std::ptrdiff_t>(i))) at.push_back(i);
    return at;
}

TEST(FindScanTest, WindowsMissNoOccurrence) {
    std::mt19937 rng(3);
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> data(rng() % 200), needle(1 + rng() % 6);
        for (auto& b : data) b = static_cast<std::uint8_t>('a' + rng() % 2);
        for (auto& b : needle) b = static_cast<std::uint8_t>('a' + rng() % 2);
        const std::size_t chunk = needle.size() + rng() % 9;  // windows as short as the needle
        const auto want = everyOffset(data, needle);
        std::vector<std::size_t> got;
        const bool found = cli::forEachOccurrence(data, needle, chunk, [&](std::size_t at) { got.push_back(at); });
        ASSERT_EQ(got, want) << "chunk " << chunk;
        ASSERT_EQ(found, !want.empty());
        const auto last = cli::lastOccurrence(data, needle, chunk);
        ASSERT_EQ(last.has_value(), !want.empty());
        if (last) {
            ASSERT_EQ(*last, want.back()) << "chunk " << chunk;
        }
    }
}

TEST(FindScanTest, EmptyNeedleAndShortData) {
    const std::vector<std::uint8_t> data = {'a', 'b'}, empty, longer = {'a', 'b', 'c'};
    EXPECT_FALSE(cli::forEachOccurrence(data, empty, 4, [](std::size_t) { FAIL(); }));
    EXPECT_FALSE(cli::lastOccurrence(data, empty, 4));
    EXPECT_FALSE(cli::forEachOccurrence(data, longer, 4, [](std::size_t) { FAIL(); }));
    EXPECT_FALSE(cli::lastOccurrence(empty, longer, 4));
}

}  // namespace
