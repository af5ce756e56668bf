// The C++ layer's own logic (zetch.hpp): successive matches beyond any record array, the resumed
// replacement, error mapping, the 32-bit limit, moved-from objects, the streaming converter.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <string>
#include <vector>

#include "zetch.hpp"

namespace {

// Whole matches of the C global search with a record array big enough for all of them.
std::vector<std::pair<std::size_t, std::size_t>> globalMatches(const char* pattern, std::string_view text) {
    RegExpState* st = nullptr;
    zet32s off = 0;
    EXPECT_EQ(zetsRegExpInitAlloc(pattern, "g", &st, &off), zetStatusOk);
    std::vector<RegExpMatchRecord> rec(text.size() * 2 + 2);
    zet32s num = static_cast<zet32s>(rec.size());
    EXPECT_EQ(zetsRegExpFind_8u(reinterpret_cast<const zet8u*>(text.data()), static_cast<zet32s>(text.size()), st, rec.data(), &num),
              zetStatusOk);
    zetsRegExpFree(st);
    std::vector<std::pair<std::size_t, std::size_t>> out;
    for (int i = 0; i < num; ++i)
        out.emplace_back(static_cast<std::size_t>(reinterpret_cast<const char*>(rec[i].pStr) - text.data()), rec[i].len);
    return out;
}

TEST(CppFindAll, SameMatchesAsTheGlobalSearchForAnyBatch) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += (i % 3 ? "ab xx " : "b a\n");
    for (const char* pattern : {"x*", "\\b", "^a|b", "(?<=a)b", "\\w+", "(?m)^"}) {
        const auto want = globalMatches(pattern, text);
        ASSERT_GT(want.size(), 100u) << pattern;
        auto re = zetch::regex::compile(pattern);
        ASSERT_TRUE(re) << pattern;
        for (std::size_t batch : {1, 3, 64, 100000}) {
            std::vector<std::pair<std::size_t, std::size_t>> got;
            auto all = re->find_all(text, batch);
            for (const zetch::match& m : all) got.emplace_back(m.position(), m.str().size());
            EXPECT_TRUE(all.status().ok());
            EXPECT_EQ(got, want) << pattern << " batch " << batch;
        }
    }
}

TEST(CppFindAll, GroupsPerMatchUnsetApartFromEmpty) {
    std::string text;
    for (int i = 0; i < 500; ++i) text += i % 2 ? "k=v;" : "k=;";
    auto re = zetch::regex::compile("(\\w)=(\\w*)(!)?");
    ASSERT_TRUE(re);
    std::size_t i = 0;
    for (const zetch::match& m : re->find_all(text, 2)) {
        ASSERT_EQ(m.size(), 4u);
        EXPECT_EQ(m[1], "k");
        EXPECT_EQ(m[2], std::string_view(i % 2 ? "v" : ""));  // set, maybe empty
        EXPECT_FALSE(m[3].has_value());                         // unset
        EXPECT_FALSE(m[4].has_value());                         // past the groups
        ++i;
    }
    EXPECT_EQ(i, 500u);
    auto none = re->find_all("no pairs here");
    EXPECT_EQ(none.begin(), none.end());
    auto empty = zetch::regex::compile("x*");
    std::size_t n = 0;
    for (const zetch::match& m : empty->find_all("")) n += m.str().empty();
    EXPECT_EQ(n, 1u);
}

