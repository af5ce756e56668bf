// UTF-8 decoding, the \p parser, POSIX classes, case folding and the class-member test of the
// regular-expression engine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "regexp/chars.h"
#include "support/guarded.h"

namespace {

using namespace zet::rx;

// Independent reference encoder: the shortest form of v in 1..6 bytes, or the overlong form of
// the given length when `len` is larger than needed.
std::vector<zet8u> encode(zet32u v, int len = 0) {
    const int need = v < 0x80 ? 1 : v < 0x800 ? 2 : v < 0x10000 ? 3 : v < 0x200000 ? 4 : v < 0x4000000 ? 5 : 6;
    if (len == 0) len = need;
    if (len == 1) return {static_cast<zet8u>(v)};
    std::vector<zet8u> out(len);
    for (int i = len - 1; i > 0; --i, v >>= 6) out[i] = static_cast<zet8u>(0x80 | (v & 0x3F));
    out[0] = static_cast<zet8u>((0xFF00 >> len) | v);
    return out;
}

std::vector<zet8u> bytes(std::initializer_list<int> b) { return std::vector<zet8u>(b.begin(), b.end()); }

int decode(const std::vector<zet8u>& s, zet32u* cp) { return ownRegExpDecodeUtf8(s.data(), s.data() + s.size(), cp); }

// ---- UTF-8 --------------------------------------------------------------------------------------

TEST(RegExpDecodeUtf8, AcceptsEveryShortestFormUpToSixBytes) {
    // Every code point of the first 21 bits, then the edges of the five- and six-byte forms.
    std::vector<zet32u> values;
    for (zet32u v = 0; v <= 0x10FFFF; ++v) values.push_back(v);
    for (zet32u v : {0x110000u, 0x1FFFFFu, 0x200000u, 0x3FFFFFFu, 0x4000000u, 0x12345678u, 0x7FFFFFFFu})
        values.push_back(v);
    for (zet32u v : values) {
        const std::vector<zet8u> s = encode(v);
        zet32u cp = 0xDEAD;
        ASSERT_EQ(decode(s, &cp), static_cast<int>(s.size())) << std::hex << v;
        ASSERT_EQ(cp, v);
        ASSERT_EQ(ownRegExpUtf8Length(s.data(), static_cast<zet32s>(s.size())), static_cast<int>(s.size())) << v;
    }
}

TEST(RegExpDecodeUtf8, RejectsOverlongForms) {
    // The largest value that fits each shorter form, and 0, written one byte too long (and the
    // longest way for 0 and '/').
    for (zet32u v : {0u, 0x2Fu, 0x7Fu, 0x7FFu, 0xFFFFu, 0x1FFFFFu, 0x3FFFFFFu}) {
        const int shortest = static_cast<int>(encode(v).size());
        for (int len = shortest + 1; len <= 6; ++len) {
            const std::vector<zet8u> s = encode(v, len);
            zet32u cp = 0xDEAD;
            EXPECT_EQ(decode(s, &cp), 0) << std::hex << v << " in " << len << " bytes";
            EXPECT_EQ(cp, 0xDEADu);
            EXPECT_EQ(ownRegExpUtf8Length(s.data(), len), 1);
        }
    }
}

TEST(RegExpDecodeUtf8, RejectsBadLeadAndContinuationBytes) {
    const std::vector<std::vector<zet8u>> bad = {
        bytes({0x80}), bytes({0xBF, 0x80}),  // a continuation byte cannot start a character
        bytes({0xFE, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}), bytes({0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}),
        bytes({0xC3, 0x28}), bytes({0xC3, 0xC3}), bytes({0xE2, 0x28, 0xA1}), bytes({0xE2, 0x82, 0x28}),
        bytes({0xF0, 0x90, 0x80, 0x7F}), bytes({0xFC, 0x84, 0x80, 0x80, 0x80, 0xC0}),
    };
    for (const auto& s : bad) {
        zet32u cp;
        EXPECT_EQ(decode(s, &cp), 0) << std::hex << int{s[0]};
        EXPECT_EQ(ownRegExpUtf8Length(s.data(), static_cast<zet32s>(s.size())), 1);
    }
}

TEST(RegExpDecodeUtf8, AcceptsSurrogatesAndValuesBeyondUnicode) {
    zet32u cp = 0;
    EXPECT_EQ(decode(bytes({0xED, 0xA0, 0x80}), &cp), 3);
    EXPECT_EQ(cp, 0xD800u);
    EXPECT_EQ(decode(bytes({0xF4, 0x90, 0x80, 0x80}), &cp), 4);
    EXPECT_EQ(cp, 0x110000u);
    EXPECT_EQ(decode(bytes({0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF}), &cp), 6);
    EXPECT_EQ(cp, 0x7FFFFFFFu);
}

// A sequence cut short by the end is invalid, and nothing at or past the end is read: every
// prefix of each form sits against an unreadable page, with continuation bytes as poison so that
// an over-read that does not fault would complete the sequence.
TEST(RegExpDecodeUtf8, NeverReadsPastTheEnd) {
    guarded::Arena arena(1 << 12);
    for (zet32u v : {0x41u, 0xE9u, 0x20ACu, 0x1F600u, 0x3FFFFFFu, 0x7FFFFFFFu}) {
        const std::vector<zet8u> full = encode(v);
        for (std::size_t k = 0; k <= full.size(); ++k) {
            const std::vector<zet8u> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(k));
            guarded::forEachPlacement(arena, cut, zet8u{0x80}, [&](zet8u* p, int, guarded::Edge) {
                zet32u cp = 0;
                const int want = k == full.size() ? static_cast<int>(k) : 0;
                ASSERT_EQ(ownRegExpDecodeUtf8(p, p + k, &cp), want) << std::hex << v << " cut to " << k;
                ASSERT_EQ(ownRegExpUtf8Length(p, static_cast<zet32s>(k)), want == 0 ? 1 : want);
                if (k > 0) {
                    ASSERT_EQ(ownRegExpReadChar(p, static_cast<zet32s>(k)).length, want == 0 ? 1 : want);
                }
            });
        }
    }
}

