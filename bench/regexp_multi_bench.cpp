// Searching 1 MiB of prose mixed with log records for 64 realistic patterns at once (words,
// alternations, classes, dates, times, addresses, status codes, and alerts that never occur):
//   regexp_multi:          zetsRegExpMultiFind_8u on one thread, against 64 separate
//                          zetsRegExpFind_8u calls (find_each) and Hyperscan's hs_scan of the same
//                          64 patterns in one database, each reporting its first match only.
//   regexp_multi_2threads: zetsRegExpMultiFind_8u on two threads against one thread.
// The thread count comes from the core library, which takes the OpenMP runtime's count for the
// calling thread: the benchmarks set it with omp_set_num_threads. All times are wall-clock.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_util.h"
#include "zetch.h"

#ifdef ZETCH_BENCH_HAVE_LIBHS
#include <hs.h>
#endif

namespace {

constexpr int kRecords = 8;
constexpr std::int64_t kTextBytes = 1 << 20;

// Valid in both engines and meaning the same in both (no look-around or back-references).
const char* const kPatterns[64] = {
    "error\\d+",
    "\\b(?:GET|POST)\\b",
    "[\\w.+-]+@[\\w-]+\\.[a-z]{2,6}",
    "\\d{4}-\\d{2}-\\d{2}",
    "\\d{2}:\\d{2}:\\d{2}",
    "\\b\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\b",
    "https?://[\\w.-]+(?:/[\\w./-]*)?",
    "\\b(?:WARN|ERROR|FATAL)\\b",
    "timeout after \\d+ ?ms",
    "connection (?:refused|reset)",
    "\\bthe\\b",
    "(?i)\\bamerican\\b",
    "\\b[A-Z][a-z]+ [A-Z][a-z]+\\b",
    "0x[0-9a-fA-F]{8}",
    "\\buser=(\\w+)",
    "\\b(?:cat|dog|horse)s?\\b",
    "\\b\\d+ms\\b",
    "\\bstatus=[45]\\d\\d\\b",
    "\\bworker-\\d+\\b",
    "(?i)exception",
    "\\bnull pointer\\b",
    "\\b(?:Mon|Tues|Wednes|Thurs|Fri|Satur|Sun)day\\b",
    "\\$\\d+\\.\\d{2}",
    "[A-Z]{6,}",
    "\\b(?:school|house|water)\\b",
    "\\bnever\\b.{0,20}\\bagain\\b",
    "(\\w+)ing\\b",
    "\\bsession [0-9a-f]{16}\\b",
    "/api/v\\d+/(\\w+)",
    "\\bdisk (?:full|quota)\\b",
    "\\bretry(?:ing)? \\d+\\b",
    "\\b\\d+ ?(?:GB|MB|KB)\\b",
    "\\bcould not\\b",
    "\\b\\w+@example\\.com\\b",
    "\\bport \\d{2,5}\\b",
    "\\b[a-z]+-[a-z]+\\b",
    "\\bthrough\\b",
    "\\bDELETE /\\S+",
    "\\bstatus=(\\d{3})",
    "\\b(?:yes|no)\\b",
    "\\bsegfault\\b",
    "\\bkernel: \\w+",
    "\\bbetween \\w+ and \\w+\\b",
    "\\bid=[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\b",
    "\\b(?:one|two|three) (?:years|days)\\b",
    "\\bOutOfMemory\\w*",
    "(?i)\\bhttp/1\\.[01]\\b",
    "\\b\\d+\\.\\d+\\.\\d+\\b",
    "\\b(?:alice|bob|carol)\\b",
    "\\bPUT\\b",
    "\\blatency \\d{3,}ms\\b",
    "\\bpanic:",
    "[!?]{2,}",
    "\\bMrs? [A-Z]\\w+",
    "\\b(?:upon|during|against)\\b",
    "\\bcache (?:hit|miss)\\b",
    "\\bdeprecated\\b",
    "\\bauth(?:entication)? failed\\b",
    "\\b[A-Z]{2}\\d{6}\\b",
    "\\bpermission denied\\b",
    "\\bstack ?trace\\b",
    "\\b(?:TODO|FIXME)\\b",
    "\\bgeneral\\b",
    "\\bredirect(?:ed)? to\\b",
};
constexpr int kCount = 64;

struct ZetchSet {
    std::vector<RegExpState*> states;
    RegExpMultiState* table = nullptr;
    std::vector<RegExpMatchRecord> records = std::vector<RegExpMatchRecord>(kCount * kRecords);
    std::vector<RegExpMultiResult> results = std::vector<RegExpMultiResult>(kCount);
    std::string error;

