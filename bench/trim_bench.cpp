// Set trimming against the string_view find_first_not_of / find_last_not_of idiom (plus the copy
// of the kept part, which the trim does too).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "bench_util.h"
#include "zetch.h"

namespace {

// The first n bytes of blanks and punctuation, the set trimmed away.
std::string trimSet(std::size_t n) { return std::string(" \t\r\n.,;:!?-_*#=~+/\\|()[]{}<>").substr(0, n); }

// `pad` bytes of the set on each side of 100 bytes of English text that starts and ends with a
// letter.
std::string paddedLine(std::size_t pad, const std::string& set) {
    std::string line;
    for (std::size_t i = 0; i < pad; ++i) line += set[i % set.size()];
    const auto& text = bench::english(98);
    line += 'x';
    line.append(text.begin(), text.end());
    line += 'x';
    for (std::size_t i = 0; i < pad; ++i) line += set[(i * 7) % set.size()];
    return line;
}

void trimAny8(benchmark::State& st, int impl) {
    const std::string set = trimSet(static_cast<std::size_t>(st.range(1)));
    const std::string line = paddedLine(static_cast<std::size_t>(st.range(0)), set);
    const auto* src = reinterpret_cast<const zet8u*>(line.data());
    const auto* members = reinterpret_cast<const zet8u*>(set.data());
    std::vector<zet8u> dst(line.size());
    const std::string_view view(line);
    for (auto _ : st) {
        int len;
        if (impl == 0) {
            zetsTrimCAny_8u(src, static_cast<int>(line.size()), members, static_cast<int>(set.size()), dst.data(),
                            &len);
        } else {
            const auto first = view.find_first_not_of(set);
            len = 0;
            if (first != std::string_view::npos) {
                len = static_cast<int>(view.find_last_not_of(set) - first + 1);
                std::memcpy(dst.data(), line.data() + first, static_cast<std::size_t>(len));
            }
        }
        benchmark::DoNotOptimize(len);
        benchmark::DoNotOptimize(dst.data());
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * static_cast<std::int64_t>(line.size()));
}

[[maybe_unused]] const bool registered = [] {
    for (int impl : {0, 1}) {
        auto* b = benchmark::RegisterBenchmark(impl == 0 ? "trimcany_8u/zetch" : "trimcany_8u/find_not_of",
                                               [impl](benchmark::State& st) { trimAny8(st, impl); });
        b->ArgNames({"pad", "set"});
        for (std::int64_t pad : {1, 16, 256})
            for (std::int64_t set : {1, 4, 24}) b->Args({pad, set});
    }
    return true;
}();

}  // namespace
