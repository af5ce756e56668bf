#include <cstdio>
#include <cstring>

#include "cli.h"
#include "zetch.h"

namespace cli {
namespace {

using TrimFn = ZetStatus (*)(const zet8u*, zet32s, const zet8u*, zet32s, zet8u*, zet32s*);

// Appends the line [p, p + n) without the members of the set at the trimmed ends to out. A line
// that fits one library call goes through the function for those ends; a longer one is first
// narrowed chunk by chunk from each trimmed end with the start and end forms (a chunk trimmed to
// nothing means the next one must be looked at), with out as their scratch destination.
void appendTrimmed(std::vector<std::uint8_t>& out, const std::uint8_t* p, std::size_t n,
                   const std::vector<std::uint8_t>& set, bool start, bool end) {
    const std::size_t base = out.size();
    const int setLen = static_cast<int>(set.size());
    int kept = 0;
    if (n <= kChunk) {
        const TrimFn fn = start && end ? zetsTrimCAny_8u : start ? zetsTrimStartCAny_8u : zetsTrimEndCAny_8u;
        out.resize(base + n);
        fn(p, static_cast<int>(n), unitsOf(set), setLen, out.data() + base, &kept);
        out.resize(base + static_cast<std::size_t>(kept));
        return;
    }
    out.resize(base + kChunk);
    for (bool more = start; more && n > 0;) {
        const std::size_t c = n < kChunk ? n : kChunk;
        zetsTrimStartCAny_8u(p, static_cast<int>(c), unitsOf(set), setLen, out.data() + base, &kept);
        p += c - static_cast<std::size_t>(kept), n -= c - static_cast<std::size_t>(kept), more = kept == 0;
    }
    for (bool more = end; more && n > 0;) {
        const std::size_t c = n < kChunk ? n : kChunk;
        zetsTrimEndCAny_8u(p + n - c, static_cast<int>(c), unitsOf(set), setLen, out.data() + base, &kept);
        n -= c - static_cast<std::size_t>(kept), more = kept == 0;
    }
    out.resize(base);
    out.insert(out.end(), p, p + n);
}

}  // namespace

int runTrim(const Args& args) {
    const Command& self = commandNamed("trim");
    bool start = true, end = true;
    std::vector<std::string_view> rest;
    for (auto a : args) {
        if (a == "--start") end = false;
        else if (a == "--end") start = false;
        else rest.push_back(a);
    }
    if (!start && !end) return usageError(self, "--start and --end exclude each other");
    if (rest.empty() || rest.size() > 2) return usageError(self, "expects SET and at most one FILE");
    const auto set = parseSet(rest[0]);
    if (!set) return usageError(self, "malformed escape in SET");
    const auto data = readInput(rest.size() == 2 ? rest[1] : "-");
    if (!data) return kUsage;

    // Lines end at '\n', which is kept and never trimmed; the last line may lack it.
    std::vector<std::uint8_t> out;
    out.reserve(data->size());
    const std::uint8_t* p = data->data();
    for (std::size_t left = data->size(); left > 0;) {
        const auto* nl = static_cast<const std::uint8_t*>(std::memchr(p, '\n', left));
        const std::size_t n = nl ? static_cast<std::size_t>(nl - p) : left;
        appendTrimmed(out, p, n, *set, start, end);
        if (nl) out.push_back('\n');
        const std::size_t step = nl ? n + 1 : n;
        p += step, left -= step;
    }
    if (!out.empty() && std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) return kUsage;
    return kFound;
}

}  // namespace cli
