#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <vector>

#include "case/case_table.h"
#include "case/placed.h"
#include "zetch.h"

namespace {

using Units = std::vector<zet16u>;

Units lowered(const Units& s) {
    Units out(s);
    for (auto& c : out) c = zet::ownCaseLower(c);
    return out;
}
Units uppered(const Units& s) {
    Units out(s);
    for (auto& c : out) c = zet::ownCaseUpper(c);
    return out;
}

// The unrolled passes (14 units copying, 16 in place) and their remainders, over every unit value:
// all 65,536 units in one string, then in strings of every length 0..40 at every alignment
// against both unreadable edges, the 16-bit strings lying at odd addresses half of the time.
TEST(UnicodeCase, LoopsAgreeWithTheTableAtEveryLengthAndAlignment) {
    Units all(0x10000);
    for (int c = 0; c < 0x10000; ++c) all[c] = static_cast<zet16u>(c);
    Units out(all.size());
    ASSERT_EQ(zetsLowercase_16u(all.data(), out.data(), 0x10000), zetStatusOk);
    EXPECT_EQ(out, lowered(all));
    out = all;
    ASSERT_EQ(zetsUppercase_16u_I(out.data(), 0x10000), zetStatusOk);
    EXPECT_EQ(out, uppered(all));

    guarded::Arena srcArena(1 << 12), dstArena(1 << 12);
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> pick(0, 0x10000 + 0x500);
    for (int len = 0; len <= 40; ++len) {
        Units text(len);
        for (auto& c : text) {
            const int v = pick(rng);  // mostly the busy start of the table
            c = static_cast<zet16u>(v < 0x10000 ? v : v - 0x10000);
        }
        const Units lower = lowered(text), upper = uppered(text);
        const Units filler(len, 0xDDDD);
        guarded::forEachPlacement(srcArena, text, zet16u{0x4141}, [&](zet16u* src, int align, guarded::Edge edge) {
            const auto other = edge == guarded::Edge::Start ? guarded::Edge::End : guarded::Edge::Start;
            for (auto fn : {zetsLowercase_16u, zetsUppercase_16u}) {
                const Units& want = fn == zetsLowercase_16u ? lower : upper;
                zet16u* dst = dstArena.place(std::span<const zet16u>(filler), 15 - align, other, zet16u{0xEEEE});
                ASSERT_EQ(fn(src, dst, len), zetStatusOk);
                ASSERT_TRUE(placed::holds(dst, want, 15 - align, other, static_cast<char>(0xEE)))
                    << "len " << len << " src align " << align;
            }
            for (auto fn : {zetsLowercase_16u_I, zetsUppercase_16u_I}) {
                const Units& want = fn == zetsLowercase_16u_I ? lower : upper;
                zet16u* buf = srcArena.place(std::span<const zet16u>(text), align, edge, zet16u{0x4141});
                ASSERT_EQ(fn(buf, len), zetStatusOk);
                ASSERT_TRUE(placed::holds(buf, want, align, edge, 'A')) << "in place, len " << len << " align " << align;
            }
            zet16u* same = srcArena.place(std::span<const zet16u>(text), align, edge, zet16u{0x4141});
            ASSERT_EQ(zetsLowercase_16u(same, same, len), zetStatusOk);
            ASSERT_TRUE(placed::holds(same, lower, align, edge, 'A'))
                << "destination = source, len " << len << " align " << align;
        });
    }
}

// The in-place forms store only units that change: text already in the wanted case can be
// converted in read-only memory (a store would fault), and a string at an odd address too.
TEST(UnicodeCase, InPlaceLeavesUnchangedTextUnwritten) {
    const long page = sysconf(_SC_PAGESIZE);
    void* m = mmap(nullptr, static_cast<std::size_t>(page), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(m, MAP_FAILED);
    char* bytes = static_cast<char*>(m);
    const int len = 1000;
    for (int i = 0; i < len; ++i) {
        const zet16u c = static_cast<zet16u>(i % 3 == 0 ? 0x03B1 + i % 17 : i % 3 == 1 ? 'a' + i % 26 : ' ');
        std::memcpy(bytes + 1 + 2 * i, &c, 2);
    }
    ASSERT_EQ(mprotect(m, static_cast<std::size_t>(page), PROT_READ), 0);
    zet16u* odd = reinterpret_cast<zet16u*>(bytes + 1);
    EXPECT_EQ(zetsLowercase_16u_I(odd, len), zetStatusOk);
    munmap(m, static_cast<std::size_t>(page));
}

TEST(UnicodeCase, ArgumentChecksInOrder) {
    zet16u s[2] = {'A', 'b'};
    zet16u d[2] = {'x', 'x'};
    for (auto fn : {zetsLowercase_16u, zetsUppercase_16u}) {
        EXPECT_EQ(fn(nullptr, d, -1), zetStatusNullPointer) << "null wins over bad length";
        EXPECT_EQ(fn(s, nullptr, 0), zetStatusNullPointer) << "also with length 0";
        EXPECT_EQ(fn(s, d, -1), zetStatusBadLength);
        EXPECT_EQ(fn(s, d, 0), zetStatusOk);
    }
    for (auto fn : {zetsLowercase_16u_I, zetsUppercase_16u_I}) {
        EXPECT_EQ(fn(nullptr, -1), zetStatusNullPointer);
        EXPECT_EQ(fn(s, -1), zetStatusBadLength);
        EXPECT_EQ(fn(s, 0), zetStatusOk);
    }
    EXPECT_EQ(d[0], 'x') << "nothing written on failure or for length 0";
    EXPECT_EQ(s[0], 'A');
}

}  // namespace
