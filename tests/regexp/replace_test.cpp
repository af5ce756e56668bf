// Replacement: template items, the pieces a call writes and where it stops, the argument checks in
// their order, buffers against unreadable pages, and a megabyte replaced call after call.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "regexp/replace.h"
#include "support/guarded.h"
#include "support/regexp_search.h"
#include "zetch.h"

namespace {

using regexp_search::compile;
namespace rx = zet::rx;

// A template parsed (from `at`, a copy of t, when given) into a block of the size the library asks for.
struct Template {
    std::vector<char> text;
    std::vector<std::uint32_t> block;
    ZetStatus status;

    explicit Template(const std::string& t, const char* at = nullptr) : text(t.c_str(), t.c_str() + t.size() + 1) {
        zet32s size = 0;
        EXPECT_EQ(zetsRegExpReplaceGetSize(at ? at : text.data(), &size), zetStatusOk);
        EXPECT_EQ(size, 12 + 12 * static_cast<zet32s>(t.size()));
        block.assign(static_cast<std::size_t>(size) / 4, 0xabababab);
        status = zetsRegExpReplaceInit(at ? at : text.data(), state());
    }
    RegExpReplaceState* state() { return reinterpret_cast<RegExpReplaceState*>(block.data()); }

    // "L<offset>+<length>" for a literal, "G<number>" for a reference; the status when refused.
    std::string items() {
        std::string s = status != zetStatusOk ? std::to_string(status) : "";
        const rx::RegExpReplaceItem* it = rx::ownRegExpReplaceItems(state());
        for (int i = 0; status == zetStatusOk && i < state()->itemCount; ++i) {
            const bool literal = it[i].code == rx::RegExpReplaceLiteral;
            s.append(i ? " " : "").append(literal ? "L" : it[i].code == rx::RegExpReplaceGroup ? "G" : "?");
            s.append(std::to_string(literal ? it[i].offset : static_cast<zet32u>(it[i].arg)));
            if (literal) s.append("+").append(std::to_string(it[i].arg));
        }
        return s;
    }
};

// One call, as "status consumed written [output]". The records past `records` point into the
// source, so that reading one the search did not store changes the output.
std::string run(RegExpState* re, const zet8u* src, std::size_t srcLen, zet8u* dst, int capacity, int records, RegExpReplaceState* rs) {
    std::vector<RegExpMatchRecord> rec(static_cast<std::size_t>(records) + 8, RegExpMatchRecord{src, 1});
    zet32s len = static_cast<zet32s>(srcLen), room = capacity, n = records;
    const ZetStatus st = zetsRegExpReplace_8u(src, &len, dst, &room, rec.data(), &n, re, rs);
    return std::to_string(st) + " " + std::to_string(len) + " " + std::to_string(room) + " [" +
           std::string(dst, dst + std::clamp(room, 0, capacity)) + "]";
}

std::string replace(RegExpState* re, const std::string& src, Template& t, int capacity, int records = 64) {
    std::vector<zet8u> dst(static_cast<std::size_t>(capacity), '#');
    return run(re, reinterpret_cast<const zet8u*>(src.data()), src.size(), dst.data(), capacity, records, t.state());
}

TEST(RegExpReplace, TemplateItems) {
    for (const auto& [text, want] : std::vector<std::pair<std::string, std::string>>{
             {"x$1y", "L0+1 G1 L3+1"}, {"$&", "G0"}, {"", ""}, {"a\\b", "L0+1 L2+1"}, {"abc", "L0+3"},
             // All digits are taken, leading zeros included; a backslash ends them.
             {"$12x", "G12 L3+1"}, {"$1\\2", "G1 L3+1"}, {"$007", "G7"}, {"$&$&1", "G0 G0 L4+1"},
             // A backslash is dropped and the next byte read by the same rules.
             {"\\$1", "G1"}, {"\\\\", ""}, {"a\\\\b", "L0+1 L3+1"}, {"\\x", "L1+1"}, {"ab\\", "L0+2"}, {"\\$&z", "G0 L3+1"},
             // Numbers past any pattern's groups are kept; past 32 bits they stay at the largest value.
             {"$2147483647", "G2147483647"}, {"$99999999999999999999", "G2147483647"},
             {"$", "-185"}, {"$a", "-185"}, {"$0", "-185"}, {"$00", "-185"}, {"ab$", "-185"}, {"$$1", "-185"},
             {"x\\$", "-185"}, {"a$1$", "-185"},
         }) {
        Template t(text);
        EXPECT_EQ(t.items(), want) << text;
        if (t.status == zetStatusOk) EXPECT_EQ(rx::ownRegExpReplaceTemplate(t.state()), reinterpret_cast<const zet8u*>(t.text.data()));
        else for (std::uint32_t w : t.block) ASSERT_EQ(w, 0xababababu) << "a refused template wrote: " << text;
    }
}

TEST(RegExpReplace, SizeAndInitChecks) {
    zet32s size = -1;
    EXPECT_EQ(zetsRegExpReplaceGetSize(nullptr, &size), zetStatusOk);
    EXPECT_EQ(size, 12);
    EXPECT_EQ(zetsRegExpReplaceGetSize("$1", nullptr), zetStatusNullPointer);
    EXPECT_EQ(zetsRegExpReplaceInit("$1", nullptr), zetStatusNullPointer);
    std::uint32_t block[3] = {7, 7, 7};
    auto* s = reinterpret_cast<RegExpReplaceState*>(block);
    EXPECT_EQ(zetsRegExpReplaceInit(nullptr, s), zetStatusOk);
    EXPECT_TRUE(s->itemCount == 0 && rx::ownRegExpReplaceTemplate(s) == nullptr);
    zet8u dst[16];  // a null template replaces every match by nothing
    EXPECT_EQ(run(compile("a", "g").get(), reinterpret_cast<const zet8u*>("banana"), 6, dst, 16, 8, s), "0 6 3 [bnn]");
}

TEST(RegExpReplace, PiecesAndWhereACallStops) {
    for (const auto& [pattern, letters, src, text, capacity, records, want] :
         std::vector<std::tuple<std::string, const char*, std::string, std::string, int, int, std::string>>{
             // The first match, or every one with g; one byte of room is kept after a match, so at the
             // exact output length the tail waits; a piece is written whole or not at all.
             {"X", "", "aXbXc", "-", 16, 64, "0 5 5 [a-bXc]"}, {"X", "g", "aXbXc", "-", 16, 64, "0 5 5 [a-b-c]"},
             {"X", "g", "aXbXc", "-", 5, 64, "0 4 4 [a-b-]"}, {"X", "g", "aXbXc", "-", 6, 64, "0 5 5 [a-b-c]"},
             {"X", "g", "aXbXcd", "-", 6, 64, "0 4 4 [a-b-]"}, {"X", "", "aXb", "--", 3, 64, "0 1 1 [a]"},
             {"X", "g", "aaaaX", "-", 4, 64, "0 0 0 []"}, {"X", "g", "aaaX", "-", 4, 64, "0 3 3 [aaa]"}, {"X", "g", "XaaaaaX", "-", 5, 64, "0 1 1 [-]"},
             // An expansion that does not fit is not counted, and its match waits for the next call.
             {"X", "g", "aXbX", "[$&]", 4, 64, "0 1 1 [a]"}, {"X", "g", "aXbX", "[$&]", 5, 64, "0 2 4 [a[X]]"},
             {"X", "g", "aXbX", "[$&]", 6, 64, "0 3 5 [a[X]b]"},
             {"(b+)", "g", "abbbc", "$1$1", 7, 64, "0 1 1 [a]"}, {"(b+)", "g", "abbbc", "$1$1", 8, 64, "0 4 7 [abbbbbb]"},
             // Without a match the source is copied up to the capacity.
             {"Z", "g", "aXbXc", "-", 5, 64, "0 5 5 [aXbXc]"}, {"Z", "", "aXbXc", "-", 3, 64, "0 3 3 [aXb]"},
             // Groups, the whole match, unset groups and numbers past the groups.
             {"(a)(b)?(c)", "g", "xacyabc", "<$3$2$1|$4$99|$&>", 64, 64, "0 7 20 [x<ca||ac>y<cba||abc>]"},
             {"(\\w+)@(\\w+)\\.com", "g", "mail ann@site.com now", "$2 at $1", 64, 64, "0 21 20 [mail site at ann now]"},
             // One match keeps the groups that fit (warning 12); with g a match whose records were cut
             // off waits for the next call, and matches past a full array are copied unchanged.
             {"(a)(b)", "", "xab", "$2$1", 16, 2, "12 3 2 [xa]"}, {"(a)(b)", "", "xab", "$2$1", 16, 3, "0 3 3 [xba]"},
             {"(a)(n)", "g", "banana", "$2$1", 16, 4, "0 3 3 [bna]"}, {"(a)(n)", "g", "banana", "$2$1", 16, 2, "12 1 1 [b]"},
             {"(a)(n)", "g", "banana", "$2$1", 16, 6, "0 6 6 [bnanaa]"}, {"a", "g", "banana", "A", 16, 2, "0 6 6 [bAnAna]"},
             // Empty matches: before every unit and at the end.
             {"x*", "g", "ab", "-", 16, 64, "0 2 5 [-a-b-]"}, {"a?", "g", "ab", "<$&>", 16, 64, "0 2 8 [<a><>b<>]"},
             {"x*", "g", "ab", "-", 3, 64, "0 1 2 [-a]"},
         }) {
        auto re = compile(pattern, letters);
        Template t(text);
        ASSERT_TRUE(re && t.status == zetStatusOk) << pattern << " " << text;
        EXPECT_EQ(replace(re.get(), src, t, capacity, records), want) << "/" << pattern << "/" << letters << " on " << src << " with "
                                                                      << text << " into " << capacity;
    }
}

// Pointers, then the lengths and the record count, then the pattern's mark, which alone sets both
// lengths to 0; none of them writes the destination, the records or the count.
TEST(RegExpReplace, ArgumentChecksInOrder) {
    auto re = compile("(a)", "g");
    Template t("<$1>");
    std::vector<zet8u> unmarked(sizeof(RegExpState) + 64, 0);
    const zet8u src[] = "banana";
    // null argument (1 pSrc ... 8 pReplaceState; 0 none), *pSrcLen, *pDstLen, *pNumMatch, marked, status
    std::vector<std::tuple<int, zet32s, zet32s, zet32s, bool, ZetStatus>> calls;
    for (int a = 1; a <= 8; ++a) calls.emplace_back(a, -1, 0, 0, false, zetStatusNullPointer);
    for (const auto& [s, d, n] : {std::tuple{0, 8, 4}, {-3, 8, 4}, {6, 0, 4}, {6, -1, 4}, {6, 8, 0}, {6, 8, -2}})
        for (bool marked : {false, true}) calls.emplace_back(0, s, d, n, marked, zetStatusBadSize);
    calls.emplace_back(0, 6, 8, 4, false, zetStatusRegExpBadState);
    for (std::size_t c = 0; c < calls.size(); ++c) {
        const auto [nullArg, srcLen0, dstLen0, num0, marked, want] = calls[c];
        zet8u dst[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
        RegExpMatchRecord rec[4] = {{src, 9}, {src, 9}, {src, 9}, {src, 9}};
        zet32s srcLen = srcLen0, dstLen = dstLen0, num = num0;
        const int skip = nullArg;
        const auto arg = [skip](int i, auto* p) { return skip == i ? nullptr : p; };
        RegExpState* state = marked ? re.get() : reinterpret_cast<RegExpState*>(unmarked.data());
        EXPECT_EQ(zetsRegExpReplace_8u(arg(1, src), arg(2, &srcLen), arg(3, dst), arg(4, &dstLen), arg(5, rec), arg(6, &num), arg(7, state),
                                       arg(8, t.state())),
                  want)
            << "call " << c;
        EXPECT_EQ(std::string(dst, dst + 8), "########") << "call " << c;
        for (const RegExpMatchRecord& r : rec) EXPECT_TRUE(r.pStr == src && r.len == 9) << "call " << c;
        const bool zeroed = want == zetStatusRegExpBadState;
        EXPECT_TRUE(num == num0 && srcLen == (zeroed ? 0 : srcLen0) && dstLen == (zeroed ? 0 : dstLen0)) << "call " << c;
    }
}

// Source and template against an unreadable page at either end, the destination's capacity ending
// at the last readable byte: the same output, and nothing written outside the destination.
TEST(RegExpReplace, BuffersAtPageEdges) {
    guarded::Arena sources(1 << 14), templates(1 << 14), destinations(1 << 14);
    for (const auto& row : std::vector<std::array<std::string, 4>>{
             {"X", "g", "aXbXc", "-$&\\"}, {"b", "", "ab", "$"}, {"(a)(b)?", "g", "abab", "$2$1$"}, {"c", "g", "abc", "$&$1"},
             {"(\\w+)$", "g", "one two", "<$1>"}, {"\\b", "g", "ab cd", "|"}, {"x*", "g", "ab", "x\\"}, {"z", "", "abc", "-"},
         }) {
        auto re = compile(row[0], row[1].c_str());
        Template plain(row[3]);
        const std::vector<zet8u> src(row[2].begin(), row[2].end());
        for (int capacity = 1; capacity <= 20; ++capacity) {
            const std::string want = plain.status == zetStatusOk ? replace(re.get(), row[2], plain, capacity) : "";
            guarded::forEachPlacement(sources, src, zet8u{'X'}, [&](const zet8u* p, int align, guarded::Edge edge) {
                Template t(row[3], templates.place(std::span<const char>(plain.text), (align * 7) % 16, edge, '$'));
                ASSERT_EQ(t.status, plain.status) << row[3];
                if (t.status != zetStatusOk) return;
                const std::vector<zet8u> room(static_cast<std::size_t>(capacity), '#');
                zet8u* dst = destinations.place(std::span<const zet8u>(room), align, guarded::Edge::End, zet8u{'%'});
                EXPECT_EQ(run(re.get(), p, src.size(), dst, capacity, 64, t.state()), want) << row[0] << " into " << capacity << " +" << align;
                for (int b = 1; b <= 64; ++b) ASSERT_EQ(dst[-b], '%') << "written before the destination";
                for (zet8u* q = dst + capacity; q < dst + capacity + 64 && reinterpret_cast<std::uintptr_t>(q) % 4096 != 0; ++q)
                    ASSERT_EQ(*q, '%') << "written after the destination";
            });
        }
    }
}

// A megabyte through a 100-byte destination, each call going on at pSrc + *pSrcLen, equals one
// call. That holds for patterns that look at nothing before their start and never match empty: a
// call ends after a replaced match, at a match it could not replace, or at the end. A date every
// third word and an address every fourth keep every call making progress, and the records hold
// one match more than 99 bytes of the shortest expansions.
TEST(RegExpReplace, ResumedCallAfterCallEqualsOneCall) {
    static const char* const kWords[] = {"the", "river", "was", "quiet", "strength", "of", "rhythm", "lynx", "Moscow", "crypt", "a", "merchant"};
    std::mt19937 rng(61);
    std::string text;
    const auto word = [&] { return std::string(kWords[rng() % std::size(kWords)]); };
    for (int i = 0; text.size() < (1u << 20); ++i)
        text += (i % 3 == 0   ? std::to_string(rng() % 2100) + "-" + std::to_string(1 + rng() % 12)
                 : i % 4 == 1 ? word() + "@" + word() + ".com"
                              : word()) + (rng() % 10 == 0 ? ".\n" : " ");
    text.resize(1u << 20);
    const auto* src = reinterpret_cast<const zet8u*>(text.data());
    const zet32s total = static_cast<zet32s>(text.size());
    // Pattern, template, and the fewest bytes one expansion takes.
    for (const auto& [pattern, tmpl, shortest] : std::vector<std::tuple<std::string, std::string, int>>{
             {"(\\d+)-(\\d+)", "$2/$1", 3}, {"(\\w+)@(\\w+)\\.com", "[$2 at $1, written out in full: $& as an address]", 42},
             {"[aeiou]+", "<$&>", 3}, {"(\\w)(\\w*)", "$2$1", 1},
         }) {
        auto re = compile(pattern, "g");
        Template t(tmpl);
        ASSERT_TRUE(re && t.status == zetStatusOk) << pattern;
        const int groups = re->groupCount;
        std::vector<RegExpMatchRecord> all(static_cast<std::size_t>(groups) * (1u << 19));
        std::vector<zet8u> whole(8u << 20);
        zet32s srcLen = total, dstLen = static_cast<zet32s>(whole.size()), n = static_cast<zet32s>(all.size());
        ASSERT_EQ(zetsRegExpReplace_8u(src, &srcLen, whole.data(), &dstLen, all.data(), &n, re.get(), t.state()), zetStatusOk);
        ASSERT_TRUE(srcLen == total && n < static_cast<zet32s>(all.size()) && n > 1000 * groups) << pattern;
        whole.resize(static_cast<std::size_t>(dstLen));

        std::vector<zet8u> pieces;
        std::vector<RegExpMatchRecord> rec(static_cast<std::size_t>(groups * (99 / shortest + 1)));
        for (zet32s done = 0; done < total;) {
            zet8u dst[100];
            zet32s len = total - done, room = 100, num = static_cast<zet32s>(rec.size());
            ASSERT_EQ(zetsRegExpReplace_8u(src + done, &len, dst, &room, rec.data(), &num, re.get(), t.state()), zetStatusOk);
            ASSERT_GT(len, 0) << pattern << ": no progress at " << done;
            pieces.insert(pieces.end(), dst, dst + room);
            done += len;
        }
        EXPECT_TRUE(pieces == whole) << pattern;
    }
}

}  // namespace
