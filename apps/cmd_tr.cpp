#include <algorithm>
#include <cstdio>

#include "cli.h"
#include "zetch.h"

namespace cli {

int runTr(const Args& args) {
    const Command& self = commandNamed("tr");
    if (args.size() < 2 || args.size() > 3) return usageError(self, "expects OLD, NEW and at most one FILE");
    const auto from = parseUnit(args[0]), to = parseUnit(args[1]);
    if (!from || !to || *from > 0xFF || *to > 0xFF) return usageError(self, "OLD and NEW must be one byte each");
    auto data = readInput(args.size() == 3 ? args[2] : "-");
    if (!data) return kUsage;
    // In place, in pieces that fit the library's 32-bit lengths.
    for (std::size_t pos = 0; pos < data->size(); pos += kChunk) {
        zet8u* p = data->data() + pos;
        const int n = static_cast<int>(std::min(data->size() - pos, kChunk));
        zetsReplaceC_8u(p, p, n, static_cast<zet8u>(*from), static_cast<zet8u>(*to));
    }
    std::fwrite(data->data(), 1, data->size(), stdout);
    return std::fflush(stdout) == 0 ? kFound : kUsage;
}

}  // namespace cli
