// The pattern compiler: the dumped programs of the constructs that decide a program's shape,
// every pattern error with its offset, the limits, and compilation into blocks of exactly the
// reported size.
#include <gtest/gtest.h>

#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "support/guarded.h"
#include "regexp/unicode_tables.h"
#include "support/regexp_program.h"

namespace {

using regexp_program::compile;

std::string times(const std::string& s, int n) { return n > 0 ? s + times(s, n - 1) : ""; }

// Each pattern against its dump; the header line is compared only where it is given (where the
// search hints are the point).
TEST(RegExpCompile, Programs) {
    for (const auto& [pattern, options, want] : std::vector<std::tuple<std::string, const char*, std::string>>{
        {"a(b|cd)*e", nullptr, "nodes=8 groups=2 required=7 kind=general options=-\n0 Char 'a'\n"
         "1 Capture link=1 body=3 capture=1\n2 Char 'b'\n3 Alt link=1 opts=-\n4 String \"cd\"\n5 Close link=1 opts=-\n"
         "6 Repeat {0,inf}\n7 Char 'e'\n"},
        {"a|bc|d", nullptr, "nodes=5 groups=1 required=alternation kind=literal-alternation options=-\n0 Char 'a'\n"
         "1 Alt link=0 opts=-\n2 String \"bc\"\n3 Alt link=0 opts=-\n4 Char 'd'\n"},
        {"", nullptr, "nodes=0 groups=1 required=none kind=general options=-\n"},
        {"abc+", nullptr, "nodes=3 groups=1 required=1 kind=literal-start options=-\n0 String \"ab\"\n1 Char 'c'\n"
         "2 Repeat {1,inf}\n"},
        {"a{,5}b{}c{,}d{2,}e{2,3}?", nullptr, "nodes=10 groups=1 required=8 kind=general options=-\n0 Char 'a'\n"
         "1 Repeat {0,5}\n2 Char 'b'\n3 Repeat {0,0}\n4 Char 'c'\n5 Repeat {0,inf}\n6 Char 'd'\n7 Repeat {2,inf}\n"
         "8 Char 'e'\n9 RepeatLazy {2,3}\n"},
        // A repeated look-ahead is kept once, an optional one vanishes (its ordinal is given back).
        {"x(?=a)?y(?=b){2}(c)", nullptr, "nodes=8 groups=2 required=none kind=literal-start options=-\n0 Char 'x'\n"
         "1 Char 'y'\n2 LookAhead link=-1 body=1\n3 Char 'b'\n4 Close link=-1 opts=-\n"
         "5 Capture link=2 body=1 capture=1\n6 Char 'c'\n7 Close link=2 opts=-\n"},
        // .* at the very start, judged on the raw bytes, can only match from a line start.
        {".*x", nullptr, "nodes=4 groups=1 required=3 kind=general options=-\n0 Assert line-start\n1 CharType .\n"
         "2 Repeat {0,inf}\n3 Char 'x'\n"},
        {"(?:.*)a", nullptr, "0 Assert line-start\n1 Group link=1 body=2\n2 CharType .\n3 Repeat {0,inf}\n"
         "4 Close link=1 opts=- simple=1\n5 Char 'a'\n"},
        {". *", "x", "0 CharType .\n1 Repeat {0,inf}\n"},
        // Escapes; an escaped byte starts a new run, \E flushes and adds nothing, \Q...\E runs to the end.
        {"\\a\\e\\f\\n\\r\\t\\v\\cA\\c;\\cz\\c{\\c\x01\\x41\\x4g\\x{263A}\\x{}\\0\\012\\0123", nullptr, "0 Char 0x07\n"
         "1 Char 0x1b\n2 Char 0x0c\n3 Char 0x0a\n4 Char 0x0d\n5 Char 0x09\n6 Char 0x0b\n7 Char 0x01\n8 Char '{'\n"
         "9 Char 0x1a\n10 Char ';'\n11 Char -63\n12 Char 'A'\n13 Char 0x04\n14 Char 'g'\n15 WideChar U+263A\n"
         "16 WideChar U+0000\n17 Char 0x00\n18 Char 0x0a\n19 Char 0x0a\n20 Char '3'\n"},
        {"^\\A\\B\\G\\Z\\b\\z\\C\\X\\D\\S$", nullptr, "0 Assert ^\n1 Assert A\n2 Assert B\n3 Assert G\n4 Assert Z\n"
         "5 Assert b\n6 Assert z\n7 AnyByte\n8 ExtChar\n9 CharType D\n10 CharType S\n11 Assert $\n"},
        {"ab\\.c\\E\\Q\\Ed\\Qx(y", nullptr, "0 String \"ab\"\n1 String \".c\"\n2 Char 'd'\n3 String \"x(y\"\n"},
        // Properties: one letter without braces, the first block a prefix names, every kind of negation.
        {"\\pLu\\PN\\P{Lu}\\p{^L}\\p{L&}\\p{Cn}\\P{Any}\\p{^Any}\\p{InBasic}\\p{InLatin}\\P{I}"
         "\\p{InCJKUnifiedIdeographs}\\p{Common}\\P{Latin}\\p{Any}", nullptr, "0 Category L\n1 Char 'u'\n"
         "2 Category N neg\n3 Category Lu neg\n4 Category L neg\n5 Category L&\n6 Category Cn\n"
         "7 CodeRange U+0000-U+10FFFF neg\n8 CodeRange U+0000-U+10FFFF neg\n9 CodeRange U+0000-U+007F\n"
         "10 CodeRange U+0080-U+00FF\n11 CodeRange U+0000-U+007F neg\n12 CodeRange U+3400-U+4DBF\n"
         "13 Script Common pairs=530\n14 Script Latin pairs=42 neg\n15 CodeRange U+0000-U+10FFFF\n"},
        {"ab\v c#d\n(?-x)e f", "x", "0 String \"ab\\x0b\" opts=x\n1 Char 'c' opts=x\n2 String \"e f\"\n"},
        {"a{2,x}b{ 2}c{65535}", nullptr, "0 String \"a{2,x}b{ 2}\"\n1 Char 'c'\n2 Repeat {65535,65535}\n"},
        // The accepted neighbours of the errors below: the largest bound, a range of one
        // character, two hex digits at most, the lazy form without the line-start node, \p{^...}.
        {"a{1,65535}[a-a]\\x414", nullptr, "0 Char 'a'\n1 Repeat {1,65535}\n2 Class members=1\n3 Range 'a'-'a'\n"
         "4 Char 'A'\n5 Char '4'\n"},
        {".*?x\\p{^L}", nullptr, "nodes=4 groups=1 required=none kind=general options=-\n0 CharType .\n"
         "1 RepeatLazy {0,inf}\n2 Char 'x'\n3 Category L neg\n"},
        // Runs of one type fold into one node with a repeat (a lazy one becomes greedy); the last
        // member of a class is no type node of its own.
        {"\\d\\d?\\s*\\s*\\w\\w+?.{2}.", nullptr, "0 CharType d\n1 Repeat {1,2}\n2 CharType s\n3 Repeat {0,inf}\n"
         "4 CharType w\n5 Repeat {2,inf}\n6 CharType .\n7 Repeat {3,3}\n"},
        {"[-.\\w]\\w+[\\s\\d]*\\d", nullptr, "0 Class members=3\n1 Char '-'\n2 Char '.'\n3 CharType w\n4 CharType w\n"
         "5 Repeat {1,inf}\n6 Class members=2\n7 CharType s\n8 CharType d\n9 Repeat {0,inf}\n10 CharType d\n"},
        // Groups, links and captures.
        {"(?:abc)*(?:a.)(?:a|b)", nullptr, "0 Group link=1 body=1\n1 String \"abc\"\n2 Close link=1 opts=-\n"
         "3 Repeat {0,inf}\n4 Char 'a'\n5 CharType .\n6 Group link=2 body=3\n7 Char 'a'\n8 Alt link=2 opts=-\n"
         "9 Char 'b'\n10 Close link=2 opts=-\n"},
        {"(?i:a)(?>b)(?!c)(?<!d)", nullptr, "0 OptionGroup link=1 body=1 opts=i\n1 Char 'a'\n2 Close link=1 opts=-\n"
         "3 Atomic link=-2 body=1\n4 Char 'b'\n5 Close link=-2 opts=-\n6 NotLookAhead link=-3 body=1\n7 Char 'c'\n"
         "8 Close link=-3 opts=-\n9 NotLookBehind link=-4 body=1 width=1\n10 Char 'd'\n11 Close link=-4 opts=-\n"},
        // A comment in the place of a condition is read as one in both passes.
        {"(?(?#(x)(?=a)b)(?(?<!a)b)", nullptr, "0 Cond link=1 body=4\n1 LookAhead link=-2 body=1\n2 Char 'a'\n"
         "3 Close link=-2 opts=-\n4 Char 'b'\n5 Close link=1 opts=-\n6 Cond link=3 body=4\n"
         "7 NotLookBehind link=-4 body=1 width=1\n8 Char 'a'\n9 Close link=-4 opts=-\n10 Char 'b'\n"
         "11 Close link=3 opts=-\n"},
        {"(?<=ab|cd)", nullptr, "0 LookBehind link=-1 body=3 width=2\n1 String \"ab\"\n2 Alt link=-1 opts=-\n"
         "3 String \"cd\"\n4 Close link=-1 opts=-\n"},
        // Classes: a single character or type needs none; UTF-8 is one character, an invalid sequence
        // its bytes; a '-' after a range or type is literal, and an open range before a type falls back.
        {"[]a][a-][^]-]", nullptr, "0 Class members=2\n1 Char ']'\n2 Char 'a'\n3 Class members=2\n4 Char 'a'\n"
         "5 Char '-'\n6 Class members=2 neg\n7 Char ']'\n8 Char '-'\n"},
        {"[a][\\d][^a][\\x{100}][\\p{Lu}]", nullptr, "0 Char 'a'\n1 CharType d\n2 Class members=1 neg\n3 Char 'a'\n"
         "4 Class members=1\n5 WideChar U+0100\n6 Class members=1\n7 Category Lu\n"},
        {"[\xc3\xa9][\xc4\x80\xff][\xc3\xa9-\xc4\x80]", nullptr, "0 Char 0xe9\n1 Class members=2\n2 WideChar U+0100\n"
         "3 Char 0xff\n4 Class members=1\n5 Range 0xe9-0x100\n"},
        {"[\\b\\n-\\r\\x{41}-\\x{5a}\\1\\8\\]\\cA\\777]", nullptr, "0 Class members=8\n1 Char 0x08\n2 Range 0x0a-0x0d\n"
         "3 Range 'A'-'Z'\n4 Char 0x01\n5 Char '8'\n6 Char ']'\n7 Char 0x01\n8 Char 0x1ff\n"},
        {"[a-\\d][b-[:digit:]][c-\\Q\\E][\\Qa-\\E]", nullptr, "0 Class members=3\n1 Char 'a'\n2 Char '-'\n"
         "3 CharType d\n4 Class members=3\n5 Char 'b'\n6 Char '-'\n7 Range '0'-'9'\n8 Class members=2\n9 Char 'c'\n"
         "10 Char '-'\n11 Class members=2\n12 Char 'a'\n13 Char '-'\n"},
        {"[[.alpha.]][[:^alpha:]][[:^digit:]][[:word:]][[:^word:]]", nullptr, "0 Class members=2\n1 Range 'a'-'z'\n"
         "2 Range 'A'-'Z'\n3 Class members=4\n4 Range 0x00-'@'\n5 Range '['-'`'\n6 Range '{'-0xff\n"
         "7 Range 0x100-0x7fffffff\n8 Class members=1\n9 Range '0'-'9' neg\n10 CharType w\n11 CharType W\n"},
         }) {
        const auto r = compile(pattern, options);
        ASSERT_EQ(r.status, zetStatusOk) << pattern << " failed at " << r.offset;
        const std::string dump = r.dump();
        EXPECT_EQ(want.starts_with("nodes=") ? dump : dump.substr(dump.find('\n') + 1), want) << pattern;
        EXPECT_EQ(regexp_program::checkProgram(r.state(), static_cast<int>(pattern.size())), "") << pattern;
    }
    // Look-behind widths of repeats, nested groups, classes, properties and wide characters.
    for (const auto& [pattern, width] : std::vector<std::pair<std::string, int>>{
             {"(?<=a{3})", 3}, {"(?<=(ab|cd)e)", 3}, {"(?<=a.{3})", 4}, {"(?<=[ab]{2}\\p{L})", 3},
             {"(?<=(?:ab){2})", 4}, {"(?<=(?>a|b)\\x{100}\\X)", 3}, {"(?<!(?<=xy)z)", 1}, {"(?<=a{0})", 1}}) {
        const auto r = compile(pattern);
        EXPECT_EQ(r.status == zetStatusOk ? zet::rx::ownRegExpNodes(r.state())[0].arg3 : -1, width) << pattern;
    }
    // Every script by its name (none taken for another whose name it begins, such as Han and Hangul).
    for (const zet::rx::UnicodeScript& s : zet::rx::kScripts) {
        const std::string name = zet::rx::kScriptNames + s.name;
        EXPECT_TRUE(compile("\\p{" + name + "}").dump().ends_with("\n0 Script " + name + " pairs=" + std::to_string(s.count) + "\n"))
            << name;
    }
}

TEST(RegExpCompile, EveryErrorWithItsOffset) {
    constexpr ZetStatus Q = zetStatusRegExpBadQuantifier, S = zetStatusRegExpSyntax,
                        R = zetStatusRegExpBadReference, C = zetStatusRegExpBadClass, E = zetStatusRegExpBadEscape;
    for (const auto& [pattern, status, offset] : std::vector<std::tuple<std::string, ZetStatus, zet32s>>{
        {"a{65536}", Q, 2}, {"a{1,65536}", Q, 4}, {"a{3,2}", Q, 2}, {"*a", Q, 0}, {"{2}", Q, 0}, {"a|*b", Q, 2},
        {"(*a)", Q, 1}, {"(?i)*", Q, 4}, {"a**", Q, 2}, {"a*+", Q, 2}, {"a{2}{3}", Q, 4}, {"(?=a)?*", Q, 6},
        {"a)", S, 1}, {"(a", S, 2}, {"(?#abc", S, 6}, {"(?P<n>a)", S, 2}, {"(?iq)", S, 3}, {"\\", S, 1}, {"a\\c", S, 3},
        {"(?(1)*a)", S, 7}, {"(?(1)a|b|c)", S, 10}, {"(?(?:a)b)", S, 8}, {"(?(a)b)", S, 3}, {"(?(?#(x)(?=a)b))", S, 15},
        {"(?(1234)a)", S, 6}, {"(a)(?<=\\1)", S, 9}, {"(?<=a*)", S, 6}, {"(?<=a{2,3})", S, 10}, {"(?<=a|bc)", S, 8},
        {"(?<=(ab|c)e)", S, 11}, {"(a)(?<=x(?=a|\\1)y)", S, 17}, {"[\\E]", S, 3}, {"[\\^]", S, 3}, {"\\2", R, 1},
        {"(a)\\2", R, 4}, {"\\8", R, 1}, {"(?(0)a)", R, 4}, {"(?()a)", R, 4}, {"[z-a]", C, 3}, {"[\xc3\xa9-a]", C, 4},
        {"[\\x{5a}-\\x{41}]", C, 13}, {"[a", C, 2}, {"[]", C, 2}, {"[[:foo:]]", C, 1}, {"x[[:^alphax:]]", C, 2},
        {"[:alpha:]", C, 1}, {"[[.a.]]", C, 1}, {"\\x{12", E, 3}, {"\\x{123456789}", E, 3}, {"[\\x{12]", E, 6},
        {"\\pX", E, 2}, {"\\p{Foo}", E, 3}, {"\\p{Latin", E, 3}, {"\\p{Lu", E, 5}, {"\\p{InNoSuchBlock}", E, 3},
        {"[a\\p{Xx}]", E, 5}, {"\\p", E, 2}, {"\\p{}", E, 3}, {"\\p{^}", E, 4}, {"\\p{Lux}", E, 5}, {"\\p{L&&}", E, 5},
        {"\\p{Anything}", E, 6}, {"\\p{InGreekAndCoptic}", E, 3}, {"\\P{^L}", E, 3}, {"[b-a]", C, 3},
         }) {
        const auto r = compile(pattern);
        EXPECT_EQ(r.status, status) << pattern;
        EXPECT_EQ(r.offset, offset) << pattern;
    }
}

// Nesting depth and group ordinals, with patterns built to the limits.
TEST(RegExpCompile, NestingAndGroupLimits) {
    const auto nest = [](int depth, const char* inner) { return times("(", depth) + inner + times(")", depth); };
    const struct {
        std::string pattern;
        zet32s offset;   // -1: compiles, into this many groups (the whole match counting as one)
        int groups = 0;
    } cases[] = {
        {nest(999, "a"), -1, 1000},      {nest(1000, "a"), 999},
        {nest(997, "(?(1)a)"), -1, 998}, {nest(998, "(?(1)a)"), 1000},  // (?( counts as two openings
        {times("(a)", 999), -1, 1000},   {times("(a)", 1001), 3000},     // too many captures: found in pass 1
        // In pass 2 the 1000th group fails when it opens, whatever its kind.
        {times("(a)", 999) + "(b)", 2997},   {times("(a)", 999) + "(?:b)", 2997},
        {times("(a)", 999) + "(?#c)", 2997}, {times("(a)", 999) + "(?i)", 2997},
    };
    for (const auto& c : cases) {
        const auto r = compile(c.pattern);
        EXPECT_EQ(r.status, c.offset < 0 ? zetStatusOk : zetStatusRegExpSyntax) << c.pattern.substr(0, 40);
        EXPECT_TRUE(r.offset == c.offset && (c.offset < 0 ? r.state()->groupCount : 0) == c.groups) << r.offset;
    }
    // Groups taken out of the program (flattened, empty, comments, settings, optional look-aheads)
    // give their ordinal back; \12 names a group only when there is one.
    const auto last = [](const std::string& p) { return regexp_program::listing(compile(p).state()).back(); };
    EXPECT_EQ(last(times("(a)", 998) + times("(?:ab)(?=x)?(?#c)", 50) + "(b)"), "3046 Close link=999 opts=-");
    EXPECT_EQ(last(times("(x)", 11) + "\\12"), "33 Char 0x0a");
    EXPECT_EQ(last(times("(x)", 12) + "\\12"), "36 BackRef group=12");
}

// Compiles in a block of exactly the reported size that ends against an unreadable page, with the
// pattern's terminating zero as the last readable byte of another arena.
void compileGuarded(guarded::Arena& patterns, guarded::Arena& states, const std::string& pattern, const char* options) {
    const std::vector<char> text(pattern.c_str(), pattern.c_str() + pattern.size() + 1);
    const char* p = patterns.place(std::span<const char>(text), static_cast<int>((16 - text.size() % 16) % 16),
                                   guarded::Edge::End, '(');
    zet32s size = 0, offset = -1;
    ASSERT_EQ(zetsRegExpGetSize(p, &size), zetStatusOk);
    const std::vector<zet8u> fill(static_cast<std::size_t>(size), 0xA5);
    auto* state = reinterpret_cast<RegExpState*>(
        states.place(std::span<const zet8u>(fill), (16 - size % 16) % 16, guarded::Edge::End, zet8u{0xA5}));
    const bool ok = zetsRegExpInit(p, options, state, &offset) == zetStatusOk;
    EXPECT_EQ(ok ? regexp_program::checkProgram(state, static_cast<int>(pattern.size())) : "", "") << pattern;
    EXPECT_TRUE(ok || (offset >= 0 && offset <= static_cast<int>(pattern.size()))) << pattern;
}

// The densest programs (one node per byte plus the start node, strings with their pool, classes
// that expand) and patterns that end inside a construct, \\p ones at every stage of its parse.
TEST(RegExpCompile, StaysInsideTheReportedSize) {
    guarded::Arena patterns(1 << 16), states(1 << 19);
    const std::vector<std::string> dense = {
        ".*" + times("|", 5000), ".+" + times("^$", 3000), times("()", 4000), times("[[:^alnum:]]", 900),
        times("[[.^punct.]]", 900), times("ab|", 3000), times("a*", 4000), times("\\Qxy\\E|", 1500),
        times("(?:.)", 3000), times("(?=a)?", 2000), "(?:.*)" + times("..", 2000), times("[a-z]", 2000),
        "", "\\", "a\\c", "(?i", "[", "[\\Q", "\\x{", "\\p{", "(?(", "(?<", "a{1,", "\\Qab", "[[:alpha:",
        "\xc3", "[\xc3", "[\xf4\x8f\xbf", "(?#", "(?x)#", "\\p{^", "\\p{In", "\\p{Co", "\\p{C", "\\p{Lu", "\\p{Latin",
        "\\p{Any"};
    for (const char* options : {static_cast<const char*>(nullptr), "gimsx"})
        for (const auto& p : dense) compileGuarded(patterns, states, p, options);
}

}  // namespace
