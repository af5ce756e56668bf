// Editing: character replacement against std::replace_copy, split against a memchr loop and the
// delimited join against a memcpy loop, all on English-like text cut at its blanks.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "bench_util.h"
#include "zetch.h"

namespace {

// The plain map loop, one byte at a time. The compiler is told not to vectorize it (at -O3 it
// vectorizes std::replace_copy, the other peer).
__attribute__((noinline, optimize("no-tree-vectorize"))) void mapLoop(const zet8u* s, zet8u* d, std::size_t n,
                                                                      zet8u from, zet8u to) {
    for (std::size_t i = 0; i < n; ++i) d[i] = s[i] == from ? to : s[i];
}

void replacec8(benchmark::State& st, int impl) {
    const auto& text = bench::english(static_cast<std::size_t>(st.range(0)));
    std::vector<zet8u> out(text.size());
    for (auto _ : st) {
        if (impl == 0)
            zetsReplaceC_8u(text.data(), out.data(), static_cast<int>(text.size()), ' ', '_');
        else if (impl == 1)
            std::replace_copy(text.begin(), text.end(), out.begin(), zet8u{' '}, zet8u{'_'});
        else
            mapLoop(text.data(), out.data(), text.size(), ' ', '_');
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * st.range(0));
}

void replacec16(benchmark::State& st, int impl) {
    const auto& text = bench::letters16(static_cast<std::size_t>(st.range(0)) / 2);
    std::vector<zet16u> out(text.size());
    for (auto _ : st) {
        if (impl == 0)
            zetsReplaceC_16u(text.data(), out.data(), static_cast<int>(text.size()), u'e', u'E');
        else
            std::replace_copy(text.begin(), text.end(), out.begin(), zet16u{u'e'}, zet16u{u'E'});
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * st.range(0));
}

// The text cut at its blanks: where each word starts and how long it is. Every word gets a slot
// at its own offset of one output buffer, with room for exactly that word.
struct Words {
    std::vector<const zet8u*> src;
    std::vector<zet8u*> dst;
    std::vector<int> len;
    std::vector<zet8u> out;
    explicit Words(const std::vector<zet8u>& text) : out(text.size()) {
        std::size_t start = 0;
        for (std::size_t i = 0; i <= text.size(); ++i) {
            if (i < text.size() && text[i] != ' ') continue;
            if (i == text.size() && start == i) break;
            src.push_back(text.data() + start);
            dst.push_back(out.data() + start);
            len.push_back(static_cast<int>(i - start));
            start = i + 1;
        }
    }
};

void splitc8(benchmark::State& st, int impl) {
    const auto& text = bench::english(static_cast<std::size_t>(st.range(0)));
    Words w(text);
    std::vector<int> caps = w.len;
    const int slots = static_cast<int>(w.dst.size());
    for (auto _ : st) {
        int num = slots;
        if (impl == 0) {
            zetsSplitC_8u_D2L(text.data(), static_cast<int>(text.size()), ' ', w.dst.data(), caps.data(), &num);
        } else {
            const zet8u* p = text.data();
            const zet8u* end = p + text.size();
            int k = 0;
            for (; k < num && p < end; ++k) {
                const void* hit = std::memchr(p, ' ', static_cast<std::size_t>(end - p));
                const int n = static_cast<int>((hit ? static_cast<const zet8u*>(hit) : end) - p);
                const int keep = std::min(n, caps[k]);
                std::memcpy(w.dst[k], p, static_cast<std::size_t>(keep));
                caps[k] = keep;
                p += n + 1;
            }
            num = k;
        }
        benchmark::DoNotOptimize(num);
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * st.range(0));
}

void concatc8(benchmark::State& st, int impl) {
    const auto& text = bench::english(static_cast<std::size_t>(st.range(0)));
    Words w(text);
    const int num = static_cast<int>(w.src.size());
    std::vector<zet8u> out(text.size() + 1);
    for (auto _ : st) {
        if (impl == 0) {
            zetsConcatC_8u_D2L(w.src.data(), w.len.data(), num, ' ', out.data());
        } else {
            zet8u* d = out.data();
            for (int k = 0; k < num; ++k) {
                if (k > 0) *d++ = ' ';
                std::memcpy(d, w.src[k], static_cast<std::size_t>(w.len[k]));
                d += w.len[k];
            }
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * st.range(0));
}

const std::vector<std::int64_t> kSizes = {16, 256, 4 << 10, 64 << 10, 1 << 20};

[[maybe_unused]] const bool registered = [] {
    bench::add("replacec_8u/zetch", replacec8, 0, kSizes);
    bench::add("replacec_8u/replace_copy", replacec8, 1, kSizes);
    bench::add("replacec_8u/map_loop", replacec8, 2, kSizes);
    bench::add("replacec_16u/zetch", replacec16, 0, kSizes);
    bench::add("replacec_16u/replace_copy", replacec16, 1, kSizes);
    bench::add("splitc_8u/zetch", splitc8, 0, kSizes);
    bench::add("splitc_8u/memchr", splitc8, 1, kSizes);
    bench::add("concatc_8u/zetch", concatc8, 0, kSizes);
    bench::add("concatc_8u/memcpy", concatc8, 1, kSizes);
    return true;
}();

}  // namespace
