// The search driver: argument checks in their order, the records a single and a global search
// store, the shortcuts taken from the compiler's hints, start positions by subject format,
// subjects at the edges of unreadable pages, and the prefilters, which must change nothing.
#include <gtest/gtest.h>

#include <random>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "support/guarded.h"
#include "support/regexp_search.h"

namespace {

using regexp_search::compile;
using regexp_search::Options;
using regexp_search::search;

TEST(RegExpSearch, ArgumentChecksInOrder) {
    auto state = compile("a(b)");
    const zet8u src[] = "ab";
    RegExpMatchRecord rec[2] = {{src, 7}, {src, 7}};
    zet32s n = 2, zero = 0;
    std::vector<zet8u> bad(sizeof(RegExpState) + 64, 0);  // no mark
    auto* noMagic = reinterpret_cast<RegExpState*>(bad.data());
    for (const auto& [s, len, st, r, pn, want] : std::vector<std::tuple<const zet8u*, zet32s, RegExpState*, RegExpMatchRecord*, zet32s*, ZetStatus>>{
             {nullptr, -1, nullptr, nullptr, nullptr, zetStatusNullPointer}, {src, -1, nullptr, rec, &zero, zetStatusNullPointer},
             {src, -1, state.get(), nullptr, &zero, zetStatusNullPointer}, {src, -1, state.get(), rec, nullptr, zetStatusNullPointer},
             {src, -1, noMagic, rec, &zero, zetStatusBadLength}, {src, 2, noMagic, rec, &zero, zetStatusBadSize},
             {src, 2, noMagic, rec, &n, zetStatusRegExpBadState}}) {
        EXPECT_EQ(zetsRegExpFind_8u(s, len, st, r, pn), want);
        EXPECT_TRUE(rec[0].len == 7 && rec[1].len == 7 && n == 2 && zero == 0) << "written on status " << want;
    }
    // A search writes nothing in the state but its work areas.
    const zet32s limit = state->matchLimit, count = state->nodeCount;
    EXPECT_EQ(zetsRegExpFind_8u(src, 2, state.get(), rec, &n), zetStatusOk);
    EXPECT_TRUE(state->matchLimit == limit && state->nodeCount == count && n == 2);
}

TEST(RegExpSearch, RecordsOfSingleAndGlobalSearches) {
    for (const auto& [pattern, letters, subject, capacity, want] : std::vector<std::tuple<std::string, const char*, std::string, int, std::string>>{
             // Single: the whole match and the groups, cut to the array (warning 12) or to the groups.
             {"(a)(b)?(c)", "", "xac", 2, "12 (1,2) (1,1)"}, {"(a)(b)?(c)", "", "xac", 10, "0 (1,2) (1,1) unset (2,1)"},
             {"a*", "", "", 4, "0 (0,0)"}, {"a", "", "", 4, "0"}, {"a", "", "bbb", 1, "0"},
             // Global: whole matches without groups, the groups alone with them.
             {"a", "g", "banana", 10, "0 (1,1) (3,1) (5,1)"}, {"a", "g", "banana", 2, "0 (1,1) (3,1)"},
             {"(a)(n)", "g", "banana", 10, "0 (1,1) (2,1) (3,1) (4,1)"}, {"(a)(n)", "g", "banana", 1, "12 (1,1)"},
             {"(a)(n)", "g", "banana", 3, "0 (1,1) (2,1) (3,1)"},
             // After an empty match only a match of exactly the next unit is looked for there.
             {"x*", "g", "ab", 10, "0 (0,0) (1,0) (2,0)"}, {"a?", "g", "ab", 10, "0 (0,1) (1,0) (2,0)"},
             // A top-level alternative that reaches its bar succeeds without that test.
             {"\\b|a", "g", "ab", 10, "0 (0,0) (0,0) (2,0)"}, {"b*|a", "g", "ab", 10, "0 (0,0) (0,0) (1,1) (2,0)"},
             {"$", "gm", "a\nb\n", 10, "0 (1,0) (3,0) (4,0)"}, {"^", "gm", "a\n", 10, "0 (0,0)"},
             {"(a)|b", "g", "ab", 10, "0 (0,1) unset"},
             // Two classes eight nodes apart share a slot of the membership cache; the lazy one is
             // still repeating when the other takes the slot over.
             {"a[\\wc\n]{2,}?a*(?:[.b])*A", "i", "ac\n\na1", 1, "0 (0,5)"},
             {"[b-d]+?x*(?:[.b])*e", "g", "cde", 10, "0 (0,3)"},
         }) {
        Options o;
        o.letters = letters;
        o.capacity = capacity;
        EXPECT_EQ(search(pattern, subject, o), want) << "/" << pattern << "/" << letters << " on " << subject;
    }
}

TEST(RegExpSearch, ShortcutsFromTheCompilersHints) {
    for (const auto& [pattern, letters, subject, limit, want] : std::vector<std::tuple<std::string, const char*, std::string, int, std::string>>{
             // An alternation of literals: the earliest occurrence, the earlier alternative on a tie,
             // with or without the matcher's budget.
             {"cat|dog", "", "hotdogcat", -1, "0 (3,3)"}, {"cat|dog", "", "hotdogcat", 0, "0 (3,3)"},
             {"dogs|dog|do", "", "hotdogs", -1, "0 (3,4)"}, {"do|dogs", "", "hotdogs", -1, "0 (3,2)"},
             {"xyz|q|yz", "", "wxyz", -1, "0 (1,3)"}, {"CAT|dog", "i", "a cat", -1, "0 (2,3)"}, {"a|b", "", "ccc", -1, "0"},
             // A required final literal cuts the subject after its last occurrence (caseless by its
             // own options), so $ and look-ahead see that end.
             {"abc", "i", "xABCx", -1, "0 (1,3)"}, {"b.*c", "", "bcbc", -1, "0 (0,4)"}, {"a.*c$", "", "acbc", -1, "0 (0,4)"},
             {"x(?=yz)y", "", "xyz", -1, "0"}, {"(?i)x", "", "X", -1, "0 (0,1)"}, {"a(?i:b)c", "", "aBc", -1, "0 (0,3)"},
             {"ab+", "", "xabbbab", -1, "0 (1,4)"}, {"zz", "", "z", -1, "0"},
             // A leading literal: the first try is at its first occurrence.
             {"ab[cd]", "", "abxabd", -1, "0 (3,3)"}, {"ab*c", "", "xxac", -1, "0 (2,2)"}, {"a?bc", "", "xbc", -1, "0 (1,2)"},
             // Anchors: \A and ^ try the first position only, ^ with m every line start.
             {"\\Aa", "", "ba", -1, "0"}, {"^b", "", "a\nb", -1, "0"}, {"^b", "m", "a\nb", -1, "0 (2,1)"},
             {"^\\w+$", "m", "a b\ncd\n", -1, "0 (4,2)"}, {"^*b", "", "ab", -1, "0 (1,1)"}, {"\\A|b", "", "b", -1, "0 (0,0)"},
             {"^a|b", "", "cb", -1, "0 (1,1)"}, {"\\bx|y", "", "ay", -1, "0 (1,1)"},
             // A pattern that begins with .* starts only at line starts.
             {".*b", "", "a\nab", -1, "0 (2,2)"}, {".+", "", "\n\nxy", -1, "0 (2,2)"},
         }) {
        Options o;
        o.letters = letters;
        o.limit = limit;
        EXPECT_EQ(search(pattern, subject, o), want) << "/" << pattern << "/" << letters << " on " << subject;
    }
}

// Format 1 (the default) starts only at character starts, format 0 at every byte; inside a match
// the two read the subject alike.
TEST(RegExpSearch, StartPositionsByFormat) {
    for (const auto& [pattern, subject, utf8, bytes] : std::vector<std::tuple<std::string, std::string, std::string, std::string>>{
             {"\\xa9?\\xa9", "\xc3\xa9", "0", "0 (1,1)"}, {"\\C", "\xc3\xa9", "0 (0,1)", "0 (0,1)"},
             {"(?<=\\C)\\xa9", "\xc3\xa9", "0", "0 (1,1)"}, {"[^\\xc3]", "\xc3\xa9", "0", "0 (1,1)"},
             {"\\x80", "\x80\x80", "0 (0,1)", "0 (0,1)"},
             // The jumps to a literal, and the literal alternation, do not look at the format.
             {"\\xa9", "\xc3\xa9", "0 (1,1)", "0 (1,1)"}, {"\\xa9|z", "\xc3\xa9z", "0 (1,1)", "0 (1,1)"},
         }) {
        Options o;
        EXPECT_EQ(search(pattern, subject, o), utf8) << pattern;
        o.format = 0;
        EXPECT_EQ(search(pattern, subject, o), bytes) << pattern;
    }
    // After an empty match a global search moves on by one unit, whatever the format.
    Options o;
    o.letters = "g";
    EXPECT_EQ(search("", "\xc3\xa9" "a", o), "0 (0,0) (1,0) (2,0) (3,0)");
    EXPECT_EQ(search("\\b", "\xc3\xa9" "a", o), "0 (2,0) (3,0)");
}

// Subjects that begin right after and end right before an unreadable page, at every alignment:
// the assertions that look at the unit before or after a position, look-behind, a UTF-8
// character cut by the end, and the prefilter scans must stay inside.
TEST(RegExpSearch, SubjectsAtPageEdges) {
    guarded::Arena arena(1 << 16);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\\b", "ab"}, {"\\B$", "a b"}, {"x$", "x"}, {"\\Z", "ab\n"}, {"(?<=a)b", "ab"}, {"(?<!a)\\w", "b"},
        {"^", "\n"}, {".\\X", "a\xe2\x82"}, {"[\\x{20AC}]", "\xe2\x82"}, {"\\p{L}", "\xc3"}, {"(?<=\xc3\xa9)", "\xa9"},
        {"a.*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab"}, {"[xyz]{2}", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaxz"},
        {"(?i)Q", "qqqqqqqqqqqqqqqqqqqqqqqqqq"}, {"q|z", "aaaaaaaaaaaaaaaaaaaaaaaaz"}, {"z{2}", "aaaaaaaaaaaaaaaaazz"},
    };
    for (const auto& c : cases) {
        const std::string& pattern = c.first;  // a named variable: clang 14 lambdas cannot capture bindings
        const std::string& subject = c.second;
        for (const char* letters : {"", "gm"}) {
            auto state = compile(pattern, letters);
            ASSERT_NE(state, nullptr) << pattern;
            const std::string want = search(state.get(), subject);
            for (int len = 0; len <= static_cast<int>(subject.size()); ++len) {
                const std::vector<zet8u> text(subject.begin(), subject.begin() + len);
                const std::string expected = search(state.get(), std::string(text.begin(), text.end()));
                guarded::forEachPlacement(arena, text, zet8u{'a'}, [&](const zet8u* p, int align, guarded::Edge edge) {
                    RegExpMatchRecord rec[64];
                    zet32s n = 64;
                    const ZetStatus st = zetsRegExpFind_8u(p, len, state.get(), rec, &n);
                    EXPECT_EQ(regexp_search::show(st, rec, n, p), expected)
                        << pattern << " len " << len << " align " << align << (edge == guarded::Edge::End ? " end" : " start");
                });
            }
            EXPECT_FALSE(want.empty());
        }
    }
}

// Random patterns from every construct (including those where our rules are our own) over
// random subjects with UTF-8, stray bytes and newlines: the prefilters change no record and no
// status, at the default limit and at small ones.
TEST(RegExpSearch, PrefiltersChangeNothing) {
    static const char* const kPieces[] = {
        "a", "b", "ab", "abc", "x", "\\.", "\xc3\xa9", "\\xe9", "\\x{e9}", ".", "\\d", "\\w", "\\W", "\\s", "\\S", "\\C", "\\X",
        "[ab]", "[^a]", "[a-z]", "[\\w.+-]", "[[:alpha:]]", "[[:^digit:]]", "[\xc3\xa0-\xc3\xbf]", "\\p{L}", "\\p{Lu}",
        "\\P{L}", "\\p{Latin}", "\\p{InBasicLatin}", "*", "+", "?", "*?", "+?", "{2}", "{1,3}", "{0,2}?", "|", "(", "(?:",
        "(?i)", "(?i:", "(?=", "(?!", "(?<=a", "(?<!b", "(?>", ")", ")", ")", "^", "$", "\\b", "\\B", "\\A", "\\Z", "\\z",
        "\\1", "(?(1)a|b)", "(a)", "(?#c)", "\\n", "@", "ing", "Q"};
    static const char kAlphabet[][4] = {"a", "b", "c", "x", "A", "Q", ".", "@", "\n", " ", "1", "\xc3\xa9", "\xa9", "\xff", "ing"};
    std::mt19937 rng(1206);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    int compared = 0;
    for (int c = 0; c < 3000; ++c) {
        std::string pattern;
        for (int k = 1 + pick(6); k > 0; --k) pattern += kPieces[pick(static_cast<int>(std::size(kPieces)))];
        static const char* const kLetters[] = {"", "i", "m", "s", "g", "gi", "gm", "gs", "ims"};
        const char* letters = kLetters[pick(9)];
        auto state = compile(pattern, letters);
        if (state == nullptr) continue;
        for (int k = 0; k < 4; ++k) {
            std::string subject;
            for (int n = pick(24); n > 0; --n) subject += kAlphabet[pick(static_cast<int>(std::size(kAlphabet)))];
            Options with, without;
            with.limit = without.limit = k == 0 ? 1 + pick(6) : 10000;
            with.format = without.format = pick(4) == 0 ? 0 : 1;
            without.prefilter = false;
            ASSERT_EQ(search(state.get(), subject, with), search(state.get(), subject, without))
                << "/" << pattern << "/" << letters << " on \"" << subject << "\" limit " << with.limit;
            ++compared;
        }
    }
    EXPECT_GT(compared, 4000);
}

// The start-position shortcuts for a program that begins with an unbounded repeat of one item:
// after a failed attempt the rest of the item's run is passed over, and with a literal after the
// repeat that the item cannot take, only the run that ends at that literal is tried. Every
// combination of item, quantifier, literal and tail (the repeat alone or in a capture), over
// subjects made of the literal (both cases), members and non-members of the items, UTF-8 and
// stray bytes, at small limits and the default one: the same records and status with the
// shortcuts and without.
TEST(RegExpSearch, LeadingRunShortcutsChangeNothing) {
    static const char* const kItems[] = {"a", "[ab]", "[\\w.+-]", "\\w", "[^x]", "\\S", ".", "[a-z\xc3\xa9]", "\\p{L}", "\\C"};
    static const char* const kRepeats[] = {"+", "*", "{2,}", "+?", "*?", "{3,}?"};
    static const char* const kLiterals[] = {"x", "@", "X", "ing", "\\.", "a"};
    static const char* const kTails[] = {"", "b", "(a)?", "\\w+", "\\b", "(?<=x)", "|b", "$", "(x)\\1"};
    static const char* const kLetters[] = {"", "i", "g", "gi", "gs", "m"};
    static const char kAlphabet[][4] = {"a", "b", "x", "X", "@", ".", "ing", " ", "\n", "\xc3\xa9", "\xa9", "I", "B"};
    std::mt19937 rng(612);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    int compared = 0;
    int patterns = 0;
    for (const char* item : kItems)
        for (const char* repeat : kRepeats)
            for (const char* literal : kLiterals)
                for (const char* tail : kTails) {
                    // The repeat alone, as a leading capture, and in a repeated one.
                    const std::string run = std::string(item) + repeat;
                    const int wrap = ++patterns % 3;
                    const std::string pattern = (wrap == 0 ? run : "(" + run + (wrap == 1 ? ")" : "){2}")) + literal + tail;
                    const char* letters = kLetters[pick(static_cast<int>(std::size(kLetters)))];
                    auto state = compile(pattern, letters);
                    ASSERT_NE(state, nullptr) << pattern;
                    for (int k = 0; k < 3; ++k) {
                        std::string subject;
                        for (int n = pick(20); n > 0; --n) subject += kAlphabet[pick(static_cast<int>(std::size(kAlphabet)))];
                        Options with, without;
                        with.limit = without.limit = k == 0 ? 1 + pick(8) : 10000;
                        with.format = without.format = pick(3) == 0 ? 0 : 1;
                        without.prefilter = false;
                        ASSERT_EQ(search(state.get(), subject, with), search(state.get(), subject, without))
                            << "/" << pattern << "/" << letters << " on \"" << subject << "\" limit " << with.limit;
                        ++compared;
                    }
                }
    EXPECT_EQ(compared, 3 * 10 * 6 * 6 * 9);
}

// The literal window: a literal that every match holds a bounded number of bytes after its start.
// Prefixes of every bounded shape (alternatives of unequal widths, optional items, counted
// repeats, groups, non-ASCII and caseless items) before literals, over subjects that put the
// literal at every distance from a run of prefix characters: the same records with and without.
TEST(RegExpSearch, LiteralWindowChangesNothing) {
    static const char* const kPrefixes[] = {"\\d{1,3}", "(?:a|bc|d)", "[a-k]?c", "(\\w)\\w", "\\p{L}{2}", ".{0,2}", "(?:ab){2}",
                                            "(?:x(?:a|bb)){1,2}", "[\xc3\xa9" "a]b", "(?=a)\\w+?", "\\b[a-c]{2,3}", "(?<=b)a{1,2}", "\\C{1,3}"};
    static const char* const kLiterals[] = {"\\.", "@", "ab", "X"};
    static const char* const kTails[] = {"", "\\d{1,3}", "(a)?c"};
    static const char* const kLetters[] = {"", "i", "g", "gi"};
    static const char kAlphabet[][6] = {"1", "22", "a", "b", "c", "x", "ab", "bc", ".", "@", "X", "x", "k", "\xc3\xa9", "\xe2\x82\xac", "\xe2\x84\xaa" "c", "\xa9", " "};
    std::mt19937 rng(1207);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    int compared = 0;
    for (const char* prefix : kPrefixes)
        for (const char* literal : kLiterals)
            for (const char* tail : kTails)
                for (const char* letters : kLetters) {
                    const std::string pattern = std::string(prefix) + literal + tail;
                    auto state = compile(pattern, letters);
                    ASSERT_NE(state, nullptr) << pattern;
                    for (int k = 0; k < 6; ++k) {
                        std::string subject;
                        for (int n = 4 + pick(40); n > 0; --n) subject += kAlphabet[pick(static_cast<int>(std::size(kAlphabet)))];
                        Options with, without;
                        with.limit = without.limit = k == 0 ? 1 + pick(8) : 10000;
                        with.format = without.format = k % 3 == 2 ? 0 : 1;
                        without.prefilter = false;
                        ASSERT_EQ(search(state.get(), subject, with), search(state.get(), subject, without))
                            << "/" << pattern << "/" << letters << " on \"" << subject << "\" limit " << with.limit;
                        ++compared;
                    }
                }
    EXPECT_EQ(compared, 13 * 4 * 3 * 4 * 6);
}

// The run literal: zero-width assertions, a repeat of one item, then a literal, over subjects
// where bytes the item takes and bytes it does not alternate with the literal (both cases), UTF-8
// and stray bytes: the same records with and without the prefilters.
TEST(RegExpSearch, RunLiteralChangesNothing) {
    static const char* const kAsserts[] = {"", "\\b", "\\B", "(?=\\w)", "(?<!-)", "^"};
    static const char* const kItems[] = {"\\w", "[a-c\xc3\xa9]", "[^ ]", "a", "\\d"};
    static const char* const kRepeats[] = {"+", "*", "{2,}", "{1,3}", "+?", "{2,4}?"};
    static const char* const kLiterals[] = {"ing", "b", "-", "Ab"};
    static const char* const kLetters[] = {"", "i", "g", "gim"};
    static const char kAlphabet[][4] = {"a", "b", "c", "ing", "Ab", "-", " ", "1", "\n", "\xc3\xa9", "\xa9", "I"};
    std::mt19937 rng(1208);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    int compared = 0;
    for (const char* assertion : kAsserts)
        for (const char* item : kItems)
            for (const char* repeat : kRepeats)
                for (const char* literal : kLiterals) {
                    const std::string pattern = std::string(assertion) + item + repeat + literal + (pick(2) ? "\\b" : "");
                    const char* letters = kLetters[pick(static_cast<int>(std::size(kLetters)))];
                    auto state = compile(pattern, letters);
                    ASSERT_NE(state, nullptr) << pattern;
                    for (int k = 0; k < 4; ++k) {
                        std::string subject;
                        for (int n = pick(30); n > 0; --n) subject += kAlphabet[pick(static_cast<int>(std::size(kAlphabet)))];
                        Options with, without;
                        with.limit = without.limit = k == 0 ? 1 + pick(6) : 10000;
                        with.format = without.format = k == 3 ? 0 : 1;
                        without.prefilter = false;
                        ASSERT_EQ(search(state.get(), subject, with), search(state.get(), subject, without))
                            << "/" << pattern << "/" << letters << " on \"" << subject << "\" limit " << with.limit;
                        ++compared;
                    }
                }
    EXPECT_EQ(compared, 6 * 5 * 6 * 4 * 4);
}

}  // namespace