TEST(RegExpDecodeUtf8, ReadCharReportsTheFirstByteOfAnInvalidSequence) {
    const std::vector<zet8u> e = {0xC3, 0xA9, 0xC3};
    RegExpSubjectChar ch = ownRegExpReadChar(e.data(), 3);
    EXPECT_EQ(ch.firstByte, 0xC3);
    EXPECT_EQ(ch.length, 2);
    EXPECT_EQ(ch.cp, 0xE9u);
    ch = ownRegExpReadChar(e.data() + 2, 1);  // cut short
    EXPECT_EQ(ch.length, 1);
    EXPECT_EQ(ch.cp, 0xC3u);
    ch = ownRegExpReadChar(e.data() + 1, 2);  // starts on a continuation byte
    EXPECT_EQ(ch.length, 1);
    EXPECT_EQ(ch.cp, 0xA9u);
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
    Parsed r{};
    r.node = {0xFFFFFFFFu, 77, 77, 77, 77};
    r.status = ownRegExpParseProperty(&cursor, negated, &r.node);
    r.stop = static_cast<int>(cursor - start);
    return r;
}

struct PropertyCase {
    const char* text;
    zet32s negated;
    zet32u type;
    zet32s arg1, arg2, arg3;
    int stop;
};

TEST(RegExpParseProperty, BuildsCategoryBlockAndAnyNodes) {
    const PropertyCase cases[] = {
        {"L", 0, RegExpOpCategory, RegExpCatL, 0, 0, 1},
        {"Lu", 0, RegExpOpCategory, RegExpCatL, 0, 0, 1},  // one letter without braces; 'u' is left
        {"N", -1, RegExpOpCategory, RegExpCatN, -1, 0, 1},
        {"{Lu}", 0, RegExpOpCategory, RegExpCatLu, 0, 0, 4},
        {"{Lu}x", -1, RegExpOpCategory, RegExpCatLu, -1, 0, 4},
        {"{^L}", 0, RegExpOpCategory, RegExpCatL, -1, 0, 4},
        {"{L&}", 0, RegExpOpCategory, RegExpCatLAmp, 0, 0, 4},
        {"{L}", 0, RegExpOpCategory, RegExpCatL, 0, 0, 3},
        {"{C}", 0, RegExpOpCategory, RegExpCatC, 0, 0, 3},
        {"{Co}", 0, RegExpOpCategory, RegExpCatCo, 0, 0, 4},
        {"{Cn}", 0, RegExpOpCategory, RegExpCatCn, 0, 0, 4},
        {"{Cs}", 0, RegExpOpCategory, RegExpCatCs, 0, 0, 4},
        {"{Pc}", 0, RegExpOpCategory, RegExpCatPc, 0, 0, 4},
        {"{Po}", 0, RegExpOpCategory, RegExpCatPo, 0, 0, 4},
        {"{Sm}", 0, RegExpOpCategory, RegExpCatSm, 0, 0, 4},
        {"{Zs}", 0, RegExpOpCategory, RegExpCatZs, 0, 0, 4},
        {"{Me}", 0, RegExpOpCategory, RegExpCatMe, 0, 0, 4},
        {"{Nl}", 0, RegExpOpCategory, RegExpCatNl, 0, 0, 4},
        {"{Any}", 0, RegExpOpCodeRange, 0, 0x10FFFF, 0, 5},
        {"{^Any}", 0, RegExpOpCodeRange, 0, 0x10FFFF, -1, 6},
        {"{Any}", -1, RegExpOpCodeRange, 0, 0x10FFFF, -1, 5},
        {"{InBasicLatin}", 0, RegExpOpCodeRange, 0, 0x7F, 0, 14},
        {"{InBasic}", 0, RegExpOpCodeRange, 0, 0x7F, 0, 9},           // a prefix selects the block
        {"{InLatin}", 0, RegExpOpCodeRange, 0x80, 0xFF, 0, 9},        // the first block in table order
        {"{I}", -1, RegExpOpCodeRange, 0, 0x7F, -1, 3},
        {"{InGreekandCoptic}", 0, RegExpOpCodeRange, 0x370, 0x3FF, 0, 18},
        {"{InPhagspa}", 0, RegExpOpCodeRange, 0xA840, 0xA87F, 0, 11},
        {"{InCJKUnifiedIdeographs}", 0, RegExpOpCodeRange, 0x3400, 0x4DBF, 0, 24},  // Extension A comes first
        {"{InSupplementaryPrivateUseAreaB}", 0, RegExpOpCodeRange, 0x100000, 0x10FFFF, 0, 32},
    };
    for (const PropertyCase& c : cases) {
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
        EXPECT_GT(r.node.arg3, 0);
        EXPECT_EQ(r.node.arg4, s);
        EXPECT_EQ(parse("{^" + name + "}").node.arg2, -1);
        EXPECT_EQ(parse("{" + name + "}", -1).node.arg2, -1);
    }
    EXPECT_EQ(ownRegExpScriptName(77), nullptr);
    EXPECT_EQ(parse("{Latin}").node.arg3, 42);
    EXPECT_EQ(parse("{Common}").node.arg3, 530);  // not taken for the category Co
    EXPECT_EQ(parse("{Inherited}").node.type, RegExpOpScript);  // no block begins so
}

