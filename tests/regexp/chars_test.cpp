// UTF-8 decoding, the \p parser, POSIX classes, properties, case folding and the class-member test
// of the regular-expression engine.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "regexp/chars.h"
#include "support/guarded.h"

namespace {

using namespace zet::rx;
using Bytes = std::vector<zet8u>;
constexpr zet32u kI = zetRegExpOptionCaseless;

// Independent reference encoder: v in `len` bytes (0: the shortest form; more: an overlong one).
Bytes encode(zet32u v, int len = 0) {
    const int need = v < 0x80 ? 1 : v < 0x800 ? 2 : v < 0x10000 ? 3 : v < 0x200000 ? 4 : v < 0x4000000 ? 5 : 6;
    if (len == 0) len = need;
    if (len == 1) return {static_cast<zet8u>(v)};
    Bytes out(len);
    for (int i = len - 1; i > 0; --i, v >>= 6) out[i] = static_cast<zet8u>(0x80 | (v & 0x3F));
    out[0] = static_cast<zet8u>((0xFF00 >> len) | v);
    return out;
}

int decode(const Bytes& s, zet32u* cp) { return ownRegExpDecodeUtf8(s.data(), s.data() + s.size(), cp); }
RegExpSubjectChar charOf(zet32u v) {
    const Bytes s = encode(v);
    return ownRegExpReadChar(s.data(), static_cast<zet32s>(s.size()));
}
RegExpSubjectChar strayByte(zet8u b) { return {b, 1, b}; }

TEST(RegExpDecodeUtf8, ShortestFormsDecodeOverlongAndMalformedOnesDoNot) {
    std::vector<zet32u> values;
    for (zet32u v = 0; v <= 0x10FFFF; ++v) values.push_back(v);  // surrogates included
    for (zet32u v : {0x1FFFFFu, 0x200000u, 0x3FFFFFFu, 0x4000000u, 0x12345678u, 0x7FFFFFFFu}) values.push_back(v);
    for (zet32u v : values) {
        const Bytes s = encode(v);
        const int n = static_cast<int>(s.size());
        zet32u cp = 0xDEAD;
        ASSERT_EQ(decode(s, &cp), n) << std::hex << v;
        ASSERT_EQ(cp, v);
        ASSERT_EQ(ownRegExpUtf8Length(s.data(), n), n);
        for (int len = n + 1; len <= 6 && (v & 0xFFF) == 0xFFF; ++len) {  // overlong forms of a sample
            const Bytes o = encode(v, len);
            ASSERT_EQ(decode(o, &cp), 0) << std::hex << v << " in " << len;
            ASSERT_EQ(ownRegExpUtf8Length(o.data(), len), 1);
        }
    }
    const Bytes bad[] = {
        {0x80}, {0xBF, 0x80}, {0xC0, 0x80}, {0xC1, 0xBF}, {0xFE, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80},
        {0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}, {0xC3, 0x28}, {0xC3, 0xC3}, {0xE2, 0x82, 0x28},
        {0xF0, 0x90, 0x80, 0x7F}, {0xFC, 0x84, 0x80, 0x80, 0x80, 0xC0}, {0xE0, 0x9F, 0xBF},
    };
    for (const Bytes& s : bad) {
        zet32u cp = 0xDEAD;
        EXPECT_EQ(decode(s, &cp), 0) << std::hex << int{s[0]};
        EXPECT_EQ(cp, 0xDEADu);
        EXPECT_EQ(ownRegExpUtf8Length(s.data(), static_cast<zet32s>(s.size())), 1);
    }
    const RegExpSubjectChar stray = ownRegExpReadChar(bad[6].data(), 2);
    EXPECT_EQ(stray.length, 1);
    EXPECT_EQ(stray.cp, 0xC3u);
}

// Every prefix of each form against an unreadable page, with continuation bytes as poison: a cut
// sequence is invalid, and an over-read would fault or complete it.
TEST(RegExpDecodeUtf8, NeverReadsPastTheEnd) {
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

// ---- \p and \P ----------------------------------------------------------------------------------

struct Parsed {
    int status;
    int stop;  // cursor offset after the call
    RegExpNode node;
};

// Parses the text that follows \p (negated 0) or \P (negated -1).
Parsed parse(const std::string& text, zet32s negated = 0) {
    const zet8u* start = reinterpret_cast<const zet8u*>(text.c_str());
    const zet8u* cursor = start;
    Parsed r{0, 0, {0xFFFFFFFFu, 77, 77, 77, 77}};
    r.status = ownRegExpParseProperty(&cursor, negated, &r.node);
    r.stop = static_cast<int>(cursor - start);
    return r;
}

TEST(RegExpParseProperty, BuildsCategoryBlockAndAnyNodes) {
    const struct {
        const char* text;
        zet32s negated;
        zet32u type;
        zet32s arg1, arg2, arg3;
        int stop;
    } cases[] = {
        {"L", 0, RegExpOpCategory, RegExpCatL, 0, 0, 1},
        {"Lu", 0, RegExpOpCategory, RegExpCatL, 0, 0, 1},  // one letter without braces; 'u' is left
        {"N", -1, RegExpOpCategory, RegExpCatN, -1, 0, 1},
        {"{Lu}x", -1, RegExpOpCategory, RegExpCatLu, -1, 0, 4},
        {"{^L}", 0, RegExpOpCategory, RegExpCatL, -1, 0, 4},
        {"{L&}", 0, RegExpOpCategory, RegExpCatLAmp, 0, 0, 4},
        {"{C}", 0, RegExpOpCategory, RegExpCatC, 0, 0, 3},
        {"{Co}", 0, RegExpOpCategory, RegExpCatCo, 0, 0, 4},
        {"{Cn}", 0, RegExpOpCategory, RegExpCatCn, 0, 0, 4},
        {"{Any}", -1, RegExpOpCodeRange, 0, 0x10FFFF, -1, 5},
        {"{^Any}", 0, RegExpOpCodeRange, 0, 0x10FFFF, -1, 6},
        {"{InBasicLatin}", 0, RegExpOpCodeRange, 0, 0x7F, 0, 14},
        {"{InBasic}", 0, RegExpOpCodeRange, 0, 0x7F, 0, 9},     // a prefix selects the block
        {"{InLatin}", 0, RegExpOpCodeRange, 0x80, 0xFF, 0, 9},  // the first in table order
        {"{I}", -1, RegExpOpCodeRange, 0, 0x7F, -1, 3},
        {"{InGreekandCoptic}", 0, RegExpOpCodeRange, 0x370, 0x3FF, 0, 18},
        {"{InCJKUnifiedIdeographs}", 0, RegExpOpCodeRange, 0x3400, 0x4DBF, 0, 24},  // Extension A comes first
    };
    for (const auto& c : cases) {
        const Parsed r = parse(c.text, c.negated);
        SCOPED_TRACE(c.text);
        ASSERT_EQ(r.status, 0);
        EXPECT_EQ(r.stop, c.stop);
        EXPECT_EQ(r.node.type, c.type);
        EXPECT_EQ(r.node.arg1, c.arg1);
        EXPECT_EQ(r.node.arg2, c.arg2);
        EXPECT_EQ(r.node.arg3, c.arg3);
        EXPECT_EQ(r.node.arg4, 0u);
    }
}

TEST(RegExpParseProperty, FindsEveryScriptByItsExactName) {
    for (zet32u s = 0; s < 77; ++s) {
        const std::string name = ownRegExpScriptName(s);
        const Parsed r = parse("{" + name + "}");
        SCOPED_TRACE(name);
        ASSERT_EQ(r.status, 0);
        EXPECT_EQ(r.stop, static_cast<int>(name.size()) + 2);
        EXPECT_EQ(r.node.type, RegExpOpScript);
        EXPECT_EQ(r.node.arg1, 1);
        EXPECT_EQ(r.node.arg2, 0);
        EXPECT_EQ(r.node.arg4, s);
        EXPECT_EQ(parse("{^" + name + "}").node.arg2, -1);
    }
    EXPECT_EQ(parse("{Common}").node.arg3, 530);  // not taken for the category Co
    EXPECT_EQ(parse("{Latin}").node.arg3, 42);
}

TEST(RegExpParseProperty, RejectsWithTheCursorWhereParsingStopped) {
    const struct {
        const char* text;
        zet32s negated;
        int stop;
    } cases[] = {
        {"", 0, 0},         {"x", 0, 0},         {"l", 0, 0},          {"A", 0, 0},
        {"{^L}", -1, 1},  // \P{^...}: at the caret
        {"{", 0, 1},        {"{}", 0, 1},        {"{^", 0, 2},         {"{^}", 0, 2},
        {"{Latin", 0, 1},   {"{latin}", 0, 1},   {"{Latin }", 0, 1},   {"{InNoSuchBlock}", 0, 1},
        {"{InBasicLatin", 0, 1}, {"{InGreekAndCoptic}", 0, 1}, {"{Foo}", 0, 1},
        {"{Lux}", 0, 3},    {"{Lu", 0, 3},       {"{L&&}", 0, 3},      {"{Anything}", 0, 4},
    };
    for (const auto& c : cases) {
        const Parsed r = parse(c.text, c.negated);
        EXPECT_EQ(r.status, -1) << c.text;
        EXPECT_EQ(r.stop, c.stop) << c.text;
    }
    // Nothing after the terminator is read, whatever stage the parse stops at.
    guarded::Arena arena(1 << 12);
    for (const char* text : {"{", "{^", "{In", "{Co", "{C", "{Lu", "{Latin", "{Any"}) {
        const Bytes s(text, text + std::strlen(text) + 1);
        guarded::forEachPlacement(arena, s, zet8u{'}'}, [&](zet8u* p, int, guarded::Edge) {
            const zet8u* cursor = p;
            RegExpNode node;
            EXPECT_EQ(ownRegExpParseProperty(&cursor, 0, &node), -1) << text;
        });
    }
}

// ---- POSIX classes --------------------------------------------------------------------------------

const char* const kPosixNames[] = {"alnum", "alpha", "ascii", "blank", "cntrl", "digit", "graph",
                                   "lower", "print", "punct", "space", "upper", "word",  "xdigit"};

const RegExpPosixClass* posix(const char* name) {
    return ownRegExpFindPosixClass(reinterpret_cast<const zet8u*>(name), static_cast<int>(std::strlen(name)));
}

// A class accepts a character when any member does (the matcher's rule).
bool classAccepts(const RegExpPosixMember* m, int count, const RegExpSubjectChar& ch, zet32u options) {
    for (int i = 0; i < count; ++i)
        if (ownRegExpClassMemberTest(ch, RegExpNode{m[i].type, m[i].arg1, m[i].arg2, m[i].arg3, 0}, options)) return true;
    return false;
}

TEST(RegExpPosixClass, FindsNamesExactly) {
    for (const char* name : kPosixNames) EXPECT_STREQ(posix(name) ? posix(name)->name : "", name);
    for (const char* name : {"", "al", "alphas", "Alpha", "asci", "words"}) EXPECT_EQ(posix(name), nullptr) << name;
    EXPECT_EQ(ownRegExpFindPosixClass(reinterpret_cast<const zet8u*>("alphanumeric"), 5), posix("alpha"));
}

// [:^name:] accepts exactly what [:name:] rejects, with and without i: every byte alone (stray
// bytes of invalid UTF-8 included), every two-byte character, and larger ones, among them some
// whose lower case lies in ASCII or Latin-1.
TEST(RegExpPosixClass, NegatedFormIsTheExactComplement) {
    std::vector<RegExpSubjectChar> chars;
    for (int b = 0; b < 256; ++b) chars.push_back(strayByte(static_cast<zet8u>(b)));
    for (zet32u v = 0x80; v < 0x800; ++v) chars.push_back(charOf(v));
    for (zet32u v : {0x212Au, 0x1E9Eu, 0x2126u, 0xFFFFu, 0x10FFFFu, 0x110000u, 0x7FFFFFFFu}) chars.push_back(charOf(v));
    for (const char* name : kPosixNames) {
        const RegExpPosixClass* c = posix(name);
        for (zet32u options : {0u, kI})
            for (const RegExpSubjectChar& ch : chars)
                ASSERT_NE(classAccepts(c->members, c->count, ch, options),
                          classAccepts(c->negatedMembers, c->negatedCount, ch, options))
                    << name << " options " << options << " cp " << std::hex << ch.cp << " length " << ch.length;
    }
    auto accepts = [](const char* name, zet32u v) { return classAccepts(posix(name)->members, posix(name)->count, charOf(v), 0); };
    EXPECT_TRUE(accepts("punct", ' '));
    EXPECT_FALSE(accepts("punct", '0'));
    EXPECT_TRUE(accepts("space", 11));
    EXPECT_FALSE(accepts("blank", 11));
    EXPECT_FALSE(accepts("xdigit", 'g'));
    EXPECT_TRUE(accepts("print", 0xE9));  // by code point: a range of one-byte values
    EXPECT_FALSE(accepts("word", 0xE9));  // by the first byte
    EXPECT_EQ(posix("word")->negatedMembers[0].arg1, 'W');
}

// ---- Properties and folding ----------------------------------------------------------------------

TEST(RegExpPropertyTest, CategoriesCodeRangesAndScripts) {
    const struct {
        const char* text;  // after \p, or after \P when negated
        zet32s negated;
        zet32u cp;
        bool accepts;
    } cases[] = {
        {"{Lu}", 0, 'A', true},        {"{Lu}", 0, 0xC0, true},       {"{Lu}", 0, 'a', false},
        {"L", 0, 'a', true},           {"L", 0, 0xC0, true},          {"{L&}", 0, 0x1C5, true},  // Lt
        {"{L&}", 0, 0x2B0, false},     {"{Nd}", 0, 0x2160, false},    {"N", 0, 0x2160, true},
        {"{Mn}", 0, 0xE01EF, true},    {"{Po}", 0, '?', true},        {"S", 0, '?', false},
        {"{Lu}", -1, 'A', false},      {"{Lu}", -1, 'a', true},       {"{^L}", 0, '1', true},
        // U+4E00 lies in a range row (Lo); its tests are as exact as a record's.
        {"{Lo}", 0, 0x4E00, true},     {"{Han}", 0, 0x4E00, true},    {"{Lu}", 0, 0x4E00, false},
        {"{Cn}", 0, 0x4E00, false},    {"{Cn}", -1, 0x4E00, true},    {"{Lu}", -1, 0x4E00, true},
        {"L", -1, 0x4E00, false},      {"{Lo}", 0, 0x9FC4, false},    {"{Cs}", 0, 0xD800, true},
        {"{Co}", -1, 0xE000, false},   {"{Co}", 0, 0x10FFFD, true},   {"{Lo}", 0, 0x2A6D6, true},
        // Unassigned code points and values beyond Unicode are Cn.
        {"{Cn}", 0, 0x378, true},      {"C", 0, 0xE01F0, true},       {"{Cn}", -1, 0x378, false},
        {"L", 0, 0x110000, false},     {"L", -1, 0x7FFFFFFF, true},   {"{Co}", 0, 0x10FFFE, false},
        {"{Any}", 0, 0x10FFFF, true},  {"{Any}", 0, 0x110000, false}, {"{Any}", -1, 0, false},
        {"{InBasicLatin}", 0, 0x80, false}, {"{^InBasicLatin}", 0, 0x80, true},
        {"{Latin}", 0, 0xE9, true},    {"{Latin}", 0, 0xFF5A, true},  {"{Latin}", 0, 0xFF5B, false},
        {"{Latin}", 0, '0', false},    {"{Common}", 0, '0', true},    {"{Common}", 0, 0xE0080, false},
        {"{Greek}", -1, 0x3B1, false}, {"{^Greek}", 0, 'a', true},    {"{Inherited}", 0, 0x300, true},
        {"{Cham}", 0, 0xAA5F, true},   {"{Cham}", 0, 0xAA60, false},
    };
    for (const auto& c : cases) {
        const Parsed r = parse(c.text, c.negated);
        ASSERT_EQ(r.status, 0) << c.text;
        EXPECT_EQ(ownRegExpPropertyTest(c.cp, r.node), c.accepts) << c.text << " " << c.negated << " " << std::hex << c.cp;
    }
    // A script node that claims more pairs than its script has reads none of the next script's.
    RegExpNode odd = parse("{Carian}").node;
    odd.arg3 = 1000;
    EXPECT_FALSE(ownRegExpPropertyTest(0x10000, odd));
}

TEST(RegExpFoldCase, LowerCaseMappingOrTheCodePointItself) {
    const zet32u cases[][2] = {
        {'A', 'a'},      {'a', 'a'},       {'@', '@'},        {0xC0, 0xE0},     {0xDF, 0xDF},      {0x178, 0xFF},
        {0x130, 'i'},    {0x1C5, 0x1C6},   {0x3A9, 0x3C9},    {0x212A, 'k'},    {0x10400, 0x10428}, {0x4E00, 0x4E00},
        {0x378, 0x378},  {0xE01EF, 0xE01EF}, {0x7FFFFFFF, 0x7FFFFFFF},
    };
    for (const auto& c : cases) EXPECT_EQ(ownRegExpFoldCase(c[0]), c[1]) << std::hex << c[0];
}

// ---- Class members --------------------------------------------------------------------------------

TEST(RegExpClassMemberTest, EveryMemberKind) {
    const struct {
        RegExpSubjectChar ch;
        RegExpNode member;
        zet32u options;
        bool accepts;
    } cases[] = {
        {charOf('A'), {RegExpOpChar, 'a', 0, 0, 0}, 0, false},
        {charOf('A'), {RegExpOpChar, 'a', 0, 0, 0}, kI, true},
        {charOf('@'), {RegExpOpChar, '`', 0, 0, 0}, kI, false},  // differ in 0x20 but are no letters
        {charOf('A'), {RegExpOpChar, 'a', 0, -1, 0}, kI, false},
        // A member of value 0xE9 is the byte 0xE9: a stray byte, not U+00E9 (first byte 0xC3).
        {strayByte(0xE9), {RegExpOpChar, 0xE9, 0, 0, 0}, 0, true},
        {charOf(0xE9), {RegExpOpChar, 0xE9, 0, 0, 0}, 0, false},
        {charOf(0x660), {RegExpOpCharType, 'd', 0, 0, 0}, 0, false},
        {charOf(0xE9), {RegExpOpCharType, 'W', 0, 0, 0}, 0, true},
        {charOf('5'), {RegExpOpCharType, 'd', 0, -1, 0}, 0, false},
        {charOf(11), {RegExpOpCharType, 's', 0, 0, 0}, 0, false},
        {charOf('_'), {RegExpOpCharType, 'w', 0, 0, 0}, 0, true},
        {charOf('\n'), {RegExpOpCharType, '.', 0, 0, 0}, 0, false},
        {charOf('\n'), {RegExpOpCharType, '.', 0, 0, 0}, zetRegExpOptionDotAll, true},
        {charOf('M'), {RegExpOpRange, 'a', 'z', 0, 0}, 0, false},
        {charOf('M'), {RegExpOpRange, 'a', 'z', 0, 0}, kI, true},
        {charOf('['), {RegExpOpRange, 'a', 'z', 0, 0}, kI, false},
        {charOf('M'), {RegExpOpRange, 'a', 'z', -1, 0}, kI, false},
        // Upper-case Latin-1 letters as a range of two-byte characters: with i the ends and the
        // character are folded, so U+00E9 is in [U+00C0-U+00DE].
        {charOf(0xE9), {RegExpOpRange, 0xC0, 0xDE, 0, 0}, 0, false},
        {charOf(0xE9), {RegExpOpRange, 0xC0, 0xDE, 0, 0}, kI, true},
        {charOf(0x3B1), {RegExpOpRange, 0x391, 0x3A9, 0, 0}, kI, true},
        {charOf(0x7FFFFFFF), {RegExpOpRange, 0x100, -1, 0, 0}, 0, true},  // ends compare unsigned
        // A stray byte is judged by its value against a byte range, and is in no wider one.
        {strayByte(0xC3), {RegExpOpRange, 0x80, 0xFF, 0, 0}, 0, true},
        {strayByte(0xC3), {RegExpOpRange, 0x80, 0x10FFFF, 0, 0}, kI, false},
        {strayByte(0xC3), {RegExpOpRange, 0x80, 0x10FFFF, -1, 0}, 0, true},
        {charOf(0x101), {RegExpOpWideChar, 0x100, 0, 0, 0}, 0, false},
        {charOf(0x101), {RegExpOpWideChar, 0x100, 0, 0, 0}, kI, true},
        {charOf('k'), {RegExpOpWideChar, 0x212A, 0, 0, 0}, kI, true},
        {charOf(0x100), {RegExpOpWideChar, 0x100, 0, -1, 0}, 0, false},
        {strayByte(0xC4), {RegExpOpWideChar, 0xC4, 0, 0, 0}, 0, false},
        {strayByte(0xC4), {RegExpOpWideChar, 0xC4, 0, -1, 0}, 0, true},
        // Property members carry their own negation; a code range's is its arg3, applied once.
        {charOf('a'), parse("{Lu}", -1).node, 0, true},
        {charOf('a'), parse("{^InBasicLatin}").node, 0, false},
        {charOf(0xE9), parse("{^InBasicLatin}").node, 0, true},
        {charOf(0x3B1), parse("{^Latin}").node, 0, true},
        {strayByte(0xE9), parse("{Ll}").node, 0, true},  // a stray byte is the code point of its value
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        EXPECT_EQ(ownRegExpClassMemberTest(c.ch, c.member, c.options), c.accepts) << "case " << i;
    }
}

}  // namespace
