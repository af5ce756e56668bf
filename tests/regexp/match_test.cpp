// The matcher: what each node matches, how repeats, groups, conditionals, atomic groups and
// look-around backtrack, the rules of ours that differ from other engines on purpose, the match
// limit at the edges, and the stack guard on deep recursion.
#include <gtest/gtest.h>
#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <pthread.h>
#endif

#include <climits>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "regexp/matcher.h"
#include "support/regexp_search.h"

namespace {

using regexp_search::search;
using regexp_search::Options;

struct Case {
    std::string pattern;
    const char* options;
    std::string subject;
    std::string want;  // status and records, as regexp_search::show writes them
};

void expectAll(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        Options o;
        o.letters = c.options;
        EXPECT_EQ(search(c.pattern, c.subject, o), c.want) << "/" << c.pattern << "/" << c.options << " on \"" << c.subject << "\"";
    }
}

TEST(RegExpMatch, Nodes) {
    expectAll({
        // Literals, with case folding of ASCII letters only; strings compare as blocks.
        {"abc", "", "xxabcx", "0 (2,3)"}, {"ABC", "i", "abc", "0 (0,3)"}, {"[x]b\\x41", "i", "XBa", "0 (0,3)"},
        {"\xc3\xa9", "i", "\xc3\x89", "0"}, {"a\\x{e9}", "i", "A\xc3\x89", "0 (0,3)"}, {"\\0012", "", "\x01" "2", "0 (0,2)"},
        {"\\777", "", "\xff", "0"}, {"\\cA", "", "\x01", "0 (0,1)"},
        // Types judge a character by its first byte and take the whole UTF-8 character.
        {".", "", "\xc3\xa9", "0 (0,2)"}, {"\\w", "", "\xc3\xa9", "0"}, {"\\W", "", "\xc3\xa9", "0 (0,2)"},
        {"\\s", "", "\x0b \t", "0 (1,1)"}, {".", "", "\n", "0"}, {".", "s", "\n", "0 (0,1)"}, {"\\d+", "", "x0129y", "0 (1,4)"},
        {"\\C\\C", "", "\xc3\xa9", "0 (0,2)"}, {".", "", "\xe2\x82", "0 (0,1)"}, {"..", "", "\xf0\x9f\x98\x80x", "0 (0,5)"},
        // Classes: members, negation, ranges over code points, case folding of wide characters.
        {"[a-c]+", "", "xbcay", "0 (1,3)"}, {"[^a-c]", "", "ab\xc3\xa9", "0 (2,2)"}, {"[\\x{100}-\\x{200}]", "", "\xc4\x80", "0 (0,2)"},
        {"[\xc3\x80-\xc3\x9e]", "i", "\xc3\xa9", "0 (0,2)"}, {"[[:^alpha:]]", "", "a\xc3\xa9", "0 (1,2)"},
        {"[[:^digit:]\\d]", "", "5", "0 (0,1)"}, {"[\\w\\s]+", "", "a b\xc3\xa9", "0 (0,3)"}, {"[^\\w]", "", "a\xff", "0 (1,1)"},
        // Properties and extended characters.
        {"\\p{Lu}", "", "a\xc3\x80", "0 (1,2)"}, {"\\p{Han}+", "", "x\xe4\xb8\x80\xe4\xb8\x81", "0 (1,6)"},
        {"\\P{L}", "", "ab1", "0 (2,1)"}, {"\\p{InBasicLatin}", "", "\xc3\xa9z", "0 (2,1)"},
        {"\\X", "", "e\xcc\x81\xcc\x82x", "0 (0,5)"}, {"\\X\\X", "", "\xcc\x81" "ab", "0 (2,2)"},
        {"\\x{263A}", "", "\xe2\x98\xba", "0 (0,3)"},
        // Assertions.
        {"x$", "", "x\n", "0 (0,1)"}, {"x$", "", "x\ny", "0"}, {"x$", "m", "x\ny", "0 (0,1)"}, {"^b", "m", "a\nb", "0 (2,1)"},
        {"\\Aa", "", "ba", "0"}, {"a\\Z", "", "a\n", "0 (0,1)"}, {"a\\z", "", "a\n", "0"}, {"\\bfoo\\b", "", "a foo", "0 (2,3)"},
        {"\\B", "", "a  b", "0 (2,0)"}, {"\\b", "", "", "0"}, {"\\B", "", "", "0 (0,0)"}, {"a\\Gb", "", "ab", "0"},
        // An assertion with a repeat: skipped untested when the repeat may skip it, else tested once.
        {"a\\b?b", "", "ab", "0 (0,2)"}, {"a\\b{1,3}b", "", "ab", "0"}, {"a\\b+", "", "a", "0 (0,1)"},
        // Back-references compare the capture byte by byte; an unset group matches nothing.
        {"(a)\\1", "i", "aA", "0 (0,2) (0,1)"}, {"(a)?x\\1", "", "x", "0"}, {"(a*)b\\1+", "", "aabaaaa", "0 (0,7) (0,2)"},
        {"(a*)b\\1*c", "", "bc", "0 (0,2) (0,0)"}, {"(a)?\\1*x", "", "x", "0 (0,1) unset"}, {"(x)?\\1{1,2}y", "", "y", "0"},
    });
}