TEST(RegExpParseProperty, RejectsWithTheCursorWhereParsingStopped) {
    const struct {
        const char* text;
        zet32s negated;
        int stop;
    } cases[] = {
        {"", 0, 0},  {"x", 0, 0},  {"l", 0, 0},  {"A", 0, 0},  {"(", 0, 0},
        {"{^L}", -1, 1},                                     // \P{^...}: the caret
        {"{", 0, 1}, {"{}", 0, 1}, {"{^", 0, 2}, {"{^}", 0, 2},
        {"{Latin", 0, 1}, {"{latin}", 0, 1}, {"{Latin }", 0, 1}, {"{Lati}", 0, 1},
        {"{InNoSuchBlock}", 0, 1}, {"{InBasicLatin", 0, 1}, {"{InGreekAndCoptic}", 0, 1},
        {"{Foo}", 0, 1}, {"{Xyz}", 0, 1},
        {"{Lux}", 0, 3}, {"{Lu", 0, 3}, {"{L&&}", 0, 3}, {"{Anything}", 0, 4}, {"{Any", 0, 4},
    };
    for (const auto& c : cases) {
        const Parsed r = parse(c.text, c.negated);
        EXPECT_EQ(r.status, -1) << c.text;
        EXPECT_EQ(r.stop, c.stop) << c.text;
    }
}

