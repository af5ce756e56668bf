// Global regular-expression replacement with two group references over English-like prose
// (bench::proseWithPairs), by zetch and by PCRE2's pcre2_substitute, interpreted and JIT-compiled:
//   regexp_replace_email: (\w+)@(\w+)\.com -> "$2 at $1" (an address about every 12 words);
//   regexp_replace_date:  (\d+)-(\d+)      -> "$2/$1"    (a number pair about every 10 words).
// zetch gets a record array sized from a first call (room for every match, as a global
// replacement in one call needs) and a destination of twice the source; PCRE2 an output buffer
// of the same size and match data made once. Both outputs are checked equal before timing.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench_util.h"
#include "zetch.h"

#ifdef ZETCH_BENCH_HAVE_LIBPCRE2_8
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>
#endif

namespace {

struct Case {
    const char* pattern;
    const char* tmpl;  // the same text in both template languages
};
const Case kCases[] = {{"(\\w+)@(\\w+)\\.com", "$2 at $1"}, {"(\\d+)-(\\d+)", "$2/$1"}};

// zetch's replacement of the whole text in one call; empty when it fails.
struct Zetch {
    RegExpState* re = nullptr;
    std::vector<std::uint32_t> block;
    std::vector<RegExpMatchRecord> records;
    std::vector<zet8u> out;
    zet32s written = 0;

    explicit Zetch(const Case& c, const std::vector<zet8u>& text) {
        zet32s offset, size;
        if (zetsRegExpInitAlloc(c.pattern, "g", &re, &offset) != zetStatusOk) return;
        zetsRegExpReplaceGetSize(c.tmpl, &size);
        block.resize(static_cast<std::size_t>(size) / 4);
        zetsRegExpReplaceInit(c.tmpl, state());
        out.resize(2 * text.size() + 1);
        // A first call counts the records: a match takes three records and at least three bytes.
        records.resize(text.size() + 16);
        zet32s n = run(text);
        records.resize(static_cast<std::size_t>(n) + 16);
    }
    ~Zetch() { zetsRegExpFree(re); }
    RegExpReplaceState* state() { return reinterpret_cast<RegExpReplaceState*>(block.data()); }

    // Records stored, or -1 on any failure; the output is out[0, written).
    zet32s run(const std::vector<zet8u>& text) {
        zet32s srcLen = static_cast<zet32s>(text.size()), dstLen = static_cast<zet32s>(out.size());
        zet32s n = static_cast<zet32s>(records.size());
        if (zetsRegExpReplace_8u(text.data(), &srcLen, out.data(), &dstLen, records.data(), &n, re, state()) != zetStatusOk ||
            srcLen != static_cast<zet32s>(text.size()))
            return -1;
        written = dstLen;
        return n;
    }
};

#ifdef ZETCH_BENCH_HAVE_LIBPCRE2_8
struct Pcre2 {
    pcre2_code* code = nullptr;
    pcre2_match_data* data = nullptr;
    std::vector<PCRE2_UCHAR> out;
    PCRE2_SIZE written = 0;
    const char* tmpl;

    Pcre2(const Case& c, const std::vector<zet8u>& text, bool jit) : tmpl(c.tmpl) {
        int err;
        PCRE2_SIZE offset;
        code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(c.pattern), PCRE2_ZERO_TERMINATED, 0, &err, &offset, nullptr);
        if (code == nullptr) return;
        if (jit) pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
        data = pcre2_match_data_create_from_pattern(code, nullptr);
        out.resize(2 * text.size() + 1);
    }
    ~Pcre2() {
        pcre2_match_data_free(data);
        pcre2_code_free(code);
    }
    bool run(const std::vector<zet8u>& text) {
        written = out.size();
        return pcre2_substitute(code, text.data(), text.size(), 0, PCRE2_SUBSTITUTE_GLOBAL, data, nullptr,
                                reinterpret_cast<PCRE2_SPTR>(tmpl), PCRE2_ZERO_TERMINATED, out.data(), &written) >= 0;
    }
};
#endif

void replaceZetch(benchmark::State& st, int which) {
    const auto& text = bench::proseWithPairs(static_cast<std::size_t>(st.range(0)));
    Zetch z(kCases[which], text);
    if (z.re == nullptr || z.run(text) < 0) {
        st.SkipWithError("zetch replacement failed");
        return;
    }
#ifdef ZETCH_BENCH_HAVE_LIBPCRE2_8
    Pcre2 ref(kCases[which], text, false);
    if (!ref.run(text) || std::string(z.out.begin(), z.out.begin() + z.written) != std::string(ref.out.begin(), ref.out.begin() + static_cast<long>(ref.written))) {
        st.SkipWithError("zetch and PCRE2 disagree");
        return;
    }
#endif
    for (auto _ : st) benchmark::DoNotOptimize(z.run(text));
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * static_cast<std::int64_t>(text.size()));
}

#ifdef ZETCH_BENCH_HAVE_LIBPCRE2_8
void replacePcre2(benchmark::State& st, int which, bool jit) {
    const auto& text = bench::proseWithPairs(static_cast<std::size_t>(st.range(0)));
    Pcre2 p(kCases[which], text, jit);
    if (p.code == nullptr || !p.run(text)) {
        st.SkipWithError("pcre2_substitute failed");
        return;
    }
    for (auto _ : st) benchmark::DoNotOptimize(p.run(text));
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * static_cast<std::int64_t>(text.size()));
}
#endif

[[maybe_unused]] const bool registered = [] {
    const std::vector<std::int64_t> sizes = {1 << 16, 1 << 20};
    const char* const families[] = {"regexp_replace_email", "regexp_replace_date"};
    for (int c = 0; c < 2; ++c) {
        const std::string family = families[c];
        bench::add(family + "/zetch", replaceZetch, c, sizes);
#ifdef ZETCH_BENCH_HAVE_LIBPCRE2_8
        bench::add(family + "/pcre2", [](benchmark::State& st, int w) { replacePcre2(st, w, false); }, c, sizes);
        bench::add(family + "/pcre2_jit", [](benchmark::State& st, int w) { replacePcre2(st, w, true); }, c, sizes);
#endif
    }
    return true;
}();

}  // namespace
