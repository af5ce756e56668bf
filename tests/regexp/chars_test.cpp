// UTF-8 decoding, POSIX classes, properties, case folding and the class-member test of the
// regular-expression engine (the \p parser's nodes and stops are pinned by the compiler's tests).
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "regexp/chars.h"
#include "support/guarded.h"

namespace {

using namespace zet::rx;
using Bytes = std::vector<zet8u>;
constexpr zet32u kI = zetRegExpOptionCaseless;

// v in len bytes (0: the shortest form; more: an overlong one).
Bytes encode(zet32u v, int len = 0) {
    if (len == 0) len = v < 0x80 ? 1 : v < 0x800 ? 2 : v < 0x10000 ? 3 : v < 0x200000 ? 4 : v < 0x4000000 ? 5 : 6;
    if (len == 1) return {static_cast<zet8u>(v)};
    Bytes out(len);
    for (int i = len - 1; i > 0; --i, v >>= 6) out[i] = static_cast<zet8u>(0x80 | (v & 0x3F));
    out[0] = static_cast<zet8u>((0xFF00 >> len) | v);
    return out;
}
RegExpSubjectChar charOf(zet32u v) { return ownRegExpReadChar(encode(v).data(), static_cast<zet32s>(encode(v).size())); }
RegExpSubjectChar strayByte(zet8u b) { return {b, 1, b}; }

// Every value in its shortest form decodes (surrogates and five- and six-byte forms included);
// overlong and malformed sequences do not, leave the value alone and count as one byte.
TEST(RegExpUtf8, DecodesShortestFormsOnly) {
    const auto expectInvalid = [](const Bytes& s) {
        zet32u cp = 0xDEAD;
        EXPECT_EQ(ownRegExpDecodeUtf8(s.data(), s.data() + s.size(), &cp), 0) << std::hex << int{s[0]} << " " << s.size();
        EXPECT_EQ(cp, 0xDEADu);
        EXPECT_EQ(ownRegExpUtf8Length(s.data(), static_cast<zet32s>(s.size())), 1);
    };
    std::vector<zet32u> values(0x110000);
    std::iota(values.begin(), values.end(), 0u);  // surrogates included
    values.insert(values.end(), {0x1FFFFF, 0x200000, 0x3FFFFFF, 0x4000000, 0x7FFFFFFF});
    for (zet32u v : values) {
        const Bytes s = encode(v);
        const int n = static_cast<int>(s.size());
        zet32u cp = 0xDEAD;
        ASSERT_EQ(ownRegExpDecodeUtf8(s.data(), s.data() + n, &cp), n) << std::hex << v;
        ASSERT_EQ(cp, v);
        ASSERT_EQ(ownRegExpUtf8Length(s.data(), n), n);
        for (int len = n + 1; len <= 6 && (v & 0xFFF) == 0xFFF; ++len) expectInvalid(encode(v, len));
    }
    for (const Bytes& s : {Bytes{0x80}, {0xBF, 0x80}, {0xC0, 0x80}, {0xC1, 0xBF}, {0xC3, 0x28}, {0xC3, 0xC3},
                           {0xE2, 0x82, 0x28}, {0xF0, 0x90, 0x80, 0x7F}, {0xE0, 0x9F, 0xBF}, {0xFC, 0x84, 0x80, 0x80, 0x80, 0xC0},
                           {0xFE, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}, {0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}})
        expectInvalid(s);
    EXPECT_EQ(ownRegExpReadChar(Bytes{0xC3, 0x28}.data(), 2).cp, 0xC3u);
}

// Every prefix of each form against an unreadable page, with continuation bytes as poison: a cut
// sequence is invalid, and an over-read would fault or complete it.
TEST(RegExpUtf8, NeverReadsPastTheEnd) {
    guarded::Arena arena(1 << 12);
    for (zet32u v : {0x41u, 0xE9u, 0x20ACu, 0x1F600u, 0x3FFFFFFu, 0x7FFFFFFFu}) {
        const Bytes full = encode(v);
        for (std::size_t k = 0; k <= full.size(); ++k) {
            const int want = k == full.size() ? static_cast<int>(k) : 0;
            guarded::forEachPlacement(arena, Bytes(full.begin(), full.begin() + k), zet8u{0x80},
                                      [&](zet8u* p, int, guarded::Edge) {
                                          zet32u cp = 0;
                                          ASSERT_EQ(ownRegExpDecodeUtf8(p, p + k, &cp), want) << std::hex << v << " " << k;
                                          ASSERT_EQ(ownRegExpUtf8Length(p, static_cast<zet32s>(k)), want == 0 ? 1 : want);
                                      });
        }
    }
}

// The node for the text after \p (negated 0) or \P (negated -1); a failed parse leaves type 0.
RegExpNode property(const std::string& text, zet32s negated = 0) {
    const zet8u* cursor = reinterpret_cast<const zet8u*>(text.c_str());
    RegExpNode node{0, 77, 77, 77, 77};
    if (ownRegExpParseProperty(&cursor, negated, &node) != 0) node.type = 0;
    return node;
}

bool classAccepts(const RegExpPosixMember* m, int count, const RegExpSubjectChar& ch, zet32u options) {
    for (int i = 0; i < count; ++i)
        if (ownRegExpClassMemberTest(ch, RegExpNode{m[i].type, m[i].arg1, m[i].arg2, m[i].arg3, 0}, options)) return true;
    return false;
}

// [:^name:] accepts exactly what [:name:] rejects, with and without i, for every byte alone (stray
// bytes included), every two-byte character and some larger ones.
TEST(RegExpPosixClass, NegatedFormIsTheExactComplement) {
    std::vector<RegExpSubjectChar> chars;
    for (int b = 0; b < 256; ++b) chars.push_back(strayByte(static_cast<zet8u>(b)));
    for (zet32u v = 0x80; v < 0x800; ++v) chars.push_back(charOf(v));
    for (zet32u v : {0x212Au, 0x1E9Eu, 0xFFFFu, 0x10FFFFu, 0x110000u, 0x7FFFFFFFu}) chars.push_back(charOf(v));
    for (const char* name : {"alnum", "alpha", "ascii", "blank", "cntrl", "digit", "graph", "lower", "print", "punct",
                             "space", "upper", "word", "xdigit"}) {
        const RegExpPosixClass* c = ownRegExpFindPosixClass(reinterpret_cast<const zet8u*>(name), std::strlen(name));
        ASSERT_STREQ(c ? c->name : "", name);
        for (zet32u options : {0u, kI})
            for (const RegExpSubjectChar& ch : chars)
                ASSERT_NE(classAccepts(c->members, c->count, ch, options),
                          classAccepts(c->negatedMembers, c->negatedCount, ch, options))
                    << name << " options " << options << " cp " << std::hex << ch.cp << " length " << ch.length;
    }
}

TEST(RegExpPropertyTest, CategoriesCodeRangesScriptsAndFolding) {
    for (const auto& [text, negated, cp, accepts] : std::vector<std::tuple<const char*, zet32s, zet32u, bool>>{
             {"{Lu}", 0, 0xC0, true}, {"{Lu}", 0, 'a', false}, {"{L&}", 0, 0x1C5, true}, {"{L&}", 0, 0x2B0, false},
             {"N", 0, 0x2160, true}, {"{Nd}", 0, 0x2160, false}, {"{Lu}", -1, 'A', false}, {"{^L}", 0, '1', true},
             // Range rows are judged as exactly as records; unassigned code points are Cn.
             {"{Lo}", 0, 0x4E00, true}, {"{Han}", 0, 0x4E00, true}, {"{Cn}", 0, 0x4E00, false}, {"{Cn}", -1, 0x4E00, true},
             {"L", -1, 0x4E00, false}, {"{Lo}", 0, 0x9FC4, false}, {"{Co}", 0, 0x10FFFD, true}, {"{Cn}", 0, 0x378, true},
             {"{Cn}", -1, 0x378, false}, {"L", 0, 0x110000, false}, {"L", -1, 0x7FFFFFFF, true}, {"{Co}", 0, 0x10FFFE, false},
             {"{Any}", 0, 0x10FFFF, true}, {"{Any}", 0, 0x110000, false}, {"{^InBasicLatin}", 0, 0x80, true},
             {"{Latin}", 0, 0xFF5A, true}, {"{Latin}", 0, 0xFF5B, false}, {"{Greek}", -1, 0x3B1, false}})
        EXPECT_EQ(ownRegExpPropertyTest(cp, property(text, negated)), accepts) << text << negated << " " << std::hex << cp;
    for (const auto& [cp, lower] : std::vector<std::pair<zet32u, zet32u>>{
             {'A', 'a'}, {'@', '@'}, {0xC0, 0xE0}, {0xDF, 0xDF}, {0x178, 0xFF}, {0x130, 'i'}, {0x1C5, 0x1C6},
             {0x212A, 'k'}, {0x10400, 0x10428}, {0x4E00, 0x4E00}, {0x378, 0x378}, {0x7FFFFFFF, 0x7FFFFFFF}})
        EXPECT_EQ(ownRegExpFoldCase(cp), lower) << std::hex << cp;
}

TEST(RegExpClassMemberTest, EveryMemberKind) {
    constexpr zet32u Ch = RegExpOpChar, Ty = RegExpOpCharType, Ra = RegExpOpRange, Wi = RegExpOpWideChar;
    const std::vector<std::tuple<RegExpSubjectChar, RegExpNode, zet32u, bool>> cases = {
        {charOf('A'), {Ch, 'a', 0, 0, 0}, kI, true},        {charOf('@'), {Ch, '`', 0, 0, 0}, kI, false},
        {charOf('A'), {Ch, 'a', 0, -1, 0}, kI, false},      {charOf(0xE9), {Ty, 'W', 0, 0, 0}, 0, true},
        {charOf('\n'), {Ty, '.', 0, 0, 0}, 0, false},       {charOf('\n'), {Ty, '.', 0, 0, 0}, zetRegExpOptionDotAll, true},
        {charOf('M'), {Ra, 'a', 'z', 0, 0}, 0, false},      {charOf('M'), {Ra, 'a', 'z', 0, 0}, kI, true},
        {charOf('['), {Ra, 'a', 'z', 0, 0}, kI, false},     {charOf('5'), {Ty, 'd', 0, -1, 0}, 0, false},
        // Members below 256 are bytes: 0xE9 is a stray byte, not U+00E9. With i, ranges fold both
        // ends and the character. A stray byte is in a byte range by value, and in no wider one.
        {strayByte(0xE9), {Ch, 0xE9, 0, 0, 0}, 0, true},    {charOf(0xE9), {Ch, 0xE9, 0, 0, 0}, 0, false},
        {charOf(0xE9), {Ra, 0xC0, 0xDE, 0, 0}, kI, true},   {charOf(0x7FFFFFFF), {Ra, 0x100, -1, 0, 0}, 0, true},
        {strayByte(0xC3), {Ra, 0x80, 0xFF, 0, 0}, 0, true}, {strayByte(0xC3), {Ra, 0x80, 0x10FFFF, 0, 0}, kI, false},
        {strayByte(0xC3), {Ra, 0x80, 0x10FFFF, -1, 0}, 0, true}, {strayByte(0xC4), {Wi, 0xC4, 0, 0, 0}, 0, false},
        {charOf('k'), {Wi, 0x212A, 0, 0, 0}, kI, true},     {charOf(0x101), {Wi, 0x100, 0, 0, 0}, 0, false},
        // Property members carry their own negation, applied once.
        {charOf('a'), property("{^InBasicLatin}"), 0, false}, {strayByte(0xE9), property("{Ll}"), 0, true},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [ch, member, options, accepts] = cases[i];
        EXPECT_EQ(ownRegExpClassMemberTest(ch, member, options), accepts) << "case " << i;
    }
}

}  // namespace
