// Regular-expression state objects: size, argument checks, the options string, the header after
// success and failure, the allocating constructor and the two settings.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "regexp/program.h"
#include "support/regexp_program.h"
#include "support/zetcore_double.h"

namespace {

using namespace zet::rx;

constexpr zet32u kPoison = 0xA5A5A5A5u;

struct Block {
    explicit Block(const char* pattern) {
        zet32s size = 0;
        zetsRegExpGetSize(pattern, &size);
        words.assign(static_cast<std::size_t>(size) / 4, kPoison);
    }
    RegExpState* state() { return reinterpret_cast<RegExpState*>(words.data()); }
    bool untouched() const {
        for (zet32u w : words)
            if (w != kPoison) return false;
        return true;
    }
    std::vector<zet32u> words;
};

TEST(RegExpState, SizeIsFixedPartPlusTwentyBytesPerPatternByte) {
    zet32s size = -1;
    EXPECT_EQ(zetsRegExpGetSize("", &size), zetStatusOk);
    EXPECT_EQ(size, 40052);
    EXPECT_EQ(zetsRegExpGetSize("a)(", &size), zetStatusOk);  // not parsed
    EXPECT_EQ(size, 40112);
    size = -1;
    EXPECT_EQ(zetsRegExpGetSize(nullptr, &size), zetStatusNullPointer);
    EXPECT_EQ(zetsRegExpGetSize("a", nullptr), zetStatusNullPointer);
    EXPECT_EQ(size, -1);
}

// A pattern whose block would exceed a signed 32-bit size is refused instead of given a wrapped
// size; the longest pattern that fits is 107,372,179 bytes.
TEST(RegExpState, PatternsTooLongForA32BitSizeAreRefused) {
    std::string pattern(107372180, 'a');
    zet32s size = -1, offset = -1;
    Block small("");
    EXPECT_EQ(zetsRegExpGetSize(pattern.c_str(), &size), zetStatusBadLength);
    EXPECT_EQ(zetsRegExpInit(pattern.c_str(), "?", small.state(), &offset), zetStatusBadLength);
    RegExpState* allocated = small.state();
    EXPECT_EQ(zetsRegExpInitAlloc(pattern.c_str(), nullptr, &allocated, &offset), zetStatusBadLength);
    EXPECT_EQ(allocated, nullptr);
    EXPECT_EQ(size, -1);
    EXPECT_EQ(offset, -1);
    EXPECT_TRUE(small.untouched());
    pattern.resize(107372179);
    EXPECT_EQ(zetsRegExpGetSize(pattern.c_str(), &size), zetStatusOk);
    EXPECT_EQ(size, 2147483632);
}

TEST(RegExpState, InitChecksPointersThenOptions) {
    Block b("a");
    zet32s offset = -1;
    EXPECT_EQ(zetsRegExpInit(nullptr, "q", b.state(), &offset), zetStatusNullPointer);
    EXPECT_EQ(zetsRegExpInit("a", "q", nullptr, &offset), zetStatusNullPointer);
    EXPECT_EQ(zetsRegExpInit("a", "q", b.state(), nullptr), zetStatusNullPointer);
    EXPECT_EQ(offset, -1);
    EXPECT_TRUE(b.untouched());

    for (const char* ok : {"gimsx", "xsmig", "ggg", "", static_cast<const char*>(nullptr)}) {
        Block c("a");
        EXPECT_EQ(zetsRegExpInit("a", ok, c.state(), &offset), zetStatusOk) << (ok ? ok : "null");
    }
    // A bad option letter is reported at offset 0 before the pattern is looked at.
    for (const char* bad : {"I", "q", "-", " ", "gimsxG", "i m"}) {
        Block c("a)");
        offset = -1;
        EXPECT_EQ(zetsRegExpInit("a)", bad, c.state(), &offset), zetStatusRegExpBadOption) << bad;
        EXPECT_EQ(offset, 0);
        EXPECT_TRUE(c.untouched()) << bad;
    }
}

TEST(RegExpState, HeaderAfterSuccess) {
    struct Case {
        const char* pattern;
        const char* options;
        zet32u bits;
        zet32s nodes, groups, required, kind;
    };
    for (const Case& c : {Case{"", nullptr, 0, 0, 1, -1, 0}, Case{"a", "gx", 24, 1, 1, 0, 1},
                          Case{"(a)(b)|c", "ims", 7, 8, 3, -2, 0}, Case{"ab|cd", "s", 1, 3, 1, -2, 2}}) {
        Block b(c.pattern);
        zet32s offset = -7;
        ASSERT_EQ(zetsRegExpInit(c.pattern, c.options, b.state(), &offset), zetStatusOk);
        const RegExpState* s = b.state();
        EXPECT_EQ(offset, -7) << "left alone on success";
        EXPECT_EQ(s->magic, kRegExpMagic);
        EXPECT_EQ(std::memcmp(&s->magic, "rgEx", 4), 0);
        EXPECT_EQ(s->options, c.bits) << c.pattern;
        EXPECT_EQ(s->nodeCount, c.nodes) << c.pattern;
        EXPECT_EQ(s->groupCount, c.groups) << c.pattern;
        EXPECT_EQ(s->requiredLiteral, c.required) << c.pattern;
        EXPECT_EQ(s->matchLimit, 10000);
        EXPECT_EQ(s->format, 1);
        EXPECT_EQ(s->patternKind, c.kind) << c.pattern;
    }
}

// The structure check fails before anything is written; a later failure leaves the fields of the
// structure check written and the others as they were.
TEST(RegExpState, HeaderAfterFailure) {
    Block early("a)");
    zet32s offset = -1;
    EXPECT_EQ(zetsRegExpInit("a)", "m", early.state(), &offset), zetStatusRegExpSyntax);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(early.words[i], kPoison) << "header word " << i;

    Block late("(a)(b)\\3");
    EXPECT_EQ(zetsRegExpInit("(a)(b)\\3", "m", late.state(), &offset), zetStatusRegExpBadReference);
    EXPECT_EQ(offset, 7);
    const RegExpState* s = late.state();
    EXPECT_EQ(s->magic, kRegExpMagic);
    EXPECT_EQ(s->options, 2u);
    EXPECT_EQ(s->groupCount, 3);
    EXPECT_EQ(s->format, 1);
    for (zet32s field : {s->nodeCount, s->requiredLiteral, s->matchLimit, s->patternKind})
        EXPECT_EQ(static_cast<zet32u>(field), kPoison);
}

TEST(RegExpState, ReinitialisingTheSameBlockGivesAFreshProgram) {
    Block b("(a+|b)*c(?<=c)xyz");
    zet32s offset;
    ASSERT_EQ(zetsRegExpInit("(a+|b)*c(?<=c)xyz", "i", b.state(), &offset), zetStatusOk);
    ASSERT_EQ(zetsRegExpInit("ab|cd", nullptr, b.state(), &offset), zetStatusOk);
    EXPECT_EQ(regexp_program::listing(b.state()), regexp_program::compile("ab|cd").lines());
}

TEST(RegExpState, MatchLimitAndFormat) {
    Block b("a");
    zet32s offset;
    ASSERT_EQ(zetsRegExpInit("a", nullptr, b.state(), &offset), zetStatusOk);
    RegExpState* s = b.state();
    EXPECT_EQ(zetsRegExpSetMatchLimit(-1, nullptr), zetStatusNullPointer);
    EXPECT_EQ(zetsRegExpSetMatchLimit(-1, s), zetStatusBadLength);
    EXPECT_EQ(s->matchLimit, 10000);
    EXPECT_EQ(zetsRegExpSetMatchLimit(0, s), zetStatusOk);
    EXPECT_EQ(s->matchLimit, 0);
    EXPECT_EQ(zetsRegExpSetMatchLimit(123456, s), zetStatusOk);
    EXPECT_EQ(s->matchLimit, 123456);

    EXPECT_EQ(zetsRegExpSetFormat(2, nullptr), zetStatusNullPointer);
    EXPECT_EQ(zetsRegExpSetFormat(2, s), zetStatusBadFormat);
    EXPECT_EQ(zetsRegExpSetFormat(-1, s), zetStatusBadFormat);
    EXPECT_EQ(s->format, 1);
    EXPECT_EQ(zetsRegExpSetFormat(0, s), zetStatusOk);
    EXPECT_EQ(s->format, 0);
    EXPECT_EQ(zetsRegExpSetFormat(1, s), zetStatusOk);
    EXPECT_EQ(s->format, 1);
    // Neither looks at the magic, and each changes only its own field.
    Block raw("");
    EXPECT_EQ(zetsRegExpSetMatchLimit(5, raw.state()), zetStatusOk);
    EXPECT_EQ(zetsRegExpSetFormat(0, raw.state()), zetStatusOk);
    EXPECT_EQ(raw.words[5], 5u);
    EXPECT_EQ(raw.words[6], 0u);
    raw.words[5] = raw.words[6] = kPoison;
    EXPECT_TRUE(raw.untouched());
}

TEST(RegExpState, InitAllocChecksAllocatesAndFreesOnFailure) {
    zetcore_double::CoreScope scope;
    RegExpState* const sentinel = reinterpret_cast<RegExpState*>(std::uintptr_t{0x1000});
    RegExpState* s = sentinel;
    zet32s offset = -1;
    EXPECT_EQ(zetsRegExpInitAlloc("a", nullptr, nullptr, &offset), zetStatusNullPointer);
    EXPECT_EQ(zetsRegExpInitAlloc(nullptr, nullptr, &s, &offset), zetStatusNullPointer);
    EXPECT_EQ(s, sentinel);
    EXPECT_EQ(zetcore_double::mallocCalls(), 0);

    // The allocator fails: null stored, -8.
    zetcore_double::failNextMallocs(1);
    EXPECT_EQ(zetsRegExpInitAlloc("abc", nullptr, &s, &offset), zetStatusNullPointer);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(zetcore_double::mallocCalls(), 1);
    EXPECT_EQ(zetcore_double::freeCalls(), 0);

    // Init fails after the allocation: the block goes back and Init's status comes out unchanged.
    struct Failure {
        const char* pattern;
        const char* options;
        zet32s* offset;
        ZetStatus status;
    };
    int mallocs = 1;
    for (const Failure& f : {Failure{"abc", nullptr, nullptr, zetStatusNullPointer},
                             Failure{"abc", "X", &offset, zetStatusRegExpBadOption},
                             Failure{"a(b", nullptr, &offset, zetStatusRegExpSyntax},
                             Failure{"[z-a]", nullptr, &offset, zetStatusRegExpBadClass}}) {
        s = sentinel;
        EXPECT_EQ(zetsRegExpInitAlloc(f.pattern, f.options, &s, f.offset), f.status) << f.pattern;
        EXPECT_EQ(s, nullptr);
        EXPECT_EQ(zetcore_double::mallocCalls(), ++mallocs);
        EXPECT_EQ(zetcore_double::freeCalls(), mallocs - 1);
    }
    EXPECT_EQ(offset, 3);  // of the last failure

    ASSERT_EQ(zetsRegExpInitAlloc("a(b|cd)*e", "i", &s, &offset), zetStatusOk);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(regexp_program::listing(s), regexp_program::compile("a(b|cd)*e", "i").lines());
    zetsRegExpFree(s);
    zetsRegExpFree(nullptr);
    EXPECT_EQ(zetcore_double::freeCalls(), mallocs + 1);
}

}  // namespace
