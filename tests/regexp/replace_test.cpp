// Replacement: template parsing (items, offsets, refused references), the pieces a call writes
// and where it stops, the argument checks in their order, sources, templates and destinations at
// the edges of unreadable pages, and a megabyte replaced through a 100-byte destination call after
// call, which must equal the replacement in one call.
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

// A parsed template in a block of the size the library asks for; the text stays with it.
struct Template {
    std::vector<char> text;
    std::vector<std::uint32_t> block;
    ZetStatus status = zetStatusOk;

    explicit Template(const std::string& t) : text(t.begin(), t.end()) {
        text.push_back('\0');
        zet32s size = 0;
        EXPECT_EQ(zetsRegExpReplaceGetSize(text.data(), &size), zetStatusOk);
        EXPECT_EQ(size, 12 + 12 * static_cast<zet32s>(t.size()));
        block.assign(static_cast<std::size_t>(size) / 4, 0xabababab);
        status = zetsRegExpReplaceInit(text.data(), state());
    }
    RegExpReplaceState* state() { return reinterpret_cast<RegExpReplaceState*>(block.data()); }

    // The items as text: "L<offset>+<length>" for a literal, "G<number>" for a reference.
    std::string items() {
        if (status != zetStatusOk) return std::to_string(status);
        std::string s;
        const zet::rx::RegExpReplaceItem* it = zet::rx::ownRegExpReplaceItems(state());
        for (int i = 0; i < state()->itemCount; ++i) {
            if (!s.empty()) s += ' ';
            if (it[i].code == zet::rx::RegExpReplaceLiteral) s.append("L").append(std::to_string(it[i].offset)).append("+").append(std::to_string(it[i].arg));
            else if (it[i].code == zet::rx::RegExpReplaceGroup) s.append("G").append(std::to_string(it[i].arg));
            else s += '?';
        }
        return s;
    }
};

// One replacement call: "status consumed written [output]".
std::string replace(RegExpState* re, const std::string& src, Template& t, int capacity, int records = 64) {
    std::vector<zet8u> dst(static_cast<std::size_t>(capacity), '#');
    std::vector<RegExpMatchRecord> rec(static_cast<std::size_t>(records));
    zet32s srcLen = static_cast<zet32s>(src.size()), dstLen = capacity, n = records;
    const ZetStatus st = zetsRegExpReplace_8u(reinterpret_cast<const zet8u*>(src.data()), &srcLen, dst.data(), &dstLen, rec.data(),
                                              &n, re, t.state());
    return std::to_string(st) + " " + std::to_string(srcLen) + " " + std::to_string(dstLen) + " [" +
           std::string(dst.begin(), dst.begin() + std::clamp(dstLen, 0, capacity)) + "]";
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
        if (t.status == zetStatusOk) {
            EXPECT_EQ(zet::rx::ownRegExpReplaceTemplate(t.state()), reinterpret_cast<const zet8u*>(t.text.data())) << text;
        } else {
            // A refused template writes nothing.
            for (std::uint32_t w : t.block) ASSERT_EQ(w, 0xababababu) << text;
        }
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
    EXPECT_TRUE(s->itemCount == 0 && zet::rx::ownRegExpReplaceTemplate(s) == nullptr);
    // A null template replaces every match by nothing.
    auto re = compile("a", "g");
    std::vector<zet8u> dst(16);
    std::vector<RegExpMatchRecord> rec(8);
    zet32s srcLen = 6, dstLen = 16, n = 8;
    EXPECT_EQ(zetsRegExpReplace_8u(reinterpret_cast<const zet8u*>("banana"), &srcLen, dst.data(), &dstLen, rec.data(), &n, re.get(), s),
              zetStatusOk);
    EXPECT_EQ(std::string(dst.begin(), dst.begin() + dstLen), "bnn");
}