// The replacement as the library's single call makes it when its destination is big enough.
std::string oneCall(const char* pattern, const char* options, const char* templ, std::string_view text) {
    RegExpState* st = nullptr;
    zet32s off = 0;
    EXPECT_EQ(zetsRegExpInitAlloc(pattern, options, &st, &off), zetStatusOk);
    zet32s size = 0;
    zetsRegExpReplaceGetSize(templ, &size);
    std::vector<zet32u> rs(static_cast<std::size_t>(size) / 4 + 1);
    EXPECT_EQ(zetsRegExpReplaceInit(templ, reinterpret_cast<RegExpReplaceState*>(rs.data())), zetStatusOk);
    std::string dst(text.size() * 8 + 16, '\0');
    std::vector<RegExpMatchRecord> rec(text.size() * 4 + 4);
    zet32s srcLen = static_cast<zet32s>(text.size()), dstLen = static_cast<zet32s>(dst.size()), num = static_cast<zet32s>(rec.size());
    EXPECT_EQ(zetsRegExpReplace_8u(reinterpret_cast<const zet8u*>(text.data()), &srcLen, reinterpret_cast<zet8u*>(dst.data()), &dstLen,
                                   rec.data(), &num, st, reinterpret_cast<RegExpReplaceState*>(rs.data())),
              zetStatusOk);
    EXPECT_EQ(srcLen, static_cast<zet32s>(text.size()));
    zetsRegExpFree(st);
    return dst.substr(0, static_cast<std::size_t>(dstLen));
}

TEST(CppReplace, ThroughATinyBufferAsOneCall) {
    std::string text;
    for (int i = 0; i < 400; ++i) text += "id" + std::to_string(i) + (i % 7 ? " " : "  --  ");
    struct Case {
        const char* pattern;
        const char* options;
        const char* templ;
    } cases[] = {{"(\\d+)", "g", "<$1:$&>"}, {"\\d", "g", ""}, {"-+", "g", "$&$&$&"}, {"(d)(\\d)?", "", "[$2]"}, {"9 ", "", "nine"}};
    for (const Case& c : cases) {
        const std::string want = oneCall(c.pattern, c.options, c.templ, text);
        auto re = zetch::regex::compile(c.pattern, c.options);
        ASSERT_TRUE(re);
        for (std::size_t buffer : {1, 2, 5, 17, 0}) {
            auto got = zetch::replace(*re, text, c.templ, buffer);
            ASSERT_TRUE(got) << c.pattern << " " << got.message();
            EXPECT_EQ(*got, want) << c.pattern << " buffer " << buffer;
        }
    }
}

TEST(CppErrors, StatusOffsetAndMessage) {
    struct Case {
        const char* pattern;
        std::size_t len;
        const char* options;
        zetch::status_t status;
        bool hasOffset;
    } cases[] = {{"a(b", 3, "", zetStatusRegExpSyntax, true},     {"a{3,1}", 6, "", zetStatusRegExpBadQuantifier, true},
                 {"[b", 2, "", zetStatusRegExpBadClass, true},      {"ab", 2, "iq", zetStatusRegExpBadOption, false},
                 {"a\0b", 3, "", zetStatusBadArgument, true}};
    for (const Case& c : cases) {
        auto re = zetch::regex::compile(std::string_view(c.pattern, c.len), c.options);
        ASSERT_FALSE(re) << c.pattern;
        EXPECT_EQ(re.status(), c.status) << c.pattern;
        EXPECT_STREQ(re.message(), zetch::status_message(c.status));
        if (c.hasOffset) {
            EXPECT_GE(re.err().offset, 0) << c.pattern;
        }
    }
    EXPECT_EQ(zetch::regex::compile(std::string_view("a\0b", 3)).err().offset, 1);
    auto re = zetch::regex::compile("a");
    EXPECT_EQ(zetch::replace(*re, "abc", "$0").status(), zetStatusRegExpBadReference);
    EXPECT_EQ(zetch::replace(*re, "abc", std::string_view("x\0", 2)).err().offset, 1);
    EXPECT_EQ(zetch::multi::create(0).status(), zetStatusBadSize);
    EXPECT_EQ(zetch::find("abc", "")->has_value(), false);
    EXPECT_EQ(*zetch::compare("ab", "abc"), -1);
    EXPECT_EQ(*zetch::compare("abd", "abc"), 1);
    EXPECT_EQ(*zetch::equal_latin_caseless("ABC", "abc"), true);
    EXPECT_EQ(*zetch::equal_latin_caseless("ABC", "abcd"), false);
}