// Nothing after the pattern's terminator is read, whatever stage the parse stops at.
TEST(RegExpParseProperty, StopsAtTheTerminator) {
    guarded::Arena arena(1 << 12);
    for (const char* text : {"{", "{^", "{I", "{InBasic", "{Co", "{C", "{Lu", "{Latin", "{Any", "{Cherokee", "L"}) {
        std::vector<zet8u> s(text, text + std::strlen(text) + 1);
        guarded::forEachPlacement(arena, s, zet8u{'}'}, [&](zet8u* p, int, guarded::Edge edge) {
            if (edge == guarded::Edge::Start) return;
            const zet8u* cursor = p;
            RegExpNode node;
            const int status = ownRegExpParseProperty(&cursor, 0, &node);
            EXPECT_EQ(status, text[0] == 'L' ? 0 : -1) << text;
        });
    }
}

// ---- POSIX classes --------------------------------------------------------------------------------

const RegExpPosixClass* posix(const char* name) {
    return ownRegExpFindPosixClass(reinterpret_cast<const zet8u*>(name), static_cast<int>(std::strlen(name)));
}

TEST(RegExpPosixClass, FindsNamesExactly) {
    for (const char* name : {"alnum", "alpha", "ascii", "blank", "cntrl", "digit", "graph", "lower", "print", "punct",
                             "space", "upper", "word", "xdigit"}) {
        const RegExpPosixClass* c = posix(name);
        ASSERT_NE(c, nullptr) << name;
        EXPECT_STREQ(c->name, name);
    }
    for (const char* name : {"", "al", "alp", "alphas", "Alpha", "ALPHA", "asci", "words", "xdigits", "d"})
        EXPECT_EQ(posix(name), nullptr) << name;
    // The length decides, not a terminator.
    EXPECT_EQ(ownRegExpFindPosixClass(reinterpret_cast<const zet8u*>("alphanumeric"), 5), posix("alpha"));
}

TEST(RegExpPosixClass, ExpandsAsTheClassesAreDefined) {
    const RegExpPosixClass* alnum = posix("alnum");
    ASSERT_EQ(alnum->count, 3);
    EXPECT_EQ(alnum->members[0].type, RegExpOpRange);
    EXPECT_EQ(alnum->members[0].arg1, 'a');
    EXPECT_EQ(alnum->members[0].arg2, 'z');
    EXPECT_EQ(alnum->members[1].arg1, 'A');
    EXPECT_EQ(alnum->members[2].arg2, '9');
    const RegExpPosixClass* blank = posix("blank");
    ASSERT_EQ(blank->count, 2);
    EXPECT_EQ(blank->members[0].type, RegExpOpChar);
    EXPECT_EQ(blank->members[0].arg1, 32);
    EXPECT_EQ(blank->members[1].arg1, 9);
    const RegExpPosixClass* word = posix("word");
    ASSERT_EQ(word->count, 1);
    EXPECT_EQ(word->members[0].type, RegExpOpCharType);
    EXPECT_EQ(word->members[0].arg1, 'w');
    ASSERT_EQ(word->negatedCount, 1);
    EXPECT_EQ(word->negatedMembers[0].type, RegExpOpCharType);
    EXPECT_EQ(word->negatedMembers[0].arg1, 'W');
    EXPECT_EQ(word->negatedMembers[0].arg3, 0);
    const RegExpPosixClass* digit = posix("digit");
    ASSERT_EQ(digit->negatedCount, 1);
    EXPECT_EQ(digit->negatedMembers[0].arg1, '0');
    EXPECT_EQ(digit->negatedMembers[0].arg3, -1);
}

