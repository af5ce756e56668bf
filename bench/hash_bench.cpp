// The three string hashes against the plain loop of each rule, on random letters.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_util.h"
#include "zetch.h"

namespace {

template <class T>
zet32u loop(int rule, const T* s, int len) {
    zet32u h = rule == 2 ? 5381 : 0;
    for (int i = 0; i < len; ++i) {
        const zet32u c = s[i];
        if (rule == 0) h = (h << 1) ^ c;
        else if (rule == 1) h = h * 31 + c;
        else if (c == 0) break;
        else h = ((h << 5) + h) ^ c;
    }
    return h;
}

template <class T>
void hash(benchmark::State& st, int packed) {
    const int rule = packed % 3;
    const bool zetch = packed / 3 == 0;
    const std::size_t n = static_cast<std::size_t>(st.range(0)) / sizeof(T);
    const T* s;
    if constexpr (sizeof(T) == 1)
        s = bench::letters(n).data();
    else
        s = bench::letters16(n).data();
    using Fn = ZetStatus (*)(const T*, zet32s, zet32u*);
    Fn fn;
    if constexpr (sizeof(T) == 1)
        fn = rule == 0 ? zetsHash_8u32u : rule == 1 ? zetsHashSJ2_8u32u : zetsHashMSCS_8u32u;
    else
        fn = rule == 0 ? zetsHash_16u32u : rule == 1 ? zetsHashSJ2_16u32u : zetsHashMSCS_16u32u;
    for (auto _ : st) {
        zet32u h;
        if (zetch)
            fn(s, static_cast<int>(n), &h);
        else
            h = loop(rule, s, static_cast<int>(n));
        benchmark::DoNotOptimize(h);
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * st.range(0));
}

const std::vector<std::int64_t> kSizes = {16, 256, 4 << 10, 64 << 10};

[[maybe_unused]] const bool registered = [] {
    const char* const rules[] = {"hash", "hashsj2", "hashmscs"};
    for (int rule = 0; rule < 3; ++rule)
        for (int impl = 0; impl < 2; ++impl) {
            const std::string who = impl == 0 ? "/zetch" : "/loop";
            bench::add(std::string(rules[rule]) + "_8u" + who, hash<zet8u>, impl * 3 + rule, kSizes);
            bench::add(std::string(rules[rule]) + "_16u" + who, hash<zet16u>, impl * 3 + rule, kSizes);
        }
    return true;
}();

}  // namespace
