// Differential test of the replacement against pcre2_substitute: random patterns of
// support/regexp_gen.h on random ASCII subjects, random templates of text, group references and
// the whole match, first match and global. Where the template rules differ: the whole match is $&
// for us and ${0} for PCRE2; a literal digit after a reference is $1\2 for us and ${1}2 for PCRE2;
// unset and unknown groups insert nothing (PCRE2 told so). After an empty match our global search
// takes a match of exactly the next unit, PCRE2's an anchored non-empty one: on such subjects the
// matches are taken by our rule and expanded here, leaving out patterns with look-ahead.
#include <gtest/gtest.h>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "regexp/program.h"
#include "support/regexp_gen.h"
#include "zetch.h"

namespace {

constexpr int kCases = 3000;

struct Span {
    long start;  // -1: unset
    long len;
};
using Match = std::vector<Span>;  // the whole match, then every group

class Pcre2 {
public:
    Pcre2(const std::string& pattern, const std::string& options) {
        std::uint32_t flags = PCRE2_NO_START_OPTIMIZE | PCRE2_NO_AUTO_POSSESS | PCRE2_NO_DOTSTAR_ANCHOR;
        for (char c : options) {
            if (c == 'i') flags |= PCRE2_CASELESS;
            if (c == 'm') flags |= PCRE2_MULTILINE;
            if (c == 's') flags |= PCRE2_DOTALL;
        }
        int err = 0;
        PCRE2_SIZE offset = 0;
        ctx_ = pcre2_compile_context_create(nullptr);
        pcre2_set_newline(ctx_, PCRE2_NEWLINE_LF);
        code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.c_str()), pattern.size(), flags, &err, &offset, ctx_);
        if (code_ != nullptr) data_ = pcre2_match_data_create_from_pattern(code_, nullptr);
    }
    ~Pcre2() { pcre2_match_data_free(data_), pcre2_code_free(code_), pcre2_compile_context_free(ctx_); }
    bool ok() const { return code_ != nullptr; }

    // The match at the first start position at or after `from` within the first `len` bytes.
    Match match(const std::string& subject, std::size_t from, std::size_t len, bool notEmpty) {
        const int rc = pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(subject.data()), len, from, notEmpty ? PCRE2_NOTEMPTY : 0,
                                   data_, nullptr);
        if (rc < 0) return {};
        const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data_);
        std::uint32_t captures = 0;
        pcre2_pattern_info(code_, PCRE2_INFO_CAPTURECOUNT, &captures);
        Match m;
        for (std::uint32_t g = 0; g <= captures; ++g)
            m.push_back(ov[2 * g] == PCRE2_UNSET ? Span{-1, -1}
                                                 : Span{static_cast<long>(ov[2 * g]), static_cast<long>(ov[2 * g + 1] - ov[2 * g])});
        return m;
    }

    // Successive matches by our rule: on at m + k after a match (m, k); after an empty match at
    // m, a match of exactly the unit at m, then on at m + 1.
    std::vector<Match> all(const std::string& subject) {
        std::vector<Match> out;
        for (std::size_t pos = 0; pos <= subject.size();) {
            Match m = match(subject, pos, subject.size(), false);
            if (m.empty()) break;
            const auto start = static_cast<std::size_t>(m[0].start);
            const long len = m[0].len;
            out.push_back(std::move(m));
            if (len > 0 || start >= subject.size()) {
                pos = start + static_cast<std::size_t>(len > 0 ? len : 1);
                continue;
            }
            if (Match one = match(subject, start, start + 1, true); !one.empty()) out.push_back(std::move(one));
            pos = start + 1;
        }
        return out;
    }

    std::string substitute(const std::string& subject, const std::string& tmpl, bool global) {
        std::vector<PCRE2_UCHAR> out(1 << 14);
        PCRE2_SIZE outLen = out.size();
        const std::uint32_t flags = PCRE2_SUBSTITUTE_UNSET_EMPTY | PCRE2_SUBSTITUTE_UNKNOWN_UNSET | (global ? PCRE2_SUBSTITUTE_GLOBAL : 0);
        const int rc = pcre2_substitute(code_, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), 0, flags, data_,
                                        nullptr, reinterpret_cast<PCRE2_SPTR>(tmpl.data()), tmpl.size(), out.data(), &outLen);
        return rc < 0 ? "pcre2_substitute failed: " + std::to_string(rc) : std::string(out.begin(), out.begin() + static_cast<long>(outLen));
    }

private:
    pcre2_compile_context* ctx_ = nullptr;
    pcre2_code* code_ = nullptr;
    pcre2_match_data* data_ = nullptr;
};

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
    return out + subject.substr(cur);
}

using StatePtr = std::unique_ptr<RegExpState, void (*)(RegExpState*)>;

StatePtr compile(const std::string& pattern, const std::string& options) {
    RegExpState* s = nullptr;
    zet32s offset = 0;
    zetsRegExpInitAlloc(pattern.c_str(), options.c_str(), &s, &offset);
    if (s != nullptr) zetsRegExpSetMatchLimit(1000000, s);
    return StatePtr(s, zetsRegExpFree);
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
    if (st != zetStatusOk) return "status " + std::to_string(st);
    if (srcLen != static_cast<zet32s>(subject.size())) return "stopped at " + std::to_string(srcLen);
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
        StatePtr first = compile(pattern, options), every = compile(pattern, options + "g");
        Pcre2 ref(pattern, options);
        ASSERT_TRUE(first && every && ref.ok()) << pattern;
        // A look-ahead or $ sees the end of the subject cut after a required final literal.
        if (seesEnd && first->requiredLiteral >= 0) continue;
        const int groups = first->groupCount;
        for (int k = 0; k < 4; ++k) {
            const std::string subject = gen.subject();
            if (subject.empty()) continue;  // a replacement needs a source of one byte or more
            const std::vector<Item> items = randomTemplate(gen, groups - 1);
            const auto [ours, theirs] = templates(items);
            const std::string where = "/" + pattern + "/" + options + " on \"" + subject + "\" with \"" + ours + "\"";
            ASSERT_EQ(ourReplace(first.get(), subject, ours, groups), ref.substitute(subject, theirs, false)) << where;

            const std::vector<Match> matches = ref.all(subject);
            if (std::none_of(matches.begin(), matches.end(), [](const Match& m) { return m[0].len == 0; })) {
                ASSERT_EQ(ourReplace(every.get(), subject, ours, 1000), ref.substitute(subject, theirs, true)) << "g " << where;
                ++bySubstitute;
            } else if (!lookahead) {
                ASSERT_EQ(ourReplace(every.get(), subject, ours, 1000), expand(subject, matches, items)) << "g " << where;
                ++byOurRule;
            }
        }
    }
    // The exclusions leave most cases in, and subjects with empty matches are not rare.
    EXPECT_GT(bySubstitute, 2 * kCases);
    EXPECT_GT(byOurRule, kCases / 10);
}

}  // namespace
