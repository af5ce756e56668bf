// Inputs and registration shared by the benchmarks.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "zetch.h"

namespace bench {

// Random lower-case letters of the given length (cached per length; the same bytes every run).
const std::vector<zet8u>& letters(std::size_t n);
const std::vector<zet16u>& letters16(std::size_t n);
// English-like text: words of a small vocabulary with spaces, punctuation and newlines.
const std::vector<zet8u>& english(std::size_t n);
// English prose with what text searches look for: words ending in -ing, capitalised names,
// numbers, and now and then an e-mail address, a URI or an IPv4 address (about one of each per
// 2 KiB), as in mail, logs and web pages. Deterministic.
const std::vector<zet8u>& prose(std::size_t n);
// Prose dense with what a replacement rewrites: an e-mail address (name@host.com) about every 12
// words and a number pair (12-05) about every 10. Deterministic.
const std::vector<zet8u>& proseWithPairs(std::size_t n);
// The English-like text with a log record after about one line in three (ISO dates and times,
// levels, workers, HTTP requests with paths and statuses, users, e-mail and IP addresses,
// latencies, cache results, session ids), as in an application's mixed output.
const std::vector<zet8u>& proseAndLogs(std::size_t n);

// Registers `fn(state, impl)` under `name` with one benchmark per size in `sizes`.
template <class Fn>
void add(const std::string& name, Fn fn, int impl, const std::vector<std::int64_t>& sizes) {
    auto* b = benchmark::RegisterBenchmark(name.c_str(), [fn, impl](benchmark::State& st) { fn(st, impl); });
    for (auto s : sizes) b->Arg(s);
}

}  // namespace bench