TEST(RegExpReplace, PiecesAndWhereACallStops) {
    for (const auto& [pattern, letters, src, text, capacity, records, want] :
         std::vector<std::tuple<std::string, const char*, std::string, std::string, int, int, std::string>>{
             // The first match only, or every match with g.
             {"X", "", "aXbXc", "-", 16, 64, "0 5 5 [a-bXc]"}, {"X", "g", "aXbXc", "-", 16, 64, "0 5 5 [a-b-c]"},
             // One byte of room is kept after a match: at the exact output length the tail waits.
             {"X", "g", "aXbXc", "-", 5, 64, "0 4 4 [a-b-]"}, {"X", "g", "aXbXc", "-", 6, 64, "0 5 5 [a-b-c]"},
             {"X", "g", "aXbXcd", "-", 6, 64, "0 4 4 [a-b-]"}, {"X", "", "aXb", "--", 3, 64, "0 1 1 [a]"},
             // A piece is written whole or not at all: a gap as long as the room ends the call at once.
             {"X", "g", "aaaaX", "-", 4, 64, "0 0 0 []"}, {"X", "g", "aaaX", "-", 4, 64, "0 3 3 [aaa]"},
             {"X", "g", "XaaaaaX", "-", 5, 64, "0 1 1 [-]"},
             // An expansion that does not fit is not counted, and the match waits for the next call.
             {"X", "g", "aXbX", "[$&]", 4, 64, "0 1 1 [a]"}, {"X", "g", "aXbX", "[$&]", 5, 64, "0 2 4 [a[X]]"},
             {"X", "g", "aXbX", "[$&]", 6, 64, "0 3 5 [a[X]b]"},
             {"(b+)", "g", "abbbc", "$1$1", 7, 64, "0 1 1 [a]"}, {"(b+)", "g", "abbbc", "$1$1", 8, 64, "0 4 7 [abbbbbb]"},
             // Without a match the source is copied up to the capacity, filling it.
             {"Z", "g", "aXbXc", "-", 5, 64, "0 5 5 [aXbXc]"}, {"Z", "", "aXbXc", "-", 3, 64, "0 3 3 [aXb]"},
             {"Z", "", "a", "-", 1, 64, "0 1 1 [a]"},
             // References: groups, the whole match, unset groups and numbers past the groups.
             {"(a)(b)?(c)", "g", "xacyabc", "<$3$2$1|$4$99|$&>", 64, 64, "0 7 20 [x<ca||ac>y<cba||abc>]"},
             {"\\d+", "g", "a12b3", "($&)", 64, 64, "0 5 9 [a(12)b(3)]"},
             {"(\\w+)@(\\w+)\\.com", "g", "mail ann@site.com now", "$2 at $1", 64, 64, "0 21 20 [mail site at ann now]"},
             // A single match keeps the groups that fit in the array (warning 12); others insert nothing.
             {"(a)(b)", "", "xab", "$2$1", 16, 2, "12 3 2 [xa]"}, {"(a)(b)", "", "xab", "$2$1", 16, 3, "0 3 3 [xba]"},
             // With g a match whose records were cut off by the array's end waits for the next call.
             {"(a)(n)", "g", "banana", "$2$1", 16, 4, "0 3 3 [bna]"}, {"(a)(n)", "g", "banana", "$2$1", 16, 2, "12 1 1 [b]"},
             {"(a)(n)", "g", "banana", "$2$1", 16, 6, "0 6 6 [bnanaa]"},
             // Matches past a full array are copied unchanged.
             {"a", "g", "banana", "A", 16, 2, "0 6 6 [bAnAna]"},
             // Empty matches: before every unit and at the end.
             {"x*", "g", "ab", "-", 16, 64, "0 2 5 [-a-b-]"}, {"a?", "g", "ab", "<$&>", 16, 64, "0 2 8 [<a><>b<>]"},
             {"x*", "g", "ab", "-", 3, 64, "0 1 2 [-a]"},
         }) {
        auto re = compile(pattern, letters);
        ASSERT_NE(re, nullptr) << pattern;
        Template t(text);
        ASSERT_EQ(t.status, zetStatusOk) << text;
        EXPECT_EQ(replace(re.get(), src, t, capacity, records), want)
            << "/" << pattern << "/" << letters << " on " << src << " with " << text << " into " << capacity;
    }
}

