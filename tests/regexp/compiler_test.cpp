// The pattern compiler: the node program of each construct, written as the listing a reader would
// check by hand; every pattern error with its status and offset; the limits; and compilation into
// blocks of exactly the reported size.
#include <gtest/gtest.h>

#include <random>
#include <span>
#include <string>
#include <vector>

#include "regexp/compiler.h"
#include "regexp/explain.h"
#include "support/guarded.h"
#include "support/regexp_program.h"

namespace {

using regexp_program::compile;
using Lines = std::vector<std::string>;

struct ProgramCase {
    std::string pattern;
    const char* options;
    Lines lines;  // header line, then one line per node
};

void expectPrograms(const std::vector<ProgramCase>& cases) {
    for (const auto& c : cases) {
        const auto r = compile(c.pattern, c.options);
        ASSERT_EQ(r.status, zetStatusOk) << c.pattern << " failed at " << r.offset;
        EXPECT_EQ(r.lines(), c.lines) << c.pattern;
        EXPECT_EQ(regexp_program::checkProgram(r.state(), static_cast<int>(c.pattern.size())), "") << c.pattern;
    }
}

const char* const kPlain = "nodes=1 groups=1 required=none kind=general options=-";

TEST(RegExpCompile, WorkedExamples) {
    expectPrograms({
        {"a(b|cd)*e", nullptr,
         {"nodes=8 groups=2 required=7 kind=general options=-", "0 Char 'a'", "1 Capture link=1 body=3 capture=1",
          "2 Char 'b'", "3 Alt link=1 opts=-", "4 String \"cd\"", "5 Close link=1 opts=-", "6 Repeat {0,inf}",
          "7 Char 'e'"}},
        {"(?<=ab)c", nullptr,
         {"nodes=4 groups=1 required=3 kind=general options=-", "0 LookBehind link=-1 body=1 width=2",
          "1 String \"ab\"", "2 Close link=-1 opts=-", "3 Char 'c'"}},
        {"a|bc|d", nullptr,
         {"nodes=5 groups=1 required=alternation kind=literal-alternation options=-", "0 Char 'a'",
          "1 Alt link=0 opts=-", "2 String \"bc\"", "3 Alt link=0 opts=-", "4 Char 'd'"}},
        {"", nullptr, {"nodes=0 groups=1 required=none kind=general options=-"}},
    });
}

TEST(RegExpCompile, ImplicitLineStartNode) {
    expectPrograms({
        {".*x", nullptr,
         {"nodes=4 groups=1 required=3 kind=general options=-", "0 Assert line-start", "1 CharType .",
          "2 Repeat {0,inf}", "3 Char 'x'"}},
        {".+", "s",
         {"nodes=3 groups=1 required=none kind=general options=s", "0 Assert line-start", "1 CharType .",
          "2 Repeat {1,inf}"}},
        {".*?x", nullptr,
         {"nodes=3 groups=1 required=2 kind=general options=-", "0 CharType .", "1 RepeatLazy {0,inf}",
          "2 Char 'x'"}},
        {"(?:.*)a", nullptr,
         {"nodes=6 groups=1 required=5 kind=general options=-", "0 Assert line-start", "1 Group link=1 body=2",
          "2 CharType .", "3 Repeat {0,inf}", "4 Close link=1 opts=- simple=1", "5 Char 'a'"}},
        // Decided on the raw bytes, before the options are looked at.
        {". *", "x", {"nodes=2 groups=1 required=none kind=general options=x", "0 CharType .", "1 Repeat {0,inf}"}},
    });
}

TEST(RegExpCompile, LiteralsAndEscapes) {
    expectPrograms({
        {"\\a\\e\\f\\n\\r\\t\\v", nullptr,
         {"nodes=7 groups=1 required=6 kind=literal-start options=-", "0 Char 0x07", "1 Char 0x1b", "2 Char 0x0c",
          "3 Char 0x0a", "4 Char 0x0d", "5 Char 0x09", "6 Char 0x0b"}},
        {"\\cA\\c;\\cz\\c{\\c\x01", nullptr,
         {"nodes=5 groups=1 required=4 kind=literal-start options=-", "0 Char 0x01", "1 Char '{'", "2 Char 0x1a",
          "3 Char ';'", "4 Char -63"}},
        {"\\x41\\x4g\\x{263A}\\x{}", nullptr,
         {"nodes=5 groups=1 required=none kind=literal-start options=-", "0 Char 'A'", "1 Char 0x04", "2 Char 'g'",
          "3 WideChar U+263A", "4 WideChar U+0000"}},
        {"\\0\\012\\0123", nullptr,
         {"nodes=4 groups=1 required=3 kind=literal-start options=-", "0 Char 0x00", "1 Char 0x0a", "2 Char 0x0a",
          "3 Char '3'"}},
        {"\\12", nullptr, {"nodes=1 groups=1 required=0 kind=literal-start options=-", "0 Char 0x0a"}},
        {"(a)\\1(b)\\19", nullptr,
         {"nodes=9 groups=3 required=8 kind=general options=-", "0 Capture link=1 body=1 capture=1", "1 Char 'a'",
          "2 Close link=1 opts=-", "3 BackRef group=1", "4 Capture link=2 body=1 capture=2", "5 Char 'b'",
          "6 Close link=2 opts=-", "7 Char 0x01", "8 Char '9'"}},
        {"\\A\\B\\G\\Z\\b\\z\\C\\X", nullptr,
         {"nodes=8 groups=1 required=none kind=general options=-", "0 Assert A", "1 Assert B", "2 Assert G",
          "3 Assert Z", "4 Assert b", "5 Assert z", "6 AnyByte", "7 ExtChar"}},
        {"^\\d\\D\\s\\S\\w\\W$", nullptr,
         {"nodes=8 groups=1 required=none kind=general options=-", "0 Assert ^", "1 CharType d", "2 CharType D",
          "3 CharType s", "4 CharType S", "5 CharType w", "6 CharType W", "7 Assert $"}},
        // An escaped byte starts a new run; \E flushes and adds nothing; \Q...\E runs to the end.
        {"ab\\.c\\E\\Q\\Ed\\Qx(y", nullptr,
         {"nodes=4 groups=1 required=3 kind=literal-start options=-", "0 String \"ab\"", "1 String \".c\"",
          "2 Char 'd'", "3 String \"x(y\""}},
        {"\\Q.\\E+", nullptr,
         {"nodes=2 groups=1 required=none kind=literal-start options=-", "0 Char '.'", "1 Repeat {1,inf}"}},
        {"a#b c{d", nullptr, {"nodes=1 groups=1 required=0 kind=literal-start options=-", "0 String \"a#b c{d\""}},
        {"\\p{^L}\\P{Lu}\\pN\\p{InBasicLatin}\\P{Latin}\\p{Any}", nullptr,
         {"nodes=6 groups=1 required=none kind=general options=-", "0 Category L neg", "1 Category Lu neg",
          "2 Category N", "3 CodeRange U+0000-U+007F", "4 Script Latin pairs=42 neg", "5 CodeRange U+0000-U+10FFFF"}},
    });
}

TEST(RegExpCompile, ExtendedOption) {
    expectPrograms({
        // White space ends a literal run; "(?x)" leaves no node, "(?i)" leaves one.
        {"(?x) a b # c\n", nullptr,
         {"nodes=2 groups=1 required=1 kind=literal-start options=-", "0 Char 'a' opts=x", "1 Char 'b' opts=x"}},
        {"(?i)", nullptr, {kPlain, "0 SetOptions opts=i"}},
        {"ab\v c#d\n(?-x)e f", "x",
         {"nodes=3 groups=1 required=2 kind=literal-start options=x", "0 String \"ab\\x0b\" opts=x",
          "1 Char 'c' opts=x", "2 String \"e f\""}},
        {"(?x:a b)c d", nullptr,
         {"nodes=5 groups=1 required=4 kind=general options=-", "0 OptionGroup link=1 body=2 opts=x", "1 Char 'a'",
          "2 Char 'b'", "3 Close link=1 opts=-", "4 String \"c d\""}},
        {"[ #]", "x", {"nodes=3 groups=1 required=none kind=general options=x", "0 Class members=2", "1 Char ' '",
                       "2 Char '#'"}},
    });
}

TEST(RegExpCompile, QuantifiersAndFolding) {
    expectPrograms({
        {"abc+", nullptr,
         {"nodes=3 groups=1 required=1 kind=literal-start options=-", "0 String \"ab\"", "1 Char 'c'",
          "2 Repeat {1,inf}"}},
        {"ab*", nullptr,
         {"nodes=3 groups=1 required=none kind=literal-start options=-", "0 Char 'a'", "1 Char 'b'",
          "2 Repeat {0,inf}"}},
        {"a*b", nullptr,
         {"nodes=3 groups=1 required=2 kind=general options=-", "0 Char 'a'", "1 Repeat {0,inf}", "2 Char 'b'"}},
        {"a{,5}b{}c{,}d{2,}e{2,3}?", nullptr,
         {"nodes=10 groups=1 required=8 kind=general options=-", "0 Char 'a'", "1 Repeat {0,5}",
          "2 Char 'b'", "3 Repeat {0,0}", "4 Char 'c'", "5 Repeat {0,inf}", "6 Char 'd'", "7 Repeat {2,inf}",
          "8 Char 'e'", "9 RepeatLazy {2,3}"}},
        {"a{2,x}", nullptr, {"nodes=1 groups=1 required=0 kind=literal-start options=-", "0 String \"a{2,x}\""}},
        {"a{65535,65535}", nullptr, {"nodes=2 groups=1 required=0 kind=literal-start options=-", "0 Char 'a'",
                                     "1 Repeat {65535,65535}"}},
        {"^*\\b+", nullptr,
         {"nodes=4 groups=1 required=none kind=general options=-", "0 Assert ^", "1 Repeat {0,inf}", "2 Assert b",
          "3 Repeat {1,inf}"}},
        {"..*", nullptr, {"nodes=2 groups=1 required=none kind=general options=-", "0 CharType .", "1 Repeat {1,inf}"}},
        {"...", nullptr, {"nodes=2 groups=1 required=none kind=general options=-", "0 CharType .", "1 Repeat {3,3}"}},
        {".*.", nullptr,
         {"nodes=3 groups=1 required=none kind=general options=-", "0 Assert line-start", "1 CharType .",
          "2 Repeat {1,inf}"}},
        {"\\d\\d?", nullptr, {"nodes=2 groups=1 required=none kind=general options=-", "0 CharType d",
                              "1 Repeat {1,2}"}},
        {"\\d*\\d*", nullptr, {"nodes=2 groups=1 required=none kind=general options=-", "0 CharType d",
                               "1 Repeat {0,inf}"}},
        {"..+?", nullptr, {"nodes=2 groups=1 required=none kind=general options=-", "0 CharType .",
                           "1 Repeat {2,inf}"}},
        {"\\w\\d.{2}.", nullptr,
         {"nodes=4 groups=1 required=none kind=general options=-", "0 CharType w", "1 CharType d", "2 CharType .",
          "3 Repeat {3,3}"}},
        // The last member of a class is no type node of its own: [-.\w]\w+ is not [-.\w]{2,}.
        {"[-.\\w]\\w+", nullptr,
         {"nodes=6 groups=1 required=none kind=general options=-", "0 Class members=3", "1 Char '-'", "2 Char '.'",
          "3 CharType w", "4 CharType w", "5 Repeat {1,inf}"}},
        {"[\\s\\d]*\\d", nullptr,
         {"nodes=5 groups=1 required=none kind=general options=-", "0 Class members=2", "1 CharType s",
          "2 CharType d", "3 Repeat {0,inf}", "4 CharType d"}},
        // A repeated look-ahead is kept once, an optional one vanishes (its ordinal is given back).
        {"x(?=a)?y(?=b){2}(c)", nullptr,
         {"nodes=8 groups=2 required=none kind=literal-start options=-", "0 Char 'x'", "1 Char 'y'",
          "2 LookAhead link=-1 body=1", "3 Char 'b'", "4 Close link=-1 opts=-", "5 Capture link=2 body=1 capture=1",
          "6 Char 'c'", "7 Close link=2 opts=-"}},
        // Removing an optional look-ahead uncovers the close before it, which the next quantifier
        // repeats (and removes too when it closes another look-ahead).
        {"(a)(?=b)?*", nullptr,
         {"nodes=4 groups=2 required=none kind=general options=-", "0 Capture link=1 body=1 capture=1",
          "1 Char 'a'", "2 Close link=1 opts=-", "3 Repeat {0,inf}"}},
        {"(?=a)(?=b)?*", nullptr, {"nodes=0 groups=1 required=none kind=general options=-"}},
        {"(?>a)*?", nullptr,
         {"nodes=4 groups=1 required=none kind=general options=-", "0 Atomic link=-1 body=1", "1 Char 'a'",
          "2 Close link=-1 opts=-", "3 RepeatLazy {0,inf}"}},
    });
}

TEST(RegExpCompile, GroupsLinksAndFlattening) {
    expectPrograms({
        {"(?:ab)", nullptr, {"nodes=1 groups=1 required=none kind=literal-start options=-", "0 String \"ab\""}},
        {"(?:abc)*", nullptr,
         {"nodes=4 groups=1 required=none kind=general options=-", "0 Group link=1 body=1", "1 String \"abc\"",
          "2 Close link=1 opts=-", "3 Repeat {0,inf}"}},
        {"(?:a)*", nullptr, {"nodes=2 groups=1 required=none kind=general options=-", "0 Char 'a'",
                             "1 Repeat {0,inf}"}},
        {"(?:a)+", nullptr, {"nodes=2 groups=1 required=0 kind=literal-start options=-", "0 Char 'a'",
                             "1 Repeat {1,inf}"}},
        {"(?:a.)(?:[ab])(?:a|b)", nullptr,
         {"nodes=12 groups=1 required=none kind=general options=-", "0 Char 'a'", "1 CharType .",
          "2 Group link=1 body=3", "3 Class members=2", "4 Char 'a'", "5 Char 'b'", "6 Close link=1 opts=-",
          "7 Group link=2 body=3", "8 Char 'a'", "9 Alt link=2 opts=-", "10 Char 'b'", "11 Close link=2 opts=-"}},
        {"(a)", nullptr,
         {"nodes=3 groups=2 required=none kind=general options=-", "0 Capture link=1 body=1 capture=1", "1 Char 'a'",
          "2 Close link=1 opts=-"}},
        {"(a+)", nullptr,
         {"nodes=4 groups=2 required=none kind=general options=-", "0 Capture link=1 body=2 capture=1", "1 Char 'a'",
          "2 Repeat {1,inf}", "3 Close link=1 opts=- simple=1"}},
        {"(a+)*(b*?)", nullptr,
         {"nodes=9 groups=3 required=none kind=general options=-", "0 Capture link=1 body=2 capture=1", "1 Char 'a'",
          "2 Repeat {1,inf}", "3 Close link=1 opts=- simple=-1", "4 Repeat {0,inf}",
          "5 Capture link=2 body=2 capture=2", "6 Char 'b'", "7 RepeatLazy {0,inf}", "8 Close link=2 opts=-"}},
        {"((a)|b)", nullptr,
         {"nodes=7 groups=3 required=none kind=general options=-", "0 Capture link=1 body=5 capture=1",
          "1 Capture link=2 body=1 capture=2", "2 Char 'a'", "3 Close link=2 opts=-", "4 Alt link=1 opts=-",
          "5 Char 'b'", "6 Close link=1 opts=-"}},
        {"(?i:a)(?>b)(?!c)(?<!d)", nullptr,
         {"nodes=12 groups=1 required=none kind=general options=-", "0 OptionGroup link=1 body=1 opts=i",
          "1 Char 'a'", "2 Close link=1 opts=-", "3 Atomic link=-2 body=1", "4 Char 'b'", "5 Close link=-2 opts=-",
          "6 NotLookAhead link=-3 body=1", "7 Char 'c'", "8 Close link=-3 opts=-",
          "9 NotLookBehind link=-4 body=1 width=1", "10 Char 'd'", "11 Close link=-4 opts=-"}},
        // Comments, empty groups, settings and flattened groups give their ordinal back.
        {"(?#c(x)(?)(?:ab)(?s)(c)", nullptr,
         {"nodes=5 groups=2 required=none kind=literal-start options=-", "0 String \"ab\"", "1 SetOptions opts=s",
          "2 Capture link=1 body=1 capture=1", "3 Char 'c'", "4 Close link=1 opts=s"}},
    });
}

TEST(RegExpCompile, OptionsInNodes) {
    expectPrograms({
        {"(a(?i)b)c", nullptr,
         {"nodes=6 groups=2 required=5 kind=general options=-", "0 Capture link=1 body=3 capture=1", "1 Char 'a'",
          "2 SetOptions opts=i", "3 Char 'b'", "4 Close link=1 opts=-", "5 Char 'c'"}},
        {"(?i)a|b", nullptr,
         {"nodes=4 groups=1 required=alternation kind=general options=-", "0 SetOptions opts=i", "1 Char 'a' opts=i",
          "2 Alt link=0 opts=i", "3 Char 'b'"}},
        {"a|b", "mi",
         {"nodes=3 groups=1 required=alternation kind=literal-alternation options=im", "0 Char 'a' opts=im",
          "1 Alt link=0 opts=im", "2 Char 'b'"}},
        {"(?s-i:a)b", "gi",
         {"nodes=4 groups=1 required=3 kind=general options=gi", "0 OptionGroup link=1 body=1 opts=gs",
          "1 Char 'a'", "2 Close link=1 opts=gi", "3 Char 'b' opts=gi"}},
        {"(?m-s-i)x", "si",
         {"nodes=2 groups=1 required=1 kind=general options=is", "0 SetOptions opts=m", "1 Char 'x' opts=m"}},
    });
}

TEST(RegExpCompile, Classes) {
    expectPrograms({
        {"[]a]", nullptr, {"nodes=3 groups=1 required=none kind=general options=-", "0 Class members=2", "1 Char ']'",
                           "2 Char 'a'"}},
        {"[a-]", nullptr, {"nodes=3 groups=1 required=none kind=general options=-", "0 Class members=2", "1 Char 'a'",
                           "2 Char '-'"}},
        {"[^]-]", nullptr, {"nodes=3 groups=1 required=none kind=general options=-", "0 Class members=2 neg",
                            "1 Char ']'", "2 Char '-'"}},
        {"[a]", nullptr, {"nodes=1 groups=1 required=none kind=literal-start options=-", "0 Char 'a'"}},
        {"[\\d]", nullptr, {kPlain, "0 CharType d"}},
        {"[^a]", nullptr, {"nodes=2 groups=1 required=none kind=general options=-", "0 Class members=1 neg",
                           "1 Char 'a'"}},
        {"[\\x{100}]", nullptr, {"nodes=2 groups=1 required=none kind=general options=-", "0 Class members=1",
                                 "1 WideChar U+0100"}},
        {"[\\p{Lu}]", nullptr, {"nodes=2 groups=1 required=none kind=general options=-", "0 Class members=1",
                                "1 Category Lu"}},
        // UTF-8 inside a class is one character; an invalid sequence is its bytes.
        {"[\xc3\xa9]", nullptr, {"nodes=1 groups=1 required=none kind=literal-start options=-", "0 Char 0xe9"}},
        {"[\xc4\x80\xff]", nullptr, {"nodes=3 groups=1 required=none kind=general options=-", "0 Class members=2",
                                     "1 WideChar U+0100", "2 Char 0xff"}},
        {"[\xc3\xa9-\xc4\x80]", nullptr, {"nodes=2 groups=1 required=none kind=general options=-",
                                          "0 Class members=1", "1 Range 0xe9-0x100"}},
        {"[\\b\\n-\\r\\x{41}-\\x{5a}\\1\\8\\]\\cA]", nullptr,
         {"nodes=8 groups=1 required=none kind=general options=-", "0 Class members=7", "1 Char 0x08",
          "2 Range 0x0a-0x0d", "3 Range 'A'-'Z'", "4 Char 0x01", "5 Char '8'", "6 Char ']'", "7 Char 0x01"}},
        {"[\\777]", nullptr, {"nodes=1 groups=1 required=none kind=literal-start options=-", "0 Char 0x1ff"}},
        // A '-' after a range or a type is literal; an open range before a type falls back.
        {"[a-c-e\\w-z]", nullptr,
         {"nodes=7 groups=1 required=none kind=general options=-", "0 Class members=6", "1 Range 'a'-'c'",
          "2 Char '-'", "3 Char 'e'", "4 CharType w", "5 Char '-'", "6 Char 'z'"}},
        {"[a-\\d][b-[:digit:]][c-\\Q\\E]", nullptr,
         {"nodes=11 groups=1 required=none kind=general options=-", "0 Class members=3", "1 Char 'a'", "2 Char '-'",
          "3 CharType d", "4 Class members=3", "5 Char 'b'", "6 Char '-'", "7 Range '0'-'9'", "8 Class members=2",
          "9 Char 'c'", "10 Char '-'"}},
        {"[\\Qa-\\E]", nullptr, {"nodes=3 groups=1 required=none kind=general options=-", "0 Class members=2",
                                 "1 Char 'a'", "2 Char '-'"}},
        {"[[:alpha:]][[.alpha.]][[=alpha=]]", nullptr,
         {"nodes=9 groups=1 required=none kind=general options=-", "0 Class members=2", "1 Range 'a'-'z'",
          "2 Range 'A'-'Z'", "3 Class members=2", "4 Range 'a'-'z'", "5 Range 'A'-'Z'", "6 Class members=2",
          "7 Range 'a'-'z'", "8 Range 'A'-'Z'"}},
        // Negated POSIX classes accept exactly what the plain ones reject.
        {"[[:^alpha:]][[:^digit:]][[:word:]][[:^word:]]", nullptr,
         {"nodes=9 groups=1 required=none kind=general options=-", "0 Class members=4", "1 Range 0x00-'@'",
          "2 Range '['-'`'", "3 Range '{'-0xff", "4 Range 0x100-0x7fffffff", "5 Class members=1",
          "6 Range '0'-'9' neg", "7 CharType w", "8 CharType W"}},
        {"[[:alpha][x]", nullptr,
         {"nodes=9 groups=1 required=none kind=general options=-", "0 Class members=7", "1 Char '['", "2 Char ':'",
          "3 Char 'a'", "4 Char 'l'", "5 Char 'p'", "6 Char 'h'", "7 Char 'a'", "8 Char 'x'"}},
    });
}

TEST(RegExpCompile, ConditionalsAndLookBehind) {
    expectPrograms({
        {"(?(12)a|b)", nullptr,
         {"nodes=6 groups=1 required=none kind=general options=-", "0 Cond link=1 body=4", "1 BackRef group=12",
          "2 Char 'a'", "3 Alt link=1 opts=-", "4 Char 'b'", "5 Close link=1 opts=-"}},
        {"(a)?(?(1)b|c)", nullptr,
         {"nodes=10 groups=2 required=none kind=general options=-", "0 Capture link=1 body=1 capture=1", "1 Char 'a'",
          "2 Close link=1 opts=-", "3 Repeat {0,1}", "4 Cond link=2 body=4", "5 BackRef group=1", "6 Char 'b'",
          "7 Alt link=2 opts=-", "8 Char 'c'", "9 Close link=2 opts=-"}},
        {"(?(?<!a)b)", nullptr,
         {"nodes=6 groups=1 required=none kind=general options=-", "0 Cond link=1 body=4",
          "1 NotLookBehind link=-2 body=1 width=1", "2 Char 'a'", "3 Close link=-2 opts=-", "4 Char 'b'",
          "5 Close link=1 opts=-"}},
        // A comment in the place of the condition is read as one in both passes.
        {"(?(?#(x)(?=a)b)", nullptr,
         {"nodes=6 groups=1 required=none kind=general options=-", "0 Cond link=1 body=4",
          "1 LookAhead link=-2 body=1", "2 Char 'a'", "3 Close link=-2 opts=-", "4 Char 'b'", "5 Close link=1 opts=-"}},
        {"(?<=ab|cd)", nullptr,
         {"nodes=5 groups=1 required=none kind=general options=-", "0 LookBehind link=-1 body=3 width=2",
          "1 String \"ab\"", "2 Alt link=-1 opts=-", "3 String \"cd\"", "4 Close link=-1 opts=-"}},
        {"(?<=a{3})", nullptr,
         {"nodes=4 groups=1 required=none kind=general options=-", "0 LookBehind link=-1 body=2 width=3",
          "1 Char 'a'", "2 Repeat {3,3}", "3 Close link=-1 opts=-"}},
        {"(?<=a(?=bc)d)", nullptr,
         {"nodes=7 groups=1 required=none kind=general options=-", "0 LookBehind link=-1 body=5 width=2",
          "1 Char 'a'", "2 LookAhead link=-2 body=1", "3 String \"bc\"", "4 Close link=-2 opts=-", "5 Char 'd'",
          "6 Close link=-1 opts=-"}},
    });
    // Widths of nested groups, classes, folded types and repeated groups.
    for (const auto& [pattern, width] : std::vector<std::pair<std::string, int>>{
             {"(?<=(ab|cd)e)", 3}, {"(?<=a.{3})", 4}, {"(?<=[ab]{2}\\p{L})", 3}, {"(?<=(?:ab){2})", 4},
             {"(?<=(?>a|b)\\x{100}\\X)", 3}, {"(?<!(?<=xy)z)", 1}, {"(?<=a{0})", 1}}) {
        const auto r = compile(pattern);
        ASSERT_EQ(r.status, zetStatusOk) << pattern;
        EXPECT_EQ(zet::rx::ownRegExpNodes(r.state())[0].arg3, width) << pattern;
    }
}

// ---- errors ---------------------------------------------------------------------------------------

struct ErrorCase {
    std::string pattern;
    ZetStatus status;
    zet32s offset;
};

TEST(RegExpCompile, EveryErrorWithItsOffset) {
    const std::vector<ErrorCase> cases = {
        // Quantifiers.
        {"a{70000}", zetStatusRegExpBadQuantifier, 2}, {"a{1,70000}", zetStatusRegExpBadQuantifier, 4},
        {"a{70000,}", zetStatusRegExpBadQuantifier, 2}, {"a{3,2}", zetStatusRegExpBadQuantifier, 2},
        {"a{99999999999,1}", zetStatusRegExpBadQuantifier, 2}, {"*a", zetStatusRegExpBadQuantifier, 0}, {"{70000}", zetStatusRegExpBadQuantifier, 1},
        {"{2}", zetStatusRegExpBadQuantifier, 0}, {"a|*b", zetStatusRegExpBadQuantifier, 2},
        {"(*a)", zetStatusRegExpBadQuantifier, 1}, {"(?:*a)", zetStatusRegExpBadQuantifier, 3},
        {"(?i)*", zetStatusRegExpBadQuantifier, 4}, {"a**", zetStatusRegExpBadQuantifier, 2},
        {"a*+", zetStatusRegExpBadQuantifier, 2}, {"a*??", zetStatusRegExpBadQuantifier, 3},
        {"a{2}{3}", zetStatusRegExpBadQuantifier, 4}, {"(?=a)?*", zetStatusRegExpBadQuantifier, 6},
        // Parentheses and group syntax.
        {"a)", zetStatusRegExpSyntax, 1}, {"(a", zetStatusRegExpSyntax, 2}, {"(?#abc", zetStatusRegExpSyntax, 6},
        {"(?<x)", zetStatusRegExpSyntax, 3}, {"(?P<n>a)", zetStatusRegExpSyntax, 2},
        {"(?iq)", zetStatusRegExpSyntax, 3}, {"(?i", zetStatusRegExpSyntax, 3}, {"(?", zetStatusRegExpSyntax, 2},
        {"\\", zetStatusRegExpSyntax, 1}, {"a\\c", zetStatusRegExpSyntax, 3},
        {"(?(1)*a)", zetStatusRegExpSyntax, 7}, {"(?(1)a|b|c)", zetStatusRegExpSyntax, 10},
        {"(?(?:a)b)", zetStatusRegExpSyntax, 8}, {"(?(?=a)?b)", zetStatusRegExpSyntax, 9},
        {"(?(a)b)", zetStatusRegExpSyntax, 3}, {"(?(?#(x)(?=a)b))", zetStatusRegExpSyntax, 15}, {"(?(1234)a)",
                                                zetStatusRegExpSyntax, 6},
        {"(a)(?<=\\1)", zetStatusRegExpSyntax, 9}, {"(?<=a*)", zetStatusRegExpSyntax, 6},
        {"(?<=a{2,3})", zetStatusRegExpSyntax, 10}, {"(?<=a|bc)", zetStatusRegExpSyntax, 8},
        {"(?<=(ab|c)e)", zetStatusRegExpSyntax, 11}, {"(a)(?<=x(?=a|\\1)y)", zetStatusRegExpSyntax, 17},
        {"[\\E]", zetStatusRegExpSyntax, 3}, {"[\\^]", zetStatusRegExpSyntax, 3},
        // Back-references and condition numbers.
        {"\\2", zetStatusRegExpBadReference, 1}, {"(a)\\2", zetStatusRegExpBadReference, 4},
        {"\\8", zetStatusRegExpBadReference, 1}, {"\\81", zetStatusRegExpBadReference, 1},
        {"(?(0)a)", zetStatusRegExpBadReference, 4}, {"(?(00)a)", zetStatusRegExpBadReference, 4},
        {"(?()a)", zetStatusRegExpBadReference, 4},
        // Classes.
        {"[z-a]", zetStatusRegExpBadClass, 3}, {"[\xc3\xa9-a]", zetStatusRegExpBadClass, 4},
        {"[\\x{5a}-\\x{41}]", zetStatusRegExpBadClass, 13}, {"[a", zetStatusRegExpBadClass, 2},
        {"[]", zetStatusRegExpBadClass, 2}, {"[^]", zetStatusRegExpBadClass, 3}, {"[a\\", zetStatusRegExpBadClass, 3},
        {"[\\c", zetStatusRegExpBadClass, 3}, {"[\\Qab]", zetStatusRegExpBadClass, 6},
        {"[[:foo:]]", zetStatusRegExpBadClass, 1}, {"x[[:^alphax:]]", zetStatusRegExpBadClass, 2},
        {"[:alpha:]", zetStatusRegExpBadClass, 1}, {"[.a.]", zetStatusRegExpBadClass, 1},
        {"[[.a.]]", zetStatusRegExpBadClass, 1}, {"[[=a=]]", zetStatusRegExpBadClass, 1},
        // Escapes and properties.
        {"\\x{12", zetStatusRegExpBadEscape, 3}, {"\\x{123456789}", zetStatusRegExpBadEscape, 3},
        {"[\\x{12]", zetStatusRegExpBadEscape, 6}, {"\\pX", zetStatusRegExpBadEscape, 2},
        {"\\p{Foo}", zetStatusRegExpBadEscape, 3}, {"\\P{^L}", zetStatusRegExpBadEscape, 3},
        {"\\p{Latin", zetStatusRegExpBadEscape, 3}, {"\\p{Lu", zetStatusRegExpBadEscape, 5}, {"\\p{latin}",
                                                     zetStatusRegExpBadEscape, 3},
        {"\\p{InNoSuchBlock}", zetStatusRegExpBadEscape, 3}, {"[a\\p{Xx}]", zetStatusRegExpBadEscape, 5},
    };
    for (const auto& c : cases) {
        const auto r = compile(c.pattern);
        EXPECT_EQ(r.status, c.status) << c.pattern;
        EXPECT_EQ(r.offset, c.offset) << c.pattern;
    }
}

// Nesting depth, group ordinals and capture counts, with patterns built to the limits.
TEST(RegExpCompile, NestingAndGroupLimits) {
    const auto repeat = [](const std::string& s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += s;
        return out;
    };
    const auto nested = [&](int depth) { return repeat("(", depth) + "a" + repeat(")", depth); };
    auto r = compile(nested(999));
    ASSERT_EQ(r.status, zetStatusOk);
    EXPECT_EQ(r.state()->groupCount, 1000);
    EXPECT_EQ(r.state()->nodeCount, 999 * 2 + 1);
    EXPECT_EQ(regexp_program::checkProgram(r.state(), 999 * 2 + 1), "");
    r = compile(nested(1000));
    EXPECT_EQ(r.status, zetStatusRegExpSyntax);
    EXPECT_EQ(r.offset, 999);
    // (?( counts as two openings in the structure check.
    EXPECT_EQ(compile(repeat("(", 997) + "(?(1)a)" + repeat(")", 997)).status, zetStatusOk);
    r = compile(repeat("(", 998) + "(?(1)a)" + repeat(")", 998));
    EXPECT_EQ(r.status, zetStatusRegExpSyntax);
    EXPECT_EQ(r.offset, 1000);

    // 999 groups fit in a program; the 1000th is refused when it opens, whatever its kind.
    r = compile(repeat("(a)", 999));
    ASSERT_EQ(r.status, zetStatusOk);
    EXPECT_EQ(r.state()->groupCount, 1000);
    for (const char* extra : {"(b)", "(?:b)", "(?#c)", "(?i)"}) {
        r = compile(repeat("(a)", 999) + extra);
        EXPECT_EQ(r.status, zetStatusRegExpSyntax) << extra;
        EXPECT_EQ(r.offset, 2997) << extra;
    }
    // More than 1000 capturing groups fail in the structure check, at the 1001st.
    r = compile(repeat("(a)", 1001));
    EXPECT_EQ(r.status, zetStatusRegExpSyntax);
    EXPECT_EQ(r.offset, 3000);
    // Groups taken out of the program give their ordinal back.
    r = compile(repeat("(a)", 998) + repeat("(?:ab)(?=x)?(?#c)", 50) + "(b)");
    ASSERT_EQ(r.status, zetStatusOk);
    EXPECT_EQ(r.lines().back(), "3046 Close link=999 opts=-");
    EXPECT_EQ(r.state()->groupCount, 1000);
}

TEST(RegExpCompile, TwoDigitEscapesDependOnTheGroupCount) {
    std::string groups;
    for (int i = 0; i < 11; ++i) groups += "(x)";
    EXPECT_EQ(compile(groups + "\\12").lines().back(), "33 Char 0x0a");
    EXPECT_EQ(compile(groups + "(x)\\12").lines().back(), "36 BackRef group=12");
    EXPECT_EQ(compile(groups + "(x)\\123").lines().back(), "36 Char 'S'");  // octal 123
}

// ---- memory -----------------------------------------------------------------------------------------

// Compiles in a block of exactly the reported size that ends against an unreadable page, with the
// pattern's terminating zero as the last readable byte of another arena; the outcome must equal
// that of a roomy block, whose bytes beyond the reported size stay untouched.
void compileGuarded(guarded::Arena& patterns, guarded::Arena& states, const std::string& pattern, const char* options) {
    const std::vector<char> text(pattern.c_str(), pattern.c_str() + pattern.size() + 1);
    const char* p = patterns.place(std::span<const char>(text), static_cast<int>((16 - text.size() % 16) % 16),
                                   guarded::Edge::End, '(');
    zet32s size = 0;
    ASSERT_EQ(zetsRegExpGetSize(p, &size), zetStatusOk);
    const std::vector<zet8u> fill(static_cast<std::size_t>(size), 0xA5);
    auto* guardedState = reinterpret_cast<RegExpState*>(
        states.place(std::span<const zet8u>(fill), (16 - size % 16) % 16, guarded::Edge::End, zet8u{0xA5}));
    zet32s offset = -1;
    const ZetStatus st = zetsRegExpInit(p, options, guardedState, &offset);

    std::vector<std::uint32_t> roomy(static_cast<std::size_t>(size) / 4 + 64, 0xA5A5A5A5u);
    zet32s roomyOffset = -1;
    ASSERT_EQ(zetsRegExpInit(p, options, reinterpret_cast<RegExpState*>(roomy.data()), &roomyOffset), st) << pattern;
    for (std::size_t i = static_cast<std::size_t>(size) / 4; i < roomy.size(); ++i)
        ASSERT_EQ(roomy[i], 0xA5A5A5A5u) << pattern << ": written past the reported size";
    if (st != zetStatusOk) {
        EXPECT_EQ(offset, roomyOffset) << pattern;
        EXPECT_TRUE(offset >= 0 && offset <= static_cast<int>(pattern.size())) << pattern;
        return;
    }
    const auto* roomyState = reinterpret_cast<const RegExpState*>(roomy.data());
    EXPECT_EQ(regexp_program::listing(guardedState), regexp_program::listing(roomyState));
    EXPECT_EQ(regexp_program::checkProgram(guardedState, static_cast<int>(pattern.size())), "") << pattern;
}

TEST(RegExpCompile, StaysInsideTheReportedSize) {
    guarded::Arena patterns(1 << 16), states(1 << 19);
    const auto repeat = [](const std::string& s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += s;
        return out;
    };
    // The densest programs: one node per byte plus the implicit start node; strings with their
    // pool; classes that expand; and patterns that end in the middle of a construct.
    const std::vector<std::string> dense = {
        ".*" + repeat("|", 5000), ".+" + repeat("^$", 3000), repeat("()", 4000), repeat("[[:^alnum:]]", 900),
        repeat("[[.^punct.]]", 900), repeat("ab|", 3000), repeat("a*", 4000), repeat("\\Qxy\\E|", 1500),
        repeat("(?:.)", 3000), repeat("(?=a)?", 2000), "(?:.*)" + repeat("..", 2000), repeat("[a-z]", 2000),
        "", "\\", "a\\c", "(?i", "[", "[\\Q", "\\x{", "\\p{", "(?(", "(?<", "a{1,", "\\Qab", "[[:alpha:",
        "\xc3", "[\xc3", "[\xf4\x8f\xbf", "(?#", "(?x)#"};
    for (const auto& p : dense) compileGuarded(patterns, states, p, nullptr);
    for (const auto& p : dense) compileGuarded(patterns, states, p, "gimsx");
}

// Random patterns from the pieces of the language: every one either fails with an offset inside
// the pattern or compiles into a program that keeps the layout rules, within the reported size.
TEST(RegExpCompile, RandomPatternsKeepTheLayoutRules) {
    const std::vector<std::string> pieces = {
        "a", "b", "ab", "xyz", ".", "\\d", "\\w", "\\s", "\\W", "*", "+", "?", "*?", "{2}", "{1,3}", "{,2}", "{0}",
        "(", "(?:", "(?=", "(?!", "(?<=", "(?<!", "(?>", "(?i)", "(?x)", "(?-i:", "(?(1)", "(?(?=a)", "(?#c)", ")",
        ")", "|", "[", "]", "[a-z]", "[^ab]", "[[:alpha:]]", "[[:^space:]]", "\\p{L}", "\\P{Latin}", "\\x{100}",
        "\\x41", "\\1", "\\2", "\\12", "^", "$", "\\b", "\\A", "\\Q", "\\E", "#", " ", "\n", "-", "\\", "\xc3\xa9",
        "\xff", "\\C", "\\X", "\\cA", "\\0", "{", "}", ",", "=", ":"};
    std::mt19937 rng(20120723);
    guarded::Arena patterns(1 << 16), states(1 << 18);
    for (int round = 0; round < 4000; ++round) {
        std::string p;
        for (int n = static_cast<int>(rng() % 24); n > 0; --n) p += pieces[rng() % pieces.size()];
        compileGuarded(patterns, states, p, round % 3 == 0 ? "x" : round % 3 == 1 ? "i" : nullptr);
    }
}

TEST(RegExpCompile, HelpersOfTheCompiler) {
    const auto q = [](const char* s) { return zet::rx::ownRegExpIsQuantifier(reinterpret_cast<const zet8u*>(s)); };
    for (const char* yes : {"*", "+", "?", "{}", "{,}", "{,5}", "{5}", "{5,}", "{12,345}"}) EXPECT_TRUE(q(yes)) << yes;
    for (const char* no : {"", "{", "{a}", "{2,x}", "{2", "{,", "{1,2,3}", "a*", "{ 2}"}) EXPECT_FALSE(q(no)) << no;

    const auto cmp = [](const char* a, const char* b, int n) {
        return zet::rx::ownRegExpCompareN(reinterpret_cast<const zet8u*>(a), reinterpret_cast<const zet8u*>(b), n);
    };
    EXPECT_EQ(cmp("(?:.*)", "(?:.*)x", 6), 0);
    EXPECT_EQ(cmp("abc", "abd", 3), 'c' - 'd');
    EXPECT_EQ(cmp("ab", "(?:", 6), 'a' - '(');
    EXPECT_EQ(cmp("a", "a", 0), 0);

    // The listing into a short buffer is cut and still terminated, and reports the full length.
    const auto r = compile("a(b|cd)*e");
    const int full = zet::rx::ownRegExpExplain(r.state(), nullptr, 0);
    char small[20];
    EXPECT_EQ(zet::rx::ownRegExpExplain(r.state(), small, sizeof small), full);
    EXPECT_EQ(std::string(small), std::string("nodes=8 groups=2 re"));
    char line[64];
    EXPECT_EQ(zet::rx::ownRegExpExplainNode(r.state(), 4, line, sizeof line), 13);
    EXPECT_EQ(std::string(line), "4 String \"cd\"");
}

}  // namespace
