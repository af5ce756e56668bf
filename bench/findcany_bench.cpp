// Character-set search against strcspn / strpbrk and string_view::find_first_of.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "bench_util.h"
#include "zetch.h"

namespace {

// The first n bytes of a list of delimiters, digits, capitals and high bytes: never a lower-case
// letter (the text is random letters, so every implementation looks at every unit) and never 0
// (strcspn could not take it).
std::vector<zet8u> setOf(std::size_t n) {
    std::vector<zet8u> v;
    for (char c : std::string_view(" \t\r\n,.;:!?()[]{}<>\"'-_/\\|@#$%^&*+=~`"))
        if (v.size() < n) v.push_back(static_cast<zet8u>(c));
    for (int c = '0'; c <= 'Z' && v.size() < n; ++c)
        if (std::find(v.begin(), v.end(), c) == v.end()) v.push_back(static_cast<zet8u>(c));
    for (int c = 255; c >= 128 && v.size() < n; --c) v.push_back(static_cast<zet8u>(c));
    return v;
}

enum Impl { Zetch, Strcspn, Strpbrk, FindFirstOf };

void findAny8(benchmark::State& st, int impl) {
    const auto& text = bench::letters(static_cast<std::size_t>(st.range(0)));
    const auto set = setOf(static_cast<std::size_t>(st.range(1)));
    const int len = static_cast<int>(text.size());
    std::string textZ(text.begin(), text.end()), setZ(set.begin(), set.end());
    const std::string_view view(textZ), setView(setZ);
    for (auto _ : st) {
        long r;
        if (impl == Zetch) {
            int idx;
            zetsFindCAny_8u(text.data(), len, set.data(), static_cast<int>(set.size()), &idx);
            r = idx;
        } else if (impl == Strcspn) {
            const std::size_t n = std::strcspn(textZ.c_str(), setZ.c_str());
            r = n == textZ.size() ? -1 : static_cast<long>(n);
        } else if (impl == Strpbrk) {
            const char* p = std::strpbrk(textZ.c_str(), setZ.c_str());
            r = p ? p - textZ.c_str() : -1;
        } else {
            const auto p = view.find_first_of(setView);
            r = p == std::string_view::npos ? -1 : static_cast<long>(p);
        }
        benchmark::DoNotOptimize(r);
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * len);
}

void findAny16(benchmark::State& st, int impl) {
    const auto& text = bench::letters16(static_cast<std::size_t>(st.range(0)));
    const auto set8 = setOf(static_cast<std::size_t>(st.range(1)));
    const std::vector<zet16u> set(set8.begin(), set8.end());
    const int len = static_cast<int>(text.size());
    const std::u16string_view view(reinterpret_cast<const char16_t*>(text.data()), text.size());
    const std::u16string_view setView(reinterpret_cast<const char16_t*>(set.data()), set.size());
    for (auto _ : st) {
        long r;
        if (impl == Zetch) {
            int idx;
            zetsFindCAny_16u(text.data(), len, set.data(), static_cast<int>(set.size()), &idx);
            r = idx;
        } else {
            const auto p = view.find_first_of(setView);
            r = p == std::u16string_view::npos ? -1 : static_cast<long>(p);
        }
        benchmark::DoNotOptimize(r);
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * len * 2);
}

void add(const char* name, void (*fn)(benchmark::State&, int), int impl) {
    auto* b = benchmark::RegisterBenchmark(name, [fn, impl](benchmark::State& st) { fn(st, impl); });
    b->ArgNames({"len", "set"});
    for (std::int64_t len : {16, 256, 4 << 10, 64 << 10})
        for (std::int64_t set : {1, 4, 16, 40, 100}) b->Args({len, set});
}

[[maybe_unused]] const bool registered = [] {
    add("findcany_8u/zetch", findAny8, Zetch);
    add("findcany_8u/strcspn", findAny8, Strcspn);
    add("findcany_8u/strpbrk", findAny8, Strpbrk);
    add("findcany_8u/string_view", findAny8, FindFirstOf);
    add("findcany_16u/zetch", findAny16, Zetch);
    add("findcany_16u/u16string_view", findAny16, FindFirstOf);
    return true;
}();

}  // namespace