    ZetchSet() {
        if (zetsRegExpMultiInitAlloc(&table, kCount) != zetStatusOk) {
            error = "table";
            return;
        }
        for (int i = 0; i < kCount; ++i) {
            RegExpState* s = nullptr;
            zet32s offset = 0;
            if (zetsRegExpInitAlloc(kPatterns[i], nullptr, &s, &offset) != zetStatusOk) {
                error = std::string("zetch refuses ") + kPatterns[i];
                return;
            }
            states.push_back(s);
            zetsRegExpMultiAdd(s, i + 1, table);
        }
    }
    ~ZetchSet() {
        for (RegExpState* s : states) zetsRegExpFree(s);
        zetsRegExpMultiFree(table);
    }
    void prepare() {
        for (int i = 0; i < kCount; ++i) results[i] = {0, 0, kRecords, 0, &records[static_cast<std::size_t>(i * kRecords)]};
    }
};

ZetchSet& zetchSet() {
    static ZetchSet set;
    return set;
}

// The first match of every pattern, searched one pattern at a time.
std::vector<std::int64_t> firstMatches(ZetchSet& z, const std::vector<zet8u>& text) {
    std::vector<std::int64_t> at;
    for (RegExpState* s : z.states) {
        RegExpMatchRecord rec[kRecords];
        zet32s n = kRecords;
        zetsRegExpFind_8u(text.data(), static_cast<zet32s>(text.size()), s, rec, &n);
        at.push_back(n > 0 ? rec[0].pStr - text.data() : -1);
    }
    return at;
}

void multiZetch(benchmark::State& st, int threads) {
    ZetchSet& z = zetchSet();
    if (!z.error.empty()) return st.SkipWithError(z.error.c_str());
    const auto& text = bench::proseAndLogs(static_cast<std::size_t>(st.range(0)));
    omp_set_num_threads(threads);
    // The table's answers are the separate searches' answers.
    z.prepare();
    zetsRegExpMultiFind_8u(text.data(), static_cast<zet32s>(text.size()), z.results.data(), z.table);
    const std::vector<std::int64_t> want = firstMatches(z, text);
    int matched = 0;
    for (int i = 0; i < kCount; ++i) {
        const RegExpMultiResult& r = z.results[i];
        const std::int64_t at = r.numMatch > 0 ? r.pMatch[0].pStr - text.data() : -1;
        if (r.searched != 1 || r.status < 0 || at != want[static_cast<std::size_t>(i)])
            return st.SkipWithError(("table and separate search differ for " + std::string(kPatterns[i])).c_str());
        matched += at >= 0;
    }
    for (auto _ : st) {
        z.prepare();
        benchmark::DoNotOptimize(zetsRegExpMultiFind_8u(text.data(), static_cast<zet32s>(text.size()), z.results.data(), z.table));
        benchmark::ClobberMemory();
    }
    st.counters["matched"] = matched;
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * st.range(0));
}

void findEach(benchmark::State& st, int) {
    ZetchSet& z = zetchSet();
    if (!z.error.empty()) return st.SkipWithError(z.error.c_str());
    const auto& text = bench::proseAndLogs(static_cast<std::size_t>(st.range(0)));
    RegExpMatchRecord rec[kRecords];
    for (auto _ : st) {
        for (RegExpState* s : z.states) {
            zet32s n = kRecords;
            benchmark::DoNotOptimize(zetsRegExpFind_8u(text.data(), static_cast<zet32s>(text.size()), s, rec, &n));
        }
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * st.range(0));
}

#ifdef ZETCH_BENCH_HAVE_LIBHS
int onMatch(unsigned int id, unsigned long long, unsigned long long, unsigned int, void* ctx) {
    ++static_cast<int*>(ctx)[id];
    return 0;  // go on: the other patterns may not have matched yet
}

// One block-mode database of the 64 patterns, each reporting its first match only.
void hyperscan(benchmark::State& st, int) {
    std::vector<unsigned> flags(kCount, HS_FLAG_SINGLEMATCH), ids(kCount);
    for (int i = 0; i < kCount; ++i) ids[i] = static_cast<unsigned>(i);
    hs_database_t* db = nullptr;
    hs_compile_error_t* err = nullptr;
    if (hs_compile_multi(kPatterns, flags.data(), ids.data(), kCount, HS_MODE_BLOCK, nullptr, &db, &err) != HS_SUCCESS) {
        st.SkipWithError((std::string("Hyperscan refuses a pattern: ") + err->message).c_str());
        hs_free_compile_error(err);
        return;
    }
    hs_scratch_t* scratch = nullptr;
    hs_alloc_scratch(db, &scratch);
    const auto& text = bench::proseAndLogs(static_cast<std::size_t>(st.range(0)));
    std::vector<int> hits(kCount);
    for (auto _ : st) {
        hs_scan(db, reinterpret_cast<const char*>(text.data()), static_cast<unsigned>(text.size()), 0, scratch, onMatch,
                hits.data());
        benchmark::ClobberMemory();
    }
    int matched = 0;
    for (int h : hits) matched += h > 0;
    st.counters["matched"] = matched;
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * st.range(0));
    hs_free_scratch(scratch);
    hs_free_database(db);
}
#endif

void add(const char* name, void (*fn)(benchmark::State&, int), int arg) {
    benchmark::RegisterBenchmark(name, [fn, arg](benchmark::State& st) { fn(st, arg); })
        ->Arg(kTextBytes)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

[[maybe_unused]] const bool registered = [] {
    add("regexp_multi/zetch", multiZetch, 1);
    add("regexp_multi/find_each", findEach, 0);
#ifdef ZETCH_BENCH_HAVE_LIBHS
    add("regexp_multi/hyperscan", hyperscan, 0);
#endif
    add("regexp_multi_2threads/zetch", multiZetch, 2);
    add("regexp_multi_2threads/zetch_1thread", multiZetch, 1);
    return true;
}();

}  // namespace
