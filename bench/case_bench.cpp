// Case conversion: Latin lower-casing of bytes against std::transform with tolower, Unicode
// upper-casing of 16-bit text against ICU's u_strToUpper (full mapping, root locale).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <vector>

#include "bench_util.h"
#include "zetch.h"

#ifdef ZETCH_BENCH_HAVE_ICU_UC
#include <unicode/ustring.h>
#endif

namespace {

void lowerLatin8(benchmark::State& st, int impl) {
    const auto& src = bench::english(static_cast<std::size_t>(st.range(0)));
    std::vector<zet8u> dst(src.size());
    const int len = static_cast<int>(src.size());
    for (auto _ : st) {
        if (impl == 0)
            zetsLowercaseLatin_8u(src.data(), dst.data(), len);
        else
            std::transform(src.begin(), src.end(), dst.begin(), [](zet8u c) { return static_cast<zet8u>(std::tolower(c)); });
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * len);
}

// Lower-case words of Latin-1, Greek and Cyrillic letters with ASCII spaces.
const std::vector<zet16u>& mixed16(std::size_t n) {
    static std::vector<zet16u> v;
    if (v.size() != n) {
        std::mt19937 rng(99);
        v.resize(n);
        for (auto& c : v) {
            switch (rng() % 8) {
                case 0: c = ' '; break;
                case 1: c = static_cast<zet16u>(0xE0 + rng() % 23); break;        // U+00E0..U+00F6
                case 2: case 3: case 4: c = static_cast<zet16u>(0x3B1 + rng() % 17); break;  // U+03B1..U+03C1
                default: c = static_cast<zet16u>(0x430 + rng() % 32); break;      // U+0430..U+044F
            }
        }
    }
    return v;
}

template <const std::vector<zet16u>& (*Text)(std::size_t)>
void upper16(benchmark::State& st, int impl) {
    const auto& src = Text(static_cast<std::size_t>(st.range(0)) / 2);
    std::vector<zet16u> dst(2 * src.size() + 16);  // room for expansions of the full mapping
    const int len = static_cast<int>(src.size());
    for (auto _ : st) {
        if (impl == 0) {
            zetsUppercase_16u(src.data(), dst.data(), len);
        } else {
#ifdef ZETCH_BENCH_HAVE_ICU_UC
            UErrorCode err = U_ZERO_ERROR;
            u_strToUpper(reinterpret_cast<UChar*>(dst.data()), static_cast<int32_t>(dst.size()),
                         reinterpret_cast<const UChar*>(src.data()), len, "", &err);
#endif
        }
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * len * 2);
}

const std::vector<std::int64_t> kSizes = {64, 4 << 10, 64 << 10, 1 << 20};

[[maybe_unused]] const bool registered = [] {
    bench::add("lowercase_latin_8u/zetch", lowerLatin8, 0, kSizes);
    bench::add("lowercase_latin_8u/transform_tolower", lowerLatin8, 1, kSizes);
    bench::add("uppercase_16u_ascii/zetch", upper16<bench::letters16>, 0, kSizes);
    bench::add("uppercase_16u_mixed/zetch", upper16<mixed16>, 0, kSizes);
#ifdef ZETCH_BENCH_HAVE_ICU_UC
    bench::add("uppercase_16u_ascii/icu", upper16<bench::letters16>, 1, kSizes);
    bench::add("uppercase_16u_mixed/icu", upper16<mixed16>, 1, kSizes);
#endif
    return true;
}();

}  // namespace
