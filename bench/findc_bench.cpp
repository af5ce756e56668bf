// Single-character search against memchr / memrchr and std::u16string_view::find.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string_view>
#include <vector>

#include "bench_util.h"
#include "zetch.h"

namespace {

// The byte sought is absent, so every byte is looked at; the text is random letters.
void findc8(benchmark::State& st, int impl) {
    const auto& buf = bench::letters(static_cast<std::size_t>(st.range(0)));
    const int len = static_cast<int>(buf.size());
    for (auto _ : st) {
        long r;
        if (impl == 0) {
            int idx;
            zetsFindC_8u(buf.data(), len, '#', &idx);
            r = idx;
        } else {
            const void* p = std::memchr(buf.data(), '#', buf.size());
            r = p ? static_cast<const zet8u*>(p) - buf.data() : -1;
        }
        benchmark::DoNotOptimize(r);
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * len);
}

void findrevc8(benchmark::State& st, int impl) {
    const auto& buf = bench::letters(static_cast<std::size_t>(st.range(0)));
    const int len = static_cast<int>(buf.size());
    for (auto _ : st) {
        long r;
        if (impl == 0) {
            int idx;
            zetsFindRevC_8u(buf.data(), len, '#', &idx);
            r = idx;
        } else {
            const void* p = memrchr(buf.data(), '#', buf.size());
            r = p ? static_cast<const zet8u*>(p) - buf.data() : -1;
        }
        benchmark::DoNotOptimize(r);
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * len);
}

void findc16(benchmark::State& st, int impl) {
    const auto& buf = bench::letters16(static_cast<std::size_t>(st.range(0)) / 2);
    const int len = static_cast<int>(buf.size());
    const std::u16string_view view(reinterpret_cast<const char16_t*>(buf.data()), buf.size());
    for (auto _ : st) {
        long r;
        if (impl == 0) {
            int idx;
            zetsFindC_16u(buf.data(), len, u'#', &idx);
            r = idx;
        } else {
            const auto p = view.find(u'#');
            r = p == std::u16string_view::npos ? -1 : static_cast<long>(p);
        }
        benchmark::DoNotOptimize(r);
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * len * 2);
}

const std::vector<std::int64_t> kSizes = {16, 256, 4 << 10, 64 << 10, 1 << 20, 64 << 20};

[[maybe_unused]] const bool registered = [] {
    bench::add("findc_8u/zetch", findc8, 0, kSizes);
    bench::add("findc_8u/memchr", findc8, 1, kSizes);
    bench::add("findrevc_8u/zetch", findrevc8, 0, kSizes);
    bench::add("findrevc_8u/memrchr", findrevc8, 1, kSizes);
    bench::add("findc_16u/zetch", findc16, 0, kSizes);
    bench::add("findc_16u/u16string_view", findc16, 1, kSizes);
    return true;
}();

}  // namespace
