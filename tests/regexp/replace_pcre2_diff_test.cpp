// Differential test of the replacement against pcre2_substitute: random patterns of
// support/regexp_gen.h on random ASCII subjects, random templates of text, group references and
// the whole match, first match and global. Where the template rules differ: the whole match is $&
// for us and ${0} for PCRE2; a literal digit after a reference is $1\2 for us and ${1}2 for PCRE2;
// unset and unknown groups insert nothing (PCRE2 told so). After an empty match our global search
// takes a match of exactly the next unit, PCRE2's an anchored non-empty one: on such subjects the
// matches are taken by our rule and expanded here, leaving out patterns with look-ahead.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "support/pcre2_ref.h"
#include "support/regexp_gen.h"

namespace {

using pcre2_ref::Match;
using pcre2_ref::Ours;
using pcre2_ref::Pcre2;

constexpr int kCases = 3000;

// A template as items: literal text, or a group number (0: the whole match).
struct Item {
    std::string text;
    int group = -1;
};

std::vector<Item> randomTemplate(regexp_gen::Generator& gen, int groups) {
    static const char kText[] = "xy-_ :,.";
    std::vector<Item> items;
    for (int n = gen.pick(0, 4); n > 0; --n) {
        Item it;
        switch (gen.pick(0, 3)) {
            case 0: it.group = 0; break;
            case 1: it.group = gen.pick(1, groups + 2); break;  // past the groups at times
            case 2:
                if (!items.empty() && items.back().group >= 0) {
                    it.text = std::to_string(gen.pick(0, 9));  // a digit right after a reference
                    break;
                }
                [[fallthrough]];
            default:
                for (int k = gen.pick(1, 3); k > 0; --k) it.text += kText[gen.pick(0, static_cast<int>(sizeof kText) - 2)];
        }
        items.push_back(it);
    }
    return items;
}

// The template in our syntax and in PCRE2's.
std::pair<std::string, std::string> templates(const std::vector<Item>& items) {
    std::string ours, theirs;
    for (const Item& it : items) {
        if (it.group < 0) {  // a digit right after a reference is set apart by a backslash for us
            ours.append(!ours.empty() && ours.back() >= '0' && ours.back() <= '9' ? "\\" : "").append(it.text);
            theirs.append(it.text);
            continue;
        }
        ours.append(it.group ? "$" : "$&").append(it.group ? std::to_string(it.group) : "");
        theirs.append("${").append(std::to_string(it.group)).append("}");
    }
    return {ours, theirs};
}

// The replacement of the given matches, by the template rules.
std::string expand(const std::string& subject, const std::vector<Match>& matches, const std::vector<Item>& items) {
    std::string out;
    std::size_t cur = 0;
    for (const Match& m : matches) {
        const auto start = static_cast<std::size_t>(m[0].start);
        out += subject.substr(cur, start - cur);
        for (const Item& it : items) {
            if (it.group < 0) out += it.text;
            else if (it.group < static_cast<int>(m.size()) && m[it.group].start >= 0)
                out += subject.substr(static_cast<std::size_t>(m[it.group].start), static_cast<std::size_t>(m[it.group].len));
        }
        cur = start + static_cast<std::size_t>(m[0].len);
    }
    return out.append(subject, cur);
}

std::string ourReplace(RegExpState* re, const std::string& subject, const std::string& tmpl, int records) {
    zet32s size = 0;
    zetsRegExpReplaceGetSize(tmpl.c_str(), &size);
    std::vector<std::uint32_t> block(static_cast<std::size_t>(size) / 4);
    auto* rs = reinterpret_cast<RegExpReplaceState*>(block.data());
    if (zetsRegExpReplaceInit(tmpl.c_str(), rs) != zetStatusOk) return "template refused";
    std::vector<zet8u> dst(1 << 14);
    std::vector<RegExpMatchRecord> rec(static_cast<std::size_t>(records));
    zet32s srcLen = static_cast<zet32s>(subject.size()), dstLen = static_cast<zet32s>(dst.size()), n = records;
    const ZetStatus st = zetsRegExpReplace_8u(reinterpret_cast<const zet8u*>(subject.data()), &srcLen, dst.data(), &dstLen, rec.data(),
                                              &n, re, rs);
    if (st != zetStatusOk) return std::string("status ").append(std::to_string(st));
    if (srcLen != static_cast<zet32s>(subject.size())) return std::string("stopped at ").append(std::to_string(srcLen));
    return std::string(dst.begin(), dst.begin() + dstLen);
}

TEST(RegExpReplacePcre2Differential, FirstAndEveryMatch) {
    regexp_gen::Generator gen(20261207);
    int bySubstitute = 0, byOurRule = 0;
    for (int c = 0; c < kCases; ++c) {
        const std::string pattern = gen.pattern();
        const bool lookahead = gen.hasLookahead();
        const bool seesEnd = gen.seesEnd();
        const std::string options = gen.options();
        Ours first(pattern, options), every(pattern, options + "g");
        Pcre2 ref(pattern, options);
        ASSERT_TRUE(first.state && every.state && ref.ok()) << pattern;
        // A look-ahead or $ sees the end of the subject cut after a required final literal.
        if (seesEnd && first.state->requiredLiteral >= 0) continue;
        const int groups = first.state->groupCount;
        for (int k = 0; k < 4; ++k) {
            const std::string subject = gen.subject();
            if (subject.empty()) continue;  // a replacement needs a source of one byte or more
            const std::vector<Item> items = randomTemplate(gen, groups - 1);
            const auto [ours, theirs] = templates(items);
            std::string where = "/";
            where.append(pattern).append("/").append(options);
            where.append(" on \"").append(subject).append("\" with \"").append(ours).append("\"");
            ASSERT_EQ(ourReplace(first.state.get(), subject, ours, groups), ref.substitute(subject, theirs, false)) << where;

            const std::vector<Match> matches = ref.all(subject);
            if (std::none_of(matches.begin(), matches.end(), [](const Match& m) { return m[0].len == 0; })) {
                ASSERT_EQ(ourReplace(every.state.get(), subject, ours, 1000), ref.substitute(subject, theirs, true)) << "g " << where;
                ++bySubstitute;
            } else if (!lookahead) {
                ASSERT_EQ(ourReplace(every.state.get(), subject, ours, 1000), expand(subject, matches, items)) << "g " << where;
                ++byOurRule;
            }
        }
    }
    // The exclusions leave most cases in, and subjects with empty matches are not rare.
    EXPECT_GT(bySubstitute, 2 * kCases);
    EXPECT_GT(byOurRule, kCases / 10);
}

}  // namespace