TEST(RegExpMatch, RepeatsAndBacktracking) {
    expectAll({
        {"a*ab", "", "aaab", "0 (0,4)"}, {"a*?ab", "", "aaab", "0 (0,4)"}, {"a{2,3}", "", "aaaa", "0 (0,3)"},
        {"a{2,3}?", "", "aaaa", "0 (0,2)"}, {"a{3}", "", "aa", "0"}, {"x[ab]*?b", "", "xaabab", "0 (0,4)"},
        {"\\d*?5", "", "12345", "0 (0,5)"}, {"a*b{0,1}?ab", "", "aab", "0 (0,3)"}, {"[ab]{2,}c", "", "aababc", "0 (0,6)"},
        {".*\xc3\xa9", "", "a\xc3\xa9\xc3\xa9x", "0 (0,5)"}, {"\\W*\\W\xc3\xa9", "", "\xc3\xa9\xc3\xa9", "0 (0,4)"},
        {"[^x]*\xc3", "", "a\xc3\xa9\xc3", "0 (0,4)"}, {"\\X*e", "", "e\xcc\x81" "e", "0 (0,4)"},
        {"\\p{L}*?\\p{Lu}", "", "ab\xc3\x80", "0 (0,4)"}, {"(?:ab)*?c", "", "ababc", "0 (0,5)"},
        {"\\Qab\\E*", "", "abab", "0"},  // a quoted string takes no quantifier
    });
}

