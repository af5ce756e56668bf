// Searching with regular expressions: every match of six everyday patterns over English prose
// (bench::prose, with an e-mail address, a URI and an IPv4 address about every 2 KiB), with the
// g option, 64 KiB and 1 MiB. Every implementation counts the same matches (checked once).
//   zetch:      zetsRegExpFind_8u with g, one call storing every match.
//   pcre2:      pcre2_match in a loop, the interpreter (no JIT); pcre2_jit: the same after
//               pcre2_jit_compile, for reference.
//   re2:        RE2::FindAndConsume in a loop, for reference.
//   std_regex:  std::regex_iterator (ECMAScript grammar; icase for the caseless word).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "bench_util.h"
#include "zetch.h"

#ifdef ZETCH_BENCH_HAVE_LIBPCRE2_8
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>
#endif
#ifdef ZETCH_BENCH_HAVE_RE2
#include <re2/re2.h>
#endif

namespace {

struct Case {
    const char* name;
    const char* pattern;  // the same text in every engine
    bool caseless;
};

const Case kCases[] = {
    {"email", R"([\w\.+-]+@[\w\.-]+\.[\w\.-]+)", false},
    {"uri", R"([\w]+://[^/\s?#]+[^\s?#]+(?:\?[^\s#]*)?(?:#[^\s]*)?)", false},
    {"ipv4", R"((?:(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\.){3}(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?))", false},
    {"word", "river", false},
    {"word_i", "river", true},
    {"ing", R"(\b\w+ing\b)", false},
};

enum Impl { kZetch, kPcre2, kPcre2Jit, kRe2, kStdRegex };

std::string_view text(std::size_t n) {
    const auto& v = bench::prose(n);
    return {reinterpret_cast<const char*>(v.data()), v.size()};
}

long countZetch(const Case& c, std::string_view s, benchmark::State* st) {
    RegExpState* re = nullptr;
    zet32s off = 0;
    if (zetsRegExpInitAlloc(c.pattern, c.caseless ? "gi" : "g", &re, &off) != zetStatusOk) std::abort();
    std::vector<RegExpMatchRecord> rec(s.size() / 2 + 1);
    long found = 0;
    const auto run = [&] {
        zet32s n = static_cast<zet32s>(rec.size());
        zetsRegExpFind_8u(reinterpret_cast<const zet8u*>(s.data()), static_cast<zet32s>(s.size()), re, rec.data(), &n);
        found = n;
        benchmark::DoNotOptimize(rec.data());
    };
    if (st == nullptr) run();
    else
        for (auto _ : *st) run();
    zetsRegExpFree(re);
    return found;
}

#ifdef ZETCH_BENCH_HAVE_LIBPCRE2_8
long countPcre2(const Case& c, std::string_view s, bool jit, benchmark::State* st) {
    int err = 0;
    PCRE2_SIZE eoff = 0;
    pcre2_code* re = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(c.pattern), PCRE2_ZERO_TERMINATED,
                                   c.caseless ? PCRE2_CASELESS : 0, &err, &eoff, nullptr);
    if (re == nullptr) std::abort();
    if (jit && pcre2_jit_compile(re, PCRE2_JIT_COMPLETE) != 0) std::abort();
    pcre2_match_data* md = pcre2_match_data_create_from_pattern(re, nullptr);
    long found = 0;
    const auto run = [&] {
        found = 0;
        PCRE2_SIZE at = 0;
        while (pcre2_match(re, reinterpret_cast<PCRE2_SPTR>(s.data()), s.size(), at, 0, md, nullptr) > 0) {
            const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(md);
            ++found;
            at = ov[1] > ov[0] ? ov[1] : ov[1] + 1;  // none of the patterns matches empty
        }
    };
    if (st == nullptr) run();
    else
        for (auto _ : *st) run();
    pcre2_match_data_free(md);
    pcre2_code_free(re);
    return found;
}
#endif

#ifdef ZETCH_BENCH_HAVE_RE2
long countRe2(const Case& c, std::string_view s, benchmark::State* st) {
    RE2::Options o;
    o.set_case_sensitive(!c.caseless);
    const RE2 re(c.pattern, o);
    if (!re.ok()) std::abort();
    long found = 0;
    const auto run = [&] {
        found = 0;
        re2::StringPiece in(s.data(), s.size());
        while (RE2::FindAndConsume(&in, re)) ++found;
    };
    if (st == nullptr) run();
    else
        for (auto _ : *st) run();
    return found;
}
#endif

long countStd(const Case& c, std::string_view s, benchmark::State* st) {
    auto flags = std::regex::ECMAScript | std::regex::optimize;
    if (c.caseless) flags |= std::regex::icase;
    const std::regex re(c.pattern, flags);
    long found = 0;
    const auto run = [&] {
        found = std::distance(std::cregex_iterator(s.data(), s.data() + s.size(), re), std::cregex_iterator());
    };
    if (st == nullptr) run();
    else
        for (auto _ : *st) run();
    return found;
}

long count(const Case& c, int impl, std::string_view s, benchmark::State* st) {
    switch (impl) {
#ifdef ZETCH_BENCH_HAVE_LIBPCRE2_8
        case kPcre2: return countPcre2(c, s, false, st);
        case kPcre2Jit: return countPcre2(c, s, true, st);
#endif
#ifdef ZETCH_BENCH_HAVE_RE2
        case kRe2: return countRe2(c, s, st);
#endif
        case kStdRegex: return countStd(c, s, st);
        default: return countZetch(c, s, st);
    }
}

void run(benchmark::State& st, const Case& c, int impl) {
    const std::string_view s = text(static_cast<std::size_t>(st.range(0)));
    const long want = count(c, kZetch, s, nullptr);
    const long got = count(c, impl, s, nullptr);
    if (got != want) {
        st.SkipWithError(("match count " + std::to_string(got) + ", zetch " + std::to_string(want)).c_str());
        return;
    }
    count(c, impl, s, &st);
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * static_cast<std::int64_t>(s.size()));
    st.counters["matches"] = static_cast<double>(want);
}

const int kRegistered = [] {
    const std::vector<std::int64_t> sizes = {64 << 10, 1 << 20};
    for (const Case& c : kCases) {
        const std::string family = std::string("regexp_search_") + c.name + "/";
        const auto add = [&](const char* impl, int id) {
            bench::add(family + impl, [&c](benchmark::State& st, int i) { run(st, c, i); }, id, sizes);
        };
        add("zetch", kZetch);
#ifdef ZETCH_BENCH_HAVE_LIBPCRE2_8
        add("pcre2", kPcre2);
        add("pcre2_jit", kPcre2Jit);
#endif
#ifdef ZETCH_BENCH_HAVE_RE2
        add("re2", kRe2);
#endif
        add("std_regex", kStdRegex);
    }
    return 0;
}();

}  // namespace
