// PCRE2 as the reference engine of the differential tests, and our search driven the same way.
// PCRE2 runs with its start-of-match optimizations off (they lose matches in the version we
// compare with), newline LF, the option letters i, m and s, and is driven by our rule for
// successive matches.
#pragma once

#include <gtest/gtest.h>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "regexp/program.h"
#include "zetch.h"

namespace pcre2_ref {

struct Span {
    long start;  // -1: unset
    long len;
    bool operator==(const Span&) const = default;
};
using Match = std::vector<Span>;  // the whole match, then every group; empty: no match

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
    ~Pcre2() {
        pcre2_match_data_free(data_);
        pcre2_code_free(code_);
        pcre2_compile_context_free(ctx_);
    }
    Pcre2(const Pcre2&) = delete;
    Pcre2& operator=(const Pcre2&) = delete;
    bool ok() const { return code_ != nullptr; }

    std::uint32_t captures() const {
        std::uint32_t n = 0;
        pcre2_pattern_info(code_, PCRE2_INFO_CAPTURECOUNT, &n);
        return n;
    }

    // The match at the first start position at or after `from` within the subject's first `len`
    // bytes (a non-empty one when `notEmpty`).
    Match match(const std::string& subject, std::size_t from, std::size_t len, bool notEmpty) {
        const int rc = pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(subject.data()), len, from, notEmpty ? PCRE2_NOTEMPTY : 0,
                                   data_, nullptr);
        if (rc < 0) return {};
        const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data_);
        Match m;
        for (std::uint32_t g = 0; g < pcre2_get_ovector_count(data_) && g <= captures(); ++g)
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

    // pcre2_substitute from the start of the subject; unset and unknown groups insert nothing.
    std::string substitute(const std::string& subject, const std::string& tmpl, bool global) {
        std::vector<PCRE2_UCHAR> out(1 << 14);
        PCRE2_SIZE outLen = out.size();
        const std::uint32_t flags = PCRE2_SUBSTITUTE_UNSET_EMPTY | PCRE2_SUBSTITUTE_UNKNOWN_UNSET | (global ? PCRE2_SUBSTITUTE_GLOBAL : 0);
        const int rc = pcre2_substitute(code_, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), 0, flags, data_,
                                        nullptr, reinterpret_cast<PCRE2_SPTR>(tmpl.data()), tmpl.size(), out.data(), &outLen);
        if (rc < 0) return std::string("pcre2_substitute failed: ").append(std::to_string(rc));
        return std::string(out.begin(), out.begin() + static_cast<long>(outLen));
    }

private:
    pcre2_compile_context* ctx_ = nullptr;
    pcre2_code* code_ = nullptr;
    pcre2_match_data* data_ = nullptr;
};

// Our compiled pattern (match limit one million) and its search.
struct Ours {
    std::unique_ptr<RegExpState, void (*)(RegExpState*)> state{nullptr, zetsRegExpFree};
    ZetStatus status = zetStatusOk;

    Ours(const std::string& pattern, const std::string& options) {
        RegExpState* s = nullptr;
        zet32s offset = 0;
        status = zetsRegExpInitAlloc(pattern.c_str(), options.c_str(), &s, &offset);
        state.reset(s);
        if (s != nullptr) zetsRegExpSetMatchLimit(1000000, s);
    }

    // The spans of the first `records` match records zetsRegExpFind_8u fills.
    std::vector<Span> find(const std::string& subject, int records) {
        std::vector<RegExpMatchRecord> rec(static_cast<std::size_t>(records));
        zet32s n = records;
        const auto* p = reinterpret_cast<const zet8u*>(subject.data());
        const ZetStatus st = zetsRegExpFind_8u(p, static_cast<zet32s>(subject.size()), state.get(), rec.data(), &n);
        EXPECT_GE(st, 0);
        std::vector<Span> spans;
        for (int i = 0; i < n; ++i)
            spans.push_back(rec[i].pStr == nullptr ? Span{-1, -1} : Span{rec[i].pStr - p, rec[i].len});
        return spans;
    }
};

}  // namespace pcre2_ref
