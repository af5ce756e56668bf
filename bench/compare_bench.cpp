// Comparison and equality against memcmp, and the Unicode-caseless comparison against ICU.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench_util.h"
#include "zetch.h"

#if ZETCH_BENCH_HAVE_ICU_UC
#include <unicode/stringoptions.h>
#include <unicode/ustring.h>
#endif

namespace {

// Two equal copies of English-like text in separate buffers (so every byte is compared), the
// second one byte off the first's alignment as strings in a program usually are.
struct Pair {
    std::vector<zet8u> a, bStore;
    const zet8u* b;
    explicit Pair(std::size_t n) : a(bench::english(n)), bStore(n + 1) {
        std::memcpy(bStore.data() + 1, a.data(), n);
        b = bStore.data() + 1;
    }
};

void compare8(benchmark::State& st, int impl) {
    const Pair p(static_cast<std::size_t>(st.range(0)));
    const int len = static_cast<int>(p.a.size());
    for (auto _ : st) {
        int r;
        if (impl == 0)
            zetsCompare_8u(p.a.data(), p.b, len, &r);
        else
            r = std::memcmp(p.a.data(), p.b, p.a.size());
        benchmark::DoNotOptimize(r);
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * len);
}

void equal8(benchmark::State& st, int impl) {
    const Pair p(static_cast<std::size_t>(st.range(0)));
    const int len = static_cast<int>(p.a.size());
    for (auto _ : st) {
        int r;
        if (impl == 0)
            zetsEqual_8u(p.a.data(), p.b, len, &r);
        else
            r = std::memcmp(p.a.data(), p.b, p.a.size()) == 0;
        benchmark::DoNotOptimize(r);
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * len);
}

#if ZETCH_BENCH_HAVE_ICU_UC
// English-like text against its upper-cased copy: the strings differ in case at every letter,
// so every unit is folded.
void compareIgnoreCase16(benchmark::State& st, int impl) {
    const auto& text = bench::english(static_cast<std::size_t>(st.range(0)));
    const std::vector<zet16u> a(text.begin(), text.end());
    std::vector<zet16u> b(a);
    for (auto& u : b)
        if (u >= 'a' && u <= 'z') u = static_cast<zet16u>(u - 32);
    const int len = static_cast<int>(a.size());
    const auto* ua = reinterpret_cast<const UChar*>(a.data());
    const auto* ub = reinterpret_cast<const UChar*>(b.data());
    for (auto _ : st) {
        int r;
        if (impl == 0) {
            zetsCompareIgnoreCase_16u(a.data(), b.data(), len, &r);
        } else {
            UErrorCode err = U_ZERO_ERROR;
            r = u_strCaseCompare(ua, len, ub, len, U_FOLD_CASE_DEFAULT, &err);
        }
        benchmark::DoNotOptimize(r);
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * len * 2);
}
#endif

const std::vector<std::int64_t> kSizes = {16, 64, 256, 4 << 10, 64 << 10, 1 << 20, 64 << 20};

[[maybe_unused]] const bool registered = [] {
    bench::add("compare_8u/zetch", compare8, 0, kSizes);
    bench::add("compare_8u/memcmp", compare8, 1, kSizes);
    bench::add("equal_8u/zetch", equal8, 0, kSizes);
    bench::add("equal_8u/memcmp", equal8, 1, kSizes);
#if ZETCH_BENCH_HAVE_ICU_UC
    const std::vector<std::int64_t> sizes = {16, 256, 4 << 10, 64 << 10};
    bench::add("compareic_16u/zetch", compareIgnoreCase16, 0, sizes);
    bench::add("compareic_16u/icu", compareIgnoreCase16, 1, sizes);
#endif
    return true;
}();

}  // namespace