// Every check before any write: pointers, then the lengths and the record count, then the
// pattern's mark, which alone sets both lengths to 0 (and still leaves the destination alone).
TEST(RegExpReplace, ArgumentChecksInOrder) {
    auto re = compile("(a)", "g");
    Template t("<$1>");
    std::vector<zet8u> bad(sizeof(RegExpState) + 64, 0);
    auto* noMagic = reinterpret_cast<RegExpState*>(bad.data());
    const zet8u src[] = "banana";
    struct Call {
        int nullArg;  // which pointer argument is null (0: none, 1 pSrc ... 8 pReplaceState)
        zet32s srcLen, dstLen, num;
        bool magic;
        ZetStatus want;
    };
    std::vector<Call> calls;
    for (int a = 1; a <= 8; ++a) calls.push_back({a, -1, 0, 0, false, zetStatusNullPointer});
    for (const auto& [srcLen, dstLen, num] : std::vector<std::tuple<zet32s, zet32s, zet32s>>{{0, 8, 4}, {-3, 8, 4}, {6, 0, 4}, {6, -1, 4}, {6, 8, 0}, {6, 8, -2}})
        for (bool magic : {false, true}) calls.push_back({0, srcLen, dstLen, num, magic, zetStatusBadSize});
    calls.push_back({0, 6, 8, 4, false, zetStatusRegExpBadState});
    for (std::size_t c = 0; c < calls.size(); ++c) {
        const Call& k = calls[c];
        zet8u dst[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
        RegExpMatchRecord rec[4] = {{src, 9}, {src, 9}, {src, 9}, {src, 9}};
        zet32s srcLen = k.srcLen, dstLen = k.dstLen, num = k.num;
        const auto arg = [&](int i, auto* p) { return k.nullArg == i ? nullptr : p; };
        const ZetStatus st = zetsRegExpReplace_8u(arg(1, src), arg(2, &srcLen), arg(3, dst), arg(4, &dstLen), arg(5, rec), arg(6, &num),
                                                  arg(7, k.magic ? re.get() : noMagic), arg(8, t.state()));
        EXPECT_EQ(st, k.want) << "call " << c;
        EXPECT_EQ(std::string(dst, dst + 8), "########") << "call " << c;
        for (const RegExpMatchRecord& r : rec) EXPECT_TRUE(r.pStr == src && r.len == 9) << "call " << c;
        EXPECT_EQ(num, k.num) << "call " << c;
        if (k.want == zetStatusRegExpBadState) EXPECT_TRUE(srcLen == 0 && dstLen == 0) << "call " << c;
        else EXPECT_TRUE(srcLen == k.srcLen && dstLen == k.dstLen) << "call " << c;
    }
}

// Source and template against an unreadable page at either end, and a destination whose last
// byte of capacity is the last readable one: nothing is read or written outside them.
TEST(RegExpReplace, BuffersAtPageEdges) {
    guarded::Arena sources(1 << 14), templates(1 << 14), destinations(1 << 14);
    for (const auto& row : std::vector<std::tuple<std::string, const char*, std::string, std::string>>{
             {"X", "g", "aXbXc", "-$&\\"}, {"b", "", "ab", "$"}, {"(a)(b)?", "g", "abab", "$2$1$"}, {"c", "g", "abc", "$&$1"},
             {"(\\w+)$", "g", "one two", "<$1>"}, {"\\b", "g", "ab cd", "|"}, {"x*", "g", "ab", "x\\"}, {"z", "", "abc", "-"},
         }) {
        const std::string& pattern = std::get<0>(row);  // named, not bound: lambdas capture them
        const std::string& src = std::get<2>(row);
        const std::string& text = std::get<3>(row);
        auto re = compile(pattern, std::get<1>(row));
        ASSERT_NE(re, nullptr) << pattern;
        std::vector<char> tmpl(text.begin(), text.end());
        tmpl.push_back('\0');
        Template plain(text);
        for (int capacity = 1; capacity <= 20; ++capacity) {
            const std::string want = plain.status == zetStatusOk ? replace(re.get(), src, plain, capacity) : "";
            const std::vector<zet8u> srcBytes(src.begin(), src.end());
            guarded::forEachPlacement(sources, srcBytes, zet8u{'X'}, [&](const zet8u* p, int align, guarded::Edge edge) {
                const char* tp = templates.place(std::span<const char>(tmpl), (align * 7) % 16, edge, '$');
                std::vector<std::uint32_t> block(3 + 3 * text.size(), 0);
                auto* rs = reinterpret_cast<RegExpReplaceState*>(block.data());
                const ZetStatus parsed = zetsRegExpReplaceInit(tp, rs);
                ASSERT_EQ(parsed, plain.status) << text;
                if (parsed != zetStatusOk) return;
                const std::vector<zet8u> room(static_cast<std::size_t>(capacity), '#');
                zet8u* dst = destinations.place(std::span<const zet8u>(room), align, guarded::Edge::End, zet8u{'%'});
                RegExpMatchRecord rec[64];
                zet32s srcLen = static_cast<zet32s>(src.size()), dstLen = capacity, n = 64;
                const ZetStatus st = zetsRegExpReplace_8u(p, &srcLen, dst, &dstLen, rec, &n, re.get(), rs);
                const std::string got = std::to_string(st) + " " + std::to_string(srcLen) + " " + std::to_string(dstLen) + " [" +
                                        std::string(dst, dst + std::clamp(dstLen, 0, capacity)) + "]";
                EXPECT_EQ(got, want) << pattern << " capacity " << capacity << " align " << align;
                for (int b = 1; b <= 64; ++b) ASSERT_EQ(dst[-b], '%') << "written before the destination";
                for (zet8u* q = dst + capacity; q < dst + capacity + 64 && reinterpret_cast<std::uintptr_t>(q) % 4096 != 0; ++q)
                    ASSERT_EQ(*q, '%') << "written after the destination";
            });
        }
    }
}

// Words, dates and addresses, deterministic, with a date at least every fourth word and an address
// at least every fifth, so that no stretch between two matches of the patterns below reaches 99
// bytes.
std::string megabyteOfText() {
    static const char* const kWords[] = {"the", "river", "was", "quiet", "and", "long", "strength", "of", "rhythm", "lynx",
                                         "Moscow", "in", "crypt", "nymph", "a", "merchant", "sold", "twelve", "ships"};
    std::mt19937 rng(61);
    std::string s;
    int sinceDate = 0, sinceMail = 0;
    while (s.size() < (1u << 20)) {
        if (sinceDate > 2 || rng() % 9 == 0) {
            s += std::to_string(rng() % 2100) + "-" + std::to_string(1 + rng() % 12);
            sinceDate = 0;
        } else if (sinceMail > 3 || rng() % 9 == 0) {
            s += std::string(kWords[rng() % std::size(kWords)]) + "@" + kWords[rng() % std::size(kWords)] + ".com";
            sinceMail = 0;
        } else {
            s += kWords[rng() % std::size(kWords)];
        }
        ++sinceDate, ++sinceMail;
        s += rng() % 10 == 0 ? ".\n" : " ";
    }
    s.resize(1u << 20);
    return s;
}

// The replacement of a megabyte through a 100-byte destination, call after call (each call goes
// on at pSrc + *pSrcLen and appends *pDstLen bytes), equals the replacement in one call. It must,
// for these patterns: each call searches from its own start, and a call ends at the end of a
// replaced match (where the one-call search goes on as well), at the start of a match it could
// not replace (where a search finds that same match again), or at the end of the source. That
// holds for patterns that look at nothing before their start (no ^, \b or look-behind) and never
// match the empty string (an empty match at the point where a call ends is found again by the
// next). The record array holds one match more than the 99 bytes of a call can take expansions
// of the shortest size, so a call runs out of room before it runs out of records. Every call
// must make progress: the stretches between matches and the expansions are all shorter than 99
// bytes.
TEST(RegExpReplace, ResumedCallAfterCallEqualsOneCall) {
    const std::string text = megabyteOfText();
    const auto* src = reinterpret_cast<const zet8u*>(text.data());
    const zet32s total = static_cast<zet32s>(text.size());
    // Pattern, template, and the fewest bytes one expansion takes.
    for (const auto& [pattern, tmpl, shortest] : std::vector<std::tuple<std::string, std::string, int>>{
             {"(\\d+)-(\\d+)", "$2/$1", 3}, {"(\\w+)@(\\w+)\\.com", "[$2 at $1, written out in full: $& as an address]", 42},
             {"[aeiou]+", "<$&>", 3}, {"(\\w)(\\w*)", "$2$1", 1},
         }) {
        auto re = compile(pattern, "g");
        ASSERT_NE(re, nullptr) << pattern;
        Template t(tmpl);
        ASSERT_EQ(t.status, zetStatusOk);
        const int groups = re->groupCount;

        std::vector<RegExpMatchRecord> all(static_cast<std::size_t>(groups) * (1u << 20) / 2);
        std::vector<zet8u> whole(8u << 20);
        zet32s srcLen = total, dstLen = static_cast<zet32s>(whole.size()), n = static_cast<zet32s>(all.size());
        ASSERT_EQ(zetsRegExpReplace_8u(src, &srcLen, whole.data(), &dstLen, all.data(), &n, re.get(), t.state()), zetStatusOk);
        ASSERT_EQ(srcLen, total) << pattern;
        ASSERT_LT(n, static_cast<zet32s>(all.size())) << pattern;
        ASSERT_GT(n, 1000 * groups) << pattern;  // the text has many matches of every pattern
        whole.resize(static_cast<std::size_t>(dstLen));

        std::vector<zet8u> pieces;
        std::vector<RegExpMatchRecord> rec(static_cast<std::size_t>(groups * (99 / shortest + 1)));
        int calls = 0;
        for (zet32s done = 0; done < total; ++calls) {
            zet8u dst[100];
            zet32s len = total - done, room = 100, num = static_cast<zet32s>(rec.size());
            ASSERT_EQ(zetsRegExpReplace_8u(src + done, &len, dst, &room, rec.data(), &num, re.get(), t.state()), zetStatusOk);
            ASSERT_GT(len, 0) << pattern << ": no progress at " << done;
            pieces.insert(pieces.end(), dst, dst + room);
            done += len;
        }
        EXPECT_TRUE(pieces == whole) << pattern << " differs after " << calls << " calls";
    }
}

}  // namespace
