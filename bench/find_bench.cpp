// Substring search on English-like text against memmem, std::string_view::find / rfind and
// std::boyer_moore_horspool_searcher (its tables built once, outside the timed loop).
//
// FAMILY/IMPLEMENTATION/len:TEXT-LENGTH/needle:NEEDLE-LENGTH, texts of 4 KiB, 64 KiB and 1 MiB.
// "hit": the needle occurs once, a quarter of the text before the end (forward) or after the
// start (backward); "miss": it does not occur. Needles are pieces of the text with ordinary
// letters at both ends, made absent by a changed middle byte (or, for two bytes, a pair of common
// letters that the text never has side by side), so that their bytes and pairs of bytes occur
// throughout the text. The standard library's searchers run at 64 KiB only.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <string_view>
#include <vector>

#include "bench_util.h"
#include "zetch.h"

namespace {

struct Input {
    std::vector<zet8u> text, needle;
};

bool contains(const std::vector<zet8u>& text, const std::vector<zet8u>& needle) {
    return memmem(text.data(), text.size(), needle.data(), needle.size()) != nullptr;
}

bool letter(zet8u c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::vector<zet8u> absentNeedle(const std::vector<zet8u>& text, std::size_t m) {
    if (m == 2) {
        const char common[] = "etaoinshrdlucmfwypvbgk";
        for (char a : std::string_view(common))
            for (char b : std::string_view(common)) {
                std::vector<zet8u> n = {static_cast<zet8u>(a), static_cast<zet8u>(b)};
                if (!contains(text, n)) return n;
            }
    }
    for (std::size_t at = text.size() / 3;; ++at) {
        if (!letter(text[at]) || !letter(text[at + m - 1])) continue;
        std::vector<zet8u> n(text.begin() + static_cast<std::ptrdiff_t>(at),
                             text.begin() + static_cast<std::ptrdiff_t>(at + m));
        n[m / 2] = 'Q';
        if (!contains(text, n)) return n;
    }
}

// Forward inputs plant the needle near the end, backward ones near the start.
const Input& input(std::size_t n, std::size_t m, bool hit, bool backward) {
    static std::map<std::tuple<std::size_t, std::size_t, bool, bool>, Input> cache;
    auto& in = cache[{n, m, hit, backward}];
    if (in.text.empty()) {
        in.text = bench::english(n);
        in.needle = absentNeedle(in.text, m);
        if (hit) {
            const std::size_t at = backward ? n / 4 : n - n / 4 - m;
            std::copy(in.needle.begin(), in.needle.end(), in.text.begin() + static_cast<std::ptrdiff_t>(at));
        }
    }
    return in;
}

enum Impl { Zetch, Memmem, StringView, Horspool };

void find(benchmark::State& st, Impl impl, bool hit) {
    const Input& in = input(static_cast<std::size_t>(st.range(0)), static_cast<std::size_t>(st.range(1)), hit, false);
    const std::string_view text(reinterpret_cast<const char*>(in.text.data()), in.text.size());
    const std::string_view needle(reinterpret_cast<const char*>(in.needle.data()), in.needle.size());
    const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end());
    for (auto _ : st) {
        long r = -1;
        switch (impl) {
            case Zetch: {
                int idx;
                zetsFind_8u(in.text.data(), static_cast<int>(in.text.size()), in.needle.data(),
                            static_cast<int>(in.needle.size()), &idx);
                r = idx;
                break;
            }
            case Memmem: {
                const void* p = memmem(text.data(), text.size(), needle.data(), needle.size());
                r = p ? static_cast<const char*>(p) - text.data() : -1;
                break;
            }
            case StringView: {
                const auto p = text.find(needle);
                r = p == std::string_view::npos ? -1 : static_cast<long>(p);
                break;
            }
            case Horspool: {
                const auto p = std::search(text.begin(), text.end(), searcher);
                r = p == text.end() ? -1 : p - text.begin();
                break;
            }
        }
        benchmark::DoNotOptimize(r);
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * st.range(0));
}

void findRev(benchmark::State& st, Impl impl, bool hit) {
    const Input& in = input(static_cast<std::size_t>(st.range(0)), static_cast<std::size_t>(st.range(1)), hit, true);
    const std::string_view text(reinterpret_cast<const char*>(in.text.data()), in.text.size());
    const std::string_view needle(reinterpret_cast<const char*>(in.needle.data()), in.needle.size());
    for (auto _ : st) {
        long r;
        if (impl == Zetch) {
            int idx;
            zetsFindRev_8u(in.text.data(), static_cast<int>(in.text.size()), in.needle.data(),
                           static_cast<int>(in.needle.size()), &idx);
            r = idx;
        } else {
            const auto p = text.rfind(needle);
            r = p == std::string_view::npos ? -1 : static_cast<long>(p);
        }
        benchmark::DoNotOptimize(r);
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * st.range(0));
}

// Every needle length at every text length, or at 64 KiB only.
void add(const std::string& name, void (*fn)(benchmark::State&, Impl, bool), Impl impl, bool hit, bool allLengths) {
    auto* b = benchmark::RegisterBenchmark(name.c_str(), [fn, impl, hit](benchmark::State& st) { fn(st, impl, hit); });
    b->ArgNames({"len", "needle"});
    for (std::int64_t len : {4 << 10, 64 << 10, 1 << 20})
        if (allLengths || len == 64 << 10)
            for (std::int64_t m : {2, 4, 8, 16, 32, 100}) b->Args({len, m});
}

[[maybe_unused]] const bool registered = [] {
    const std::tuple<const char*, Impl, bool> peers[] = {
        {"zetch", Zetch, true}, {"memmem", Memmem, true}, {"string_view", StringView, false}, {"bm_horspool", Horspool, false}};
    for (bool hit : {true, false}) {
        const std::string family = hit ? "find_8u_hit/" : "find_8u_miss/";
        for (auto [name, impl, all] : peers) add(family + name, find, impl, hit, all);
        const std::string rev = hit ? "findrev_8u_hit/" : "findrev_8u_miss/";
        add(rev + "zetch", findRev, Zetch, hit, true);
        add(rev + "string_view", findRev, StringView, hit, true);
    }
    return true;
}();

}  // namespace