TEST(RegExpMatch, GroupsAndLookAround) {
    expectAll({
        {"(a)*", "", "aaa", "0 (0,3) (2,1)"}, {"(a*)*", "", "b", "0 (0,0) (0,0)"}, {"(a|ab)c", "", "abc", "0 (0,3) (0,2)"},
        {"(?>a+)b", "", "aaab", "0 (0,4)"}, {"(?>a+)ab", "", "aaab", "0"}, {"(?>a|ab)c", "", "abc", "0"},
        {"(?>a)*?b", "", "aab", "0 (0,3)"}, {"(?>ab|a){2,}c", "", "ababac", "0 (0,6)"}, {"x(?>a*)", "", "x", "0 (0,1)"},
        {"(?<=ab)c", "", "abc", "0 (2,1)"}, {"(?<!ab)c", "", "abc", "0"}, {"(?<=\xc3\xa9)x", "", "\xc3\xa9x", "0 (2,1)"},
        {"(?<=.)x", "", "\xc3\xa9x", "0 (2,1)"}, {"(?<=a.)x", "", "\xc3\xa9x", "0"},
        // Fewer characters than the width before the position: the body starts that many bytes back.
        {"(?<=^..)x", "", "\xc3\xa9x", "0 (2,1)"},
        {"(?=(a))a", "", "a", "0 (0,1) (0,1)"}, {"(?!(a)b)a", "", "ac", "0 (0,1) unset"}, {"a(?=b)", "", "acab", "0 (2,1)"},
        {"(a)?(?(1)b|c)", "", "ab", "0 (0,2) (0,1)"}, {"(a)?(?(1)b|c)", "", "c", "0 (0,1) unset"},
        {"(?(?=a)ab|cd)", "", "cd", "0 (0,2)"}, {"(?(?=a)ab|cd)", "", "ab", "0 (0,2)"}, {"(a)?(?(1)b)c", "", "c", "0 (0,1) unset"},
        {"(?:(?(1)a|b)(x))+", "", "bxax", "0 (0,4) (3,1)"}, {"(?i:a)b", "", "Ab", "0 (0,2)"}, {"(?i:a)b", "", "AB", "0"},
        {"a(?i)b|c", "", "C", "0 (0,1)"}, {"(a(?i)b)c", "", "aBc", "0 (0,3) (0,2)"}, {"(a(?i)b)c", "", "aBC", "0"},
        {"(?:a|b)+?c", "", "abac", "0 (0,4)"}, {"(a|b){2}", "", "ab", "0 (0,2) (1,1)"}, {"(a){0}b", "", "ab", "0 (1,1) unset"},
        // Rules of ours: an empty repetition ends the repeat, even below its minimum; a capture
        // given up with its repetition keeps its value; one frame serves every activation of a
        // group; the subject is cut after the last required final literal; a capture made in a
        // look-ahead stays when what follows fails.
        {"(|a){2}b", "", "ab", "0 (0,2) (1,0)"}, {"(b)*b", "", "bb", "0 (0,2) (1,1)"}, {"(?:(a|ab))+c", "", "abc", "0"},
        {"x(?=yz)y", "", "xyz", "0"}, {"(?=(a))b|a", "", "a", "0 (0,1) (0,1)"}, {"(?:x)+", "", "xxx", "0 (0,3)"},
    });
}

// The match limit bounds the nesting: the smallest limit at which each pattern matches, and
// one less.
TEST(RegExpMatch, LimitAtTheEdges) {
    for (const auto& [pattern, subject, smallest, want] : std::vector<std::tuple<std::string, std::string, int, std::string>>{
             {"a", "a", 2, "0 (0,1)"},           // the node, then the end of the program
             {"abc", "abc", 2, "0 (0,3)"},       // one string node
             {"a*", "aaaaaaaaaa", 2, "0 (0,10)"},  // a repeat nests once whatever it takes
             {"ab*c", "abbbc", 4, "0 (0,5)"},    {"(a)", "a", 4, "0 (0,1) (0,1)"},
             {"(a)*", "aaa", 8, "0 (0,3) (2,1)"}, {"(?=a)a", "a", 3, "0 (0,1)"},
             {"[ab]*c", "ababc", 3, "0 (0,5)"},   {"(?>a)*b", "aab", 3, "0 (0,3)"},
         }) {
        Options o;
        o.limit = smallest;
        EXPECT_EQ(search(pattern, subject, o), want) << pattern << " at " << smallest;
        o.limit = smallest - 1;
        const std::string shorter = search(pattern, subject, o);
        EXPECT_NE(shorter, want) << pattern << " at " << smallest - 1;
    }
    // Limit 0: no attempt gets past its first node, but a literal alternation needs no matcher.
    Options zero;
    zero.limit = 0;
    EXPECT_EQ(search("a*", "aa", zero), "0");
    EXPECT_EQ(search("cat|dog", "hotdogcat", zero), "0 (3,3)");
    // The default limit lets a repeat of one node take any number of characters, a repeated
    // group about 5,000 repetitions.
    const std::string as(50000, 'a');
    EXPECT_EQ(search("a*", as), "0 (0,50000)");
    EXPECT_EQ(search("(a)*", as), "0 (0,4999) (4998,1)");
}

// A search with the limit at its largest over a long subject recurses until the stack guard
// stops it: the answer is a shorter match, never a crash, on any thread.
struct DeepSearch {
    std::string pattern;
    const std::string* subject;
    std::string result;
};

void* runDeep(void* arg) {
    auto* d = static_cast<DeepSearch*>(arg);
    Options o;
    o.limit = INT_MAX;
    d->result = search(d->pattern, *d->subject, o);
    return nullptr;
}

