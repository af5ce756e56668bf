#include <cstdio>
#include <span>
#include <string>

#include "cli.h"
#include "find_scan.h"
#include "unit_search.h"
#include "zetch.h"

namespace cli {

namespace {

int findNeedle(std::span<const std::uint8_t> data, std::string_view needle, bool last) {
    const std::span<const std::uint8_t> n(reinterpret_cast<const std::uint8_t*>(needle.data()), needle.size());
    if (last) {
        const auto at = lastOccurrence(data, n, kChunk);
        if (at) std::printf("%zu\n", *at);
        return at ? kFound : kNotFound;
    }
    const bool found = forEachOccurrence(data, n, kChunk, [](std::size_t at) { std::printf("%zu\n", at); });
    return found ? kFound : kNotFound;
}

// Every byte of the input that belongs to SET (--last: the last one).
int findAnyOf(std::span<const std::uint8_t> data, const std::vector<std::uint8_t>& set, bool last) {
    const int setLen = static_cast<int>(set.size());
    return printHits(
        data, last ? Hits::Last : Hits::All,
        [&](const zet8u* p, int n) { int i = -1; zetsFindCAny_8u(p, n, unitsOf(set), setLen, &i); return i; },
        [&](const zet8u* p, int n) { int i = -1; zetsFindRevCAny_8u(p, n, unitsOf(set), setLen, &i); return i; });
}

}  // namespace

// zetch find [--last] [--any] NEEDLE|SET [FILE]. "--" ends the options, so that a needle may
// begin with "--". With --any the operand is a set of bytes (written as for trim) and every byte
// of the input that belongs to it is reported.
int runFind(const Args& args) {
    const Command& self = commandNamed("find");
    bool last = false, any = false, options = true;
    std::vector<std::string_view> operands;
    for (auto a : args) {
        if (options && a == "--")
            options = false;
        else if (options && a == "--last")
            last = true;
        else if (options && a == "--any")
            any = true;
        else if (options && a.starts_with("--"))
            return usageError(self, "unknown option " + std::string(a));
        else
            operands.push_back(a);
    }
    if (operands.empty() || operands.size() > 2) return usageError(self, "expects NEEDLE (or SET) and at most one FILE");
    std::optional<std::vector<std::uint8_t>> set;
    if (any) {
        set = parseSet(operands[0]);
        if (!set) return usageError(self, "malformed escape in SET");
    } else if (operands[0].empty()) {
        return usageError(self, "NEEDLE must not be empty");
    }
    const auto data = readInput(operands.size() == 2 ? operands[1] : "-");
    if (!data) return kUsage;
    return any ? findAnyOf(*data, *set, last) : findNeedle(*data, operands[0], last);
}

}  // namespace cli