// A class accepts a character when any member does (the matcher's rule), as the compiler emits
// the members.
bool classAccepts(const RegExpPosixMember* m, int count, const RegExpSubjectChar& ch, zet32u options) {
    for (int i = 0; i < count; ++i) {
        const RegExpNode node{m[i].type, m[i].arg1, m[i].arg2, m[i].arg3, 0};
        if (ownRegExpClassMemberTest(ch, node, options)) return true;
    }
    return false;
}

RegExpSubjectChar charOf(zet32u v) {
    const std::vector<zet8u> s = encode(v);
    return ownRegExpReadChar(s.data(), static_cast<zet32s>(s.size()));
}

// [:^name:] accepts exactly what [:name:] rejects, with and without i: every byte on its own
// (stray bytes of invalid UTF-8 included), every two-byte character, and characters up to the
// largest six-byte value, among them ones whose lower case lies in ASCII or Latin-1.
TEST(RegExpPosixClass, NegatedFormIsTheExactComplement) {
    std::vector<RegExpSubjectChar> chars;
    for (int b = 0; b < 256; ++b) chars.push_back({static_cast<zet8u>(b), 1, static_cast<zet32u>(b)});
    for (zet32u v = 0x80; v < 0x800; ++v) chars.push_back(charOf(v));
    for (zet32u v : {0x212Au, 0x1E9Eu, 0x2126u, 0xFFFFu, 0x10000u, 0x10FFFFu, 0x110000u, 0x7FFFFFFFu})
        chars.push_back(charOf(v));
    for (const char* name : {"alnum", "alpha", "ascii", "blank", "cntrl", "digit", "graph", "lower", "print", "punct",
                             "space", "upper", "word", "xdigit"}) {
        const RegExpPosixClass* c = posix(name);
        ASSERT_NE(c, nullptr);
        for (zet32u options : {0u, 4u}) {
            for (const RegExpSubjectChar& ch : chars) {
                const bool plain = classAccepts(c->members, c->count, ch, options);
                const bool negated = classAccepts(c->negatedMembers, c->negatedCount, ch, options);
                ASSERT_NE(plain, negated) << name << " options " << options << " cp " << std::hex << ch.cp << " length "
                                          << ch.length;
            }
        }
    }
}

TEST(RegExpPosixClass, MembersAreTheNamedSets) {
    auto accepts = [](const char* name, zet32u v) {
        const RegExpPosixClass* c = posix(name);
        return classAccepts(c->members, c->count, charOf(v), 0);
    };
    EXPECT_TRUE(accepts("punct", ' '));  // 32 counts as punctuation here
    EXPECT_TRUE(accepts("punct", '~'));
    EXPECT_FALSE(accepts("punct", '0'));
    EXPECT_TRUE(accepts("space", 11));
    EXPECT_FALSE(accepts("blank", 11));
    EXPECT_TRUE(accepts("xdigit", 'F'));
    EXPECT_FALSE(accepts("xdigit", 'g'));
    EXPECT_TRUE(accepts("print", 0xE9));  // a two-byte character of value 0xE9, by code point
    EXPECT_FALSE(accepts("print", 0x100));
    EXPECT_FALSE(accepts("word", 0xE9));  // judged by its first byte
}

}  // namespace