#if defined(_WIN32)
DWORD WINAPI runDeepThread(void* arg) {
    runDeep(arg);
    return 0;
}
#endif

std::string onThread(std::size_t stackBytes, DeepSearch& d) {
    if (stackBytes == 0) {
        runDeep(&d);
        return d.result;
    }
#if defined(_WIN32)
    // The size must be the reservation: otherwise it is only what is committed at the start, and
    // the stack may grow to the program's default of megabytes.
    HANDLE t = CreateThread(nullptr, stackBytes, runDeepThread, &d, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (t == nullptr) return "no thread";
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
#else
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, stackBytes);
    pthread_t t;
    if (pthread_create(&t, &attr, runDeep, &d) != 0) return "no thread";
    pthread_join(t, nullptr);
    pthread_attr_destroy(&attr);
#endif
    return d.result;
}

// ThreadSanitizer keeps its own record of every thread's calls, of a fixed size that a recursion
// through the main thread's 8 MiB overflows long before the stack does: there only the threads
// with small stacks are tried. In sanitizer builds the guard keeps 96 KiB free, more than a
// 64 KiB stack has: a search there finds no match, a bounded answer too.
#if defined(__SANITIZE_THREAD__)
constexpr bool kTsan = true, kSanitized = true;
#elif defined(__SANITIZE_ADDRESS__)
constexpr bool kTsan = false, kSanitized = true;
#elif defined(__has_feature)
constexpr bool kTsan = __has_feature(thread_sanitizer);
constexpr bool kSanitized = kTsan || __has_feature(address_sanitizer);
#else
constexpr bool kTsan = false, kSanitized = false;
#endif

// The two thread stacks compared. Wine gives every thread at least 1 MiB, whatever it asks for.
#if defined(_WIN32)
constexpr std::size_t kSmallStack = std::size_t{1} << 20, kLargeStack = std::size_t{2} << 20;
#else
constexpr std::size_t kSmallStack = std::size_t{64} << 10, kLargeStack = std::size_t{256} << 10;
#endif

TEST(RegExpMatch, StackGuardBoundsDeepRecursion) {
    std::string subject(4 << 20, 'a');
    for (std::size_t i = 1; i < subject.size(); i += 3) subject[i] = 'b';
    const std::string as(4 << 20, 'a');
    for (const char* pattern : {"(a)*", "(?:a|b)*", "[ab]*", "(?>a)*", "((a)|b)*", "(?>[ab])*"}) {
        const std::string* s = std::string(pattern).find('b') != std::string::npos ? &subject : &as;
        int reached[2] = {0, 0};  // repetitions on the large and the small stack (0: no match)
        // Smaller stack first: the C library may hand a new thread the cached, larger stack of
        // a thread that has ended.
        for (std::size_t stack : {std::size_t{0}, kSmallStack, kLargeStack}) {
            if (stack == 0 && kTsan) continue;
            DeepSearch d{pattern, s, ""};
            const std::string r = onThread(stack, d);
            if (kSanitized && stack == kSmallStack && r == "0") continue;
            int start = -1, len = -1;
            ASSERT_EQ(std::sscanf(r.c_str(), "0 (%d,%d)", &start, &len), 2) << pattern << " stack " << stack << ": " << r;
            EXPECT_EQ(start, 0);
            EXPECT_GT(len, 0) << pattern << " stack " << stack;
            EXPECT_LE(len, 4 << 20);
            if (stack != 0) reached[stack == kSmallStack] = len;
        }
        // The guard uses the stack that is there: where the small stack stopped a recursion short,
        // a larger one goes deeper, and the difference gives what one repetition costs (the
        // README quotes it). Repeats that run as loops take the whole subject on any stack.
        if (reached[1] == 4 << 20) continue;
        ASSERT_GT(reached[0], reached[1]) << pattern;
        if (reached[1] > 0)
            std::printf("%-10s %6.0f stack bytes per repetition\n", pattern, static_cast<double>(kLargeStack - kSmallStack) / (reached[0] - reached[1]));
    }
}

}  // namespace