// Spans of 2^31 units (one past the limit) that may not be read: any read faults the test. With
// 4-byte pointers 2^31 16-bit units would fill the whole address space: only bytes there.
constexpr bool kWide = sizeof(void*) == 8;
struct Unreadable {
    static constexpr std::size_t kUnits = std::size_t{1} << 31;
    static constexpr std::size_t kSize = kWide ? 2 * kUnits : kUnits;
    void* p = mmap(nullptr, kSize, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ~Unreadable() { munmap(p, kSize); }
    std::string_view view() const { return {static_cast<const char*>(p), kUnits}; }
    std::u16string_view view16() const { return {static_cast<const char16_t*>(p), kUnits}; }
};

TEST(CppLimits, LengthsPastTheLimitAreRefusedUnread) {
    Unreadable big;
    // A 32-bit process may find no 2 GiB in one piece (32-bit Windows, its DLLs spread over the
    // address space); 32-bit Linux has them, and runs this test.
    if (!kWide && big.p == MAP_FAILED) GTEST_SKIP() << "no 2 GiB of contiguous address space in this 32-bit process";
    ASSERT_NE(big.p, MAP_FAILED);
    const auto v = big.view();
    const auto bad = [](auto r) { return r.status() == zetStatusBadLength; };
    EXPECT_TRUE(bad(zetch::find(v, "x")));
    EXPECT_TRUE(bad(zetch::find("x", v)));
    EXPECT_TRUE(bad(zetch::rfind(v, 'x')));
    EXPECT_TRUE(bad(zetch::compare(v, "x")));
    EXPECT_TRUE(bad(zetch::equal(v, v)));
    EXPECT_TRUE(bad(zetch::hash_mscs(v)));
    EXPECT_TRUE(bad(zetch::trim(v)));
    EXPECT_TRUE(bad(zetch::split(v, ',')));
    EXPECT_TRUE(bad(zetch::utf8_to_utf16(v)));
    if constexpr (kWide) {
        EXPECT_TRUE(bad(zetch::find(big.view16(), u'x')));
    }
    EXPECT_TRUE(bad(zetch::join(std::vector<std::string_view>{v.substr(0, v.size() / 2), v.substr(0, v.size() / 2)})));
    EXPECT_EQ(zetch::split_view(v, ',').begin(), zetch::split_view(v, ',').end());
    auto re = zetch::regex::compile("x");
    EXPECT_TRUE(bad(re->search(v)));
    EXPECT_TRUE(bad(zetch::replace(*re, v, "y")));
    auto all = re->find_all(v);
    EXPECT_EQ(all.begin(), all.end());
    EXPECT_TRUE(bad(all.status()));
    auto table = zetch::multi::create(1);
    ASSERT_TRUE(table->add(*re, 1));
    EXPECT_TRUE(bad(table->search(v)));
}

TEST(CppMoved, MovedFromRefusesMovedToWorks) {
    auto made = zetch::regex::compile("(b+)", "g");
    zetch::regex a = std::move(*made);
    zetch::regex b = std::move(a);
    EXPECT_FALSE(a.valid());
    EXPECT_EQ(a.search("abb").status(), zetStatusNullPointer);
    EXPECT_EQ(zetch::replace(a, "abb", "x").status(), zetStatusNullPointer);
    EXPECT_EQ(a.set_match_limit(5).status(), zetStatusNullPointer);
    auto none = a.find_all("abb");
    EXPECT_EQ(none.begin(), none.end());
    EXPECT_EQ(none.status().status(), zetStatusNullPointer);
    EXPECT_EQ((*b.search("abb"))->str(), "bb");
    EXPECT_EQ(*zetch::replace(b, "abbcb", "<$1>"), "a<bb>c<b>");

    auto table = zetch::multi::create(3);
    EXPECT_EQ(table->add(a, 1).status(), zetStatusNullPointer);
    ASSERT_TRUE(table->add(b, 1));
    EXPECT_EQ(table->add(b, 2).status(), zetStatusBadArgument);  // the same state in two slots
    zetch::regex moved = std::move(b);                           // the table keeps the state
    EXPECT_EQ(table->add(moved, 3).status(), zetStatusBadArgument);
    // Twenty groups: more than a slot's first record array, searched alone again.
    std::string many, subject;
    for (int i = 0; i < 20; ++i) many += "(x)", subject += 'x';
    auto wide = zetch::regex::compile(many);
    ASSERT_TRUE(table->add(*wide, 7));
    auto res = table->search("a" + subject);
    ASSERT_TRUE(res);
    ASSERT_EQ(res->size(), 2u);
    EXPECT_EQ((*res)[0].id, 1);
    EXPECT_EQ((*res)[0].status, zetStatusOk);
    EXPECT_FALSE((*res)[0].found.has_value());
    EXPECT_EQ((*res)[1].id, 7);
    ASSERT_TRUE((*res)[1].found);
    EXPECT_EQ((*res)[1].found->size(), 21u);
    EXPECT_EQ((*res)[1].found->position(), 1u);
    ASSERT_TRUE(table->remove(1));
    EXPECT_EQ(table->search("xx")->size(), 1u);
    zetch::multi other = std::move(*table);
    EXPECT_EQ(table->search("x").status(), zetStatusNullPointer);
    EXPECT_TRUE(other.search("x"));
}

TEST(CppStream, EveryTwoCutsOfAMixedTextConvertAsTheWhole) {
    // ASCII, two-, three- and four-byte characters, a stray continuation byte and a lone
    // high surrogate at the very end (left as it stands at the stream's end).
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80" "b\x80\xE6\x97\xA5\xF0\x9F\x98\x80";
    const std::u16string whole = *zetch::utf8_to_utf16(text);
    for (std::size_t i = 0; i <= text.size(); ++i)
        for (std::size_t j = i; j <= text.size(); ++j) {
            zetch::utf8_to_utf16_stream s;
            std::u16string out;
            for (auto chunk : {text.substr(0, i), text.substr(i, j - i), text.substr(j)}) ASSERT_TRUE(s.feed(chunk, out));
            ASSERT_TRUE(s.finish(out));
            EXPECT_EQ(out, whole) << i << "," << j;
        }
    for (bool be : {false, true}) {
        std::u16string units = whole + u"\xD83D";
        if (be) {
            for (char16_t& c : units) c = static_cast<char16_t>((c >> 8) | (c << 8));
        }
        const std::string back = *zetch::utf16_to_utf8(units, be);
        for (std::size_t i = 0; i <= units.size(); ++i)
            for (std::size_t j = i; j <= units.size(); ++j) {
                zetch::utf16_to_utf8_stream s(be);
                std::string out;
                for (auto chunk : {units.substr(0, i), units.substr(i, j - i), units.substr(j)}) ASSERT_TRUE(s.feed(chunk, out));
                ASSERT_TRUE(s.finish(out));
                EXPECT_EQ(out, back) << be << " " << i << "," << j;
            }
    }
    // A cut character is kept, not passed through as malformed units.
    zetch::utf8_to_utf16_stream s;
    std::u16string out;
    ASSERT_TRUE(s.feed("\xF0\x9F", out));
    EXPECT_EQ(s.kept(), 2u);
    EXPECT_TRUE(out.empty());
}

TEST(CppSplit, RangeAndVectorAgreeOnTheLibrarysPieces) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"", {}}, {",", {""}}, {"a,,b,", {"a", "", "b"}}, {",a", {"", "a"}}, {"abc", {"abc"}}};
    for (const auto& [text, want] : cases) {
        EXPECT_EQ(*zetch::split(text, ','), want) << text;
        std::vector<std::string> viaRange;
        for (auto piece : zetch::split_view(text, ',')) viaRange.emplace_back(piece);
        EXPECT_EQ(viaRange, want) << text;
        std::vector<std::string_view> views(want.begin(), want.end());
        if (want.size() > 1) {
            EXPECT_EQ(*zetch::split(*zetch::join(views, ','), ','), want) << text;
        }
    }
}

}  // namespace
