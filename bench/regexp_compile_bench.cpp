// Compiling regular expressions: a set of 1,000 realistic patterns (literals, classes,
// alternations, groups, quantifiers, anchors, escapes), generated from templates with a fixed
// seed, compiled by zetch and by PCRE2's pcre2_compile.
//   regexp_compile:       zetch compiles into caller memory (its usual use); PCRE2 compiles and frees.
//   regexp_compile_alloc: zetch allocates and frees each state too.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench_util.h"
#include "zetch.h"

#ifdef ZETCH_BENCH_HAVE_LIBPCRE2_8
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>
#endif

namespace {

// Every pattern is valid in both engines and means the same in both.
std::vector<std::string> makePatterns(int count) {
    static const char* const kWords[] = {"error",  "warning", "user",  "session", "timeout", "request",
                                         "server", "client",  "login", "failed",  "token",   "cache",
                                         "disk",   "memory",  "retry", "socket",  "config",  "update"};
    std::mt19937 rng(7101);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const auto word = [&] { return std::string(kWords[pick(18)]); };
    const auto num = [&](int lo, int hi) { return std::to_string(lo + pick(hi - lo + 1)); };
    std::vector<std::string> out;
    while (static_cast<int>(out.size()) < count) {
        std::string p;
        switch (pick(16)) {
            case 0: p = word() + " " + word(); break;
            case 1: p = "\\b(?:" + word() + "|" + word() + "|" + word() + ")\\b"; break;
            case 2: p = "^\\d{" + num(2, 4) + "}-\\d{" + num(3, 5) + "}$"; break;
            case 3: p = "(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})"; break;
            case 4: p = "[\\w.+-]+@[\\w-]+\\.[a-z]{2," + num(3, 6) + "}"; break;
            case 5: p = "(?:https?|ftp)://[a-z0-9.-]+(?:/[\\w./-]*)?"; break;
            case 6: p = "(?i)" + word() + ":\\s*(\\w+)"; break;
            case 7: p = "<(\\w+)[^>]*>(.*?)</\\1>"; break;
            case 8: p = "\\$[0-9]+(?:\\.[0-9]{2})?"; break;
            case 9: p = "^\\s*#\\s*(define|include|if" + word() + ")\\b"; break;
            case 10: p = word() + "(?=\\d{" + num(1, 3) + "})"; break;
            case 11: p = "(?<=" + word() + "=)[^;&]+"; break;
            case 12: p = "[A-Z][a-z]+(?: [A-Z][a-z]+){0," + num(1, 3) + "}"; break;
            case 13: p = "(?:" + word() + "|" + word() + ")-\\d+(?:\\." + "\\d+)*"; break;
            case 14: p = "\\[(" + word() + "|[A-F0-9]{" + num(4, 8) + "})\\]\\s+.*$"; break;
            default: p = "(?>" + word() + "+)\\s(?!" + word() + ")[\\x41-\\x5a]{" + num(1, 4) + ",}"; break;
        }
        out.push_back(p);
    }
    return out;
}

const std::vector<std::string>& patterns() {
    static const std::vector<std::string> set = makePatterns(1000);
    return set;
}

void compileZetch(benchmark::State& st, int alloc) {
    const auto& set = patterns();
    std::size_t largest = 0;
    for (const auto& p : set) largest = std::max(largest, p.size());
    std::vector<std::uint32_t> block((40052 + 20 * largest) / 4 + 1);
    auto* state = reinterpret_cast<RegExpState*>(block.data());
    for (const auto& p : set) {
        zet32s offset;
        if (zetsRegExpInit(p.c_str(), nullptr, state, &offset) != zetStatusOk) {
            st.SkipWithError(("zetch refuses " + p).c_str());
            return;
        }
    }
    for (auto _ : st) {
        for (const auto& p : set) {
            zet32s offset;
            if (alloc) {
                RegExpState* s = nullptr;
                zetsRegExpInitAlloc(p.c_str(), nullptr, &s, &offset);
                benchmark::DoNotOptimize(s);
                zetsRegExpFree(s);
            } else {
                zet32s size;
                zetsRegExpGetSize(p.c_str(), &size);
                benchmark::DoNotOptimize(zetsRegExpInit(p.c_str(), nullptr, state, &offset));
            }
        }
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(static_cast<std::int64_t>(st.iterations()) * static_cast<std::int64_t>(set.size()));
}

#ifdef ZETCH_BENCH_HAVE_LIBPCRE2_8
void compilePcre2(benchmark::State& st, int) {
    const auto& set = patterns();
    for (auto _ : st) {
        for (const auto& p : set) {
            int err;
            PCRE2_SIZE offset;
            pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(p.c_str()), PCRE2_ZERO_TERMINATED, 0, &err,
                                             &offset, nullptr);
            if (code == nullptr) {
                st.SkipWithError(("PCRE2 refuses " + p).c_str());
                return;
            }
            benchmark::DoNotOptimize(code);
            pcre2_code_free(code);
        }
    }
    st.SetItemsProcessed(static_cast<std::int64_t>(st.iterations()) * static_cast<std::int64_t>(set.size()));
}
#endif

[[maybe_unused]] const bool registered = [] {
    bench::add("regexp_compile/zetch", compileZetch, 0, {1000});
    bench::add("regexp_compile_alloc/zetch", compileZetch, 1, {1000});
#ifdef ZETCH_BENCH_HAVE_LIBPCRE2_8
    bench::add("regexp_compile/pcre2", compilePcre2, 0, {1000});
    bench::add("regexp_compile_alloc/pcre2", compilePcre2, 0, {1000});
#endif
    return true;
}();

}  // namespace
