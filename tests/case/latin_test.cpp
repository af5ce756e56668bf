#include <gtest/gtest.h>

#include <random>

#include "case/placed.h"
#include "zetch.h"

namespace {

constexpr auto latinLower = [](unsigned c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
constexpr auto latinUpper = [](unsigned c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };

// Letters and '@' '[' '`' '{', Latin-1 letters, 16-bit units whose low byte is a letter or that are negative.
template <class T>
T edgyUnit(std::mt19937& rng) {
    static const unsigned kPicks[] = {'A', 'M', 'Z', 'a', 'q', 'z', '@', '[', '`', '{', '0', ' ', 0x00, 0x7F,
                                      0x80, 0xC0, 0xC4, 0xDE, 0xE0, 0xFF, 0x141, 0x5A61, 0x8041, 0xFF41, 0xFFFF};
    return static_cast<T>(rng() % 3 == 0 ? rng() : kPicks[rng() % std::size(kPicks)]);
}

TEST(LatinCase, BothWidthsAgreeWithTheRule) {
    placed::checkCaseConversion<zet8u>(zetsLowercaseLatin_8u, zetsLowercaseLatin_8u_I, latinLower, edgyUnit<zet8u>, 160);
    placed::checkCaseConversion<zet8u>(zetsUppercaseLatin_8u, zetsUppercaseLatin_8u_I, latinUpper, edgyUnit<zet8u>, 160);
    placed::checkCaseConversion<zet16u>(zetsLowercaseLatin_16u, zetsLowercaseLatin_16u_I, latinLower, edgyUnit<zet16u>, 80);
    placed::checkCaseConversion<zet16u>(zetsUppercaseLatin_16u, zetsUppercaseLatin_16u_I, latinUpper, edgyUnit<zet16u>, 80);
}

}  // namespace
