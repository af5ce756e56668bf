#include <cstdio>
#include <span>
#include <string>

#include "cli.h"
#include "find_scan.h"

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

}  // namespace

// zetch find [--last] NEEDLE [FILE]. "--" ends the options, so that a needle may begin with
// "--". Other ways of searching (a set of bytes, say) are further options that pick their own
// function where findNeedle is called.
int runFind(const Args& args) {
    const Command& self = commandNamed("find");
    bool last = false, options = true;
    std::vector<std::string_view> operands;
    for (auto a : args) {
        if (options && a == "--")
            options = false;
        else if (options && a == "--last")
            last = true;
        else if (options && a.starts_with("--"))
            return usageError(self, "unknown option " + std::string(a));
        else
            operands.push_back(a);
    }
    if (operands.empty() || operands.size() > 2) return usageError(self, "expects NEEDLE and at most one FILE");
    if (operands[0].empty()) return usageError(self, "NEEDLE must not be empty");
    const auto data = readInput(operands.size() == 2 ? operands[1] : "-");
    if (!data) return kUsage;
    return findNeedle(*data, operands[0], last);
}

}  // namespace cli
