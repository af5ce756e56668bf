// Regular-expression states: size, argument checks, the header, allocation and the two settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/regexp_program.h"
#include "support/zetcore_double.h"

namespace {

constexpr zet32u kPoison = 0xA5A5A5A5u;

struct Block : std::vector<zet32u> {
    explicit Block(const char* pattern) : std::vector<zet32u>((40052 + 20 * std::strlen(pattern)) / 4, kPoison) {}
    RegExpState* state() { return reinterpret_cast<RegExpState*>(data()); }
    bool untouched() const { return std::all_of(begin(), end(), [](zet32u w) { return w == kPoison; }); }
};

// 40052 bytes plus 20 per pattern byte (not parsed), while that fits in a signed 32-bit size.
TEST(RegExpState, SizeFormulaAndItsLimit) {
    zet32s size = -1, offset = -1;
    EXPECT_TRUE(zetsRegExpGetSize(nullptr, &size) == zetStatusNullPointer &&
                zetsRegExpGetSize("a", nullptr) == zetStatusNullPointer);
    std::string pattern(107372180, ')');
    Block small("");
    RegExpState* allocated = small.state();
    EXPECT_EQ(zetsRegExpGetSize(pattern.c_str(), &size), zetStatusBadLength);
    EXPECT_EQ(zetsRegExpInit(pattern.c_str(), "?", small.state(), &offset), zetStatusBadLength);
    EXPECT_EQ(zetsRegExpInitAlloc(pattern.c_str(), nullptr, &allocated, &offset), zetStatusBadLength);
    EXPECT_TRUE(allocated == nullptr && size == -1 && offset == -1 && small.untouched());
    for (const auto& [len, want] : {std::pair{107372179, 2147483632}, {3, 40112}, {0, 40052}}) {
        pattern.resize(static_cast<std::size_t>(len));
        EXPECT_EQ(zetsRegExpGetSize(pattern.c_str(), &size), zetStatusOk);
        EXPECT_EQ(size, want);
    }
}

// Pointers first, then option letters (offset 0); a structure error leaves the header unwritten,
// a later one only what the structure check writes.
TEST(RegExpState, ChecksAndTheHeader) {
    zet32s offset = -1;
    Block b("a)");
    for (const auto& [pattern, state, errOffset] : {std::tuple{static_cast<const char*>(nullptr), b.state(), &offset},
                                                    {"a)", nullptr, &offset}, {"a)", b.state(), nullptr}})
        EXPECT_EQ(zetsRegExpInit(pattern, "q", state, errOffset), zetStatusNullPointer);
    for (const char* bad : {"I", "q", "-", " ", "gimsxG", "i m"}) {
        EXPECT_EQ(offset, -1);
        EXPECT_EQ(zetsRegExpInit("a)", bad, b.state(), &offset), zetStatusRegExpBadOption) << bad;
        EXPECT_EQ(std::exchange(offset, -1), 0);
    }
    EXPECT_EQ(zetsRegExpInit("a)", "m", b.state(), &offset), zetStatusRegExpSyntax);
    EXPECT_TRUE(b.untouched());
    Block late("(a)(b)\\3");
    EXPECT_EQ(zetsRegExpInit("(a)(b)\\3", "m", late.state(), &offset), zetStatusRegExpBadReference);
    EXPECT_EQ(offset, 7);
    const RegExpState* s = late.state();
    EXPECT_TRUE(std::memcmp(&s->magic, "rgEx", 4) == 0 && s->options == 2 && s->groupCount == 3 && s->format == 1);
    EXPECT_TRUE(late[2] == kPoison && late[4] == kPoison && late[5] == kPoison && late[7] == kPoison);
    for (const auto& [options, bits] : {std::pair{"gx", 24u}, {"ximsxg", 31u}, {"", 0u}, {nullptr, 0u}}) {
        ASSERT_EQ(zetsRegExpInit("a", options, late.state(), &offset), zetStatusOk);
        EXPECT_TRUE(offset == 7 && late.state()->options == bits) << options;  // offset left alone
    }
    EXPECT_EQ(regexp_program::dump(late.state()), regexp_program::compile("a").dump());  // a fresh program
}

// Neither setting looks at the magic or changes anything but its own field (words 5 and 6).
TEST(RegExpState, MatchLimitAndFormat) {
    Block b("");
    EXPECT_TRUE(zetsRegExpSetMatchLimit(1, nullptr) == zetStatusNullPointer &&
                zetsRegExpSetFormat(1, nullptr) == zetStatusNullPointer);
    EXPECT_EQ(zetsRegExpSetMatchLimit(-1, b.state()), zetStatusBadLength);
    EXPECT_TRUE(zetsRegExpSetFormat(2, b.state()) == zetStatusBadFormat &&
                zetsRegExpSetFormat(-1, b.state()) == zetStatusBadFormat);
    EXPECT_TRUE(b.untouched());
    for (const auto& [limit, format] : {std::pair{0, 0}, {123456, 1}}) {
        EXPECT_TRUE(zetsRegExpSetMatchLimit(limit, b.state()) == zetStatusOk && zetsRegExpSetFormat(format, b.state()) == zetStatusOk);
        EXPECT_TRUE(b[5] == static_cast<zet32u>(limit) && b[6] == static_cast<zet32u>(format));
    }
    b[5] = b[6] = kPoison;
    EXPECT_TRUE(b.untouched());
}

TEST(RegExpState, InitAllocChecksAllocatesAndFreesOnFailure) {
    zetcore_double::CoreScope scope;
    RegExpState* const sentinel = reinterpret_cast<RegExpState*>(std::uintptr_t{0x1000});
    RegExpState* s = sentinel;
    zet32s offset = -1;
    EXPECT_EQ(zetsRegExpInitAlloc("a", nullptr, nullptr, &offset), zetStatusNullPointer);
    EXPECT_EQ(zetsRegExpInitAlloc(nullptr, nullptr, &s, &offset), zetStatusNullPointer);
    EXPECT_TRUE(s == sentinel && zetcore_double::mallocCalls() == 0);
    zetcore_double::failNextMallocs(1);  // the allocation fails: null stored
    EXPECT_EQ(zetsRegExpInitAlloc("abc", nullptr, &s, &offset), zetStatusNullPointer);
    EXPECT_TRUE(s == nullptr && zetcore_double::mallocCalls() == 1 && zetcore_double::freeCalls() == 0);
    // Init fails after the allocation: the block goes back and Init's status comes out unchanged.
    int mallocs = 1;
    for (const auto& [pattern, options, errOffset, status] :
         {std::tuple{"abc", "", static_cast<zet32s*>(nullptr), zetStatusNullPointer},
          {"abc", "X", &offset, zetStatusRegExpBadOption}, {"[z-a]", "", &offset, zetStatusRegExpBadClass}}) {
        s = sentinel;
        EXPECT_EQ(zetsRegExpInitAlloc(pattern, options, &s, errOffset), status) << pattern;
        EXPECT_TRUE(s == nullptr && zetcore_double::mallocCalls() == ++mallocs && zetcore_double::freeCalls() == mallocs - 1);
    }
    EXPECT_EQ(offset, 3);
    ASSERT_EQ(zetsRegExpInitAlloc("a(b|cd)*e", "i", &s, &offset), zetStatusOk);
    EXPECT_EQ(regexp_program::dump(s), regexp_program::compile("a(b|cd)*e", "i").dump());
    zetsRegExpFree(s);
    zetsRegExpFree(nullptr);
    EXPECT_EQ(zetcore_double::freeCalls(), mallocs + 1);
}

}  // namespace
