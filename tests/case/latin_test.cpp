#include <gtest/gtest.h>

#include <random>

#include "case/placed.h"
#include "zetch.h"

namespace {

template <class T>
T latinLower(T c) {
    return c >= 'A' && c <= 'Z' ? static_cast<T>(c + 32) : c;
}
template <class T>
T latinUpper(T c) {
    return c >= 'a' && c <= 'z' ? static_cast<T>(c - 32) : c;
}

// Letters of both cases and their neighbours '@' '[' '`' '{', Latin-1 letters, and 16-bit units
// whose low byte is a letter or that are negative in a signed lane; a third of the units random.
template <class T>
T edgyUnit(std::mt19937& rng) {
    static const unsigned kPicks[] = {'A', 'M', 'Z', 'a', 'q', 'z', '@', '[', '`', '{', '0', ' ', 0x00, 0x7F,
                                      0x80, 0xC0, 0xC4, 0xDE, 0xE0, 0xFF, 0x141, 0x5A61, 0x8041, 0xFF41, 0xFFFF};
    return static_cast<T>(rng() % 3 == 0 ? rng() : kPicks[rng() % std::size(kPicks)]);
}

TEST(LatinCase, EightBitUnits) {
    placed::checkCaseConversion<zet8u>(zetsLowercaseLatin_8u, zetsLowercaseLatin_8u_I, latinLower, edgyUnit<zet8u>, 160);
    placed::checkCaseConversion<zet8u>(zetsUppercaseLatin_8u, zetsUppercaseLatin_8u_I, latinUpper, edgyUnit<zet8u>, 160);
}

TEST(LatinCase, SixteenBitUnits) {
    placed::checkCaseConversion<zet16u>(zetsLowercaseLatin_16u, zetsLowercaseLatin_16u_I, latinLower, edgyUnit<zet16u>, 80);
    placed::checkCaseConversion<zet16u>(zetsUppercaseLatin_16u, zetsUppercaseLatin_16u_I, latinUpper, edgyUnit<zet16u>, 80);
}

}  // namespace
