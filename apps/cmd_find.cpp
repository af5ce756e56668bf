#include <string>

#include "cli.h"
#include "scan.h"
#include "zetch.h"

namespace cli {

// zetch find [--last] [--any] NEEDLE|SET [FILE]. With --any the operand is a set of bytes
// (written as for trim) and every byte of the input that belongs to it is reported; otherwise
// every occurrence of NEEDLE, overlapping ones included.
int runFind(const Args& args, Context& ctx) {
    const Command& self = commandNamed("find");
    const auto p = parseArgs(self, args, {"--last", "--any"});
    if (!p) return kUsage;
    bool last = false, any = false;
    for (const auto& [name, value] : p->options) (name == "--last" ? last : any) = true;
    const auto& operands = p->operands;
    if (operands.empty() || operands.size() > 2) return usageError(self, "expects NEEDLE (or SET) and at most one FILE");
    std::vector<std::uint8_t> set;
    if (any) {
        const auto parsed = parseSet(operands[0]);
        if (!parsed) return usageError(self, "malformed escape in SET");
        if (parsed->empty()) return usageError(self, "SET must not be empty");
        set = *parsed;
    } else if (operands[0].empty()) {
        return usageError(self, "NEEDLE must not be empty");
    }
    BlockReader in(ctx.blockSize);
    if (!in.open(operands.size() == 2 ? operands[1] : "-")) return kError;
    const Hits mode = last ? Hits::Last : Hits::All;
    if (any) {
        const int setLen = static_cast<int>(set.size());
        return printHits(
            in, ctx.out, mode, 1,
            [&](const zet8u* s, int n) { int i = -1; zetsFindCAny_8u(s, n, set.data(), setLen, &i); return i; },
            [&](const zet8u* s, int n) { int i = -1; zetsFindRevCAny_8u(s, n, set.data(), setLen, &i); return i; });
    }
    const auto* needle = reinterpret_cast<const zet8u*>(operands[0].data());
    const int len = static_cast<int>(operands[0].size());
    return printHits(
        in, ctx.out, mode, operands[0].size(),
        [&](const zet8u* s, int n) { int i = -1; zetsFind_8u(s, n, needle, len, &i); return i; },
        [&](const zet8u* s, int n) { int i = -1; zetsFindRev_8u(s, n, needle, len, &i); return i; });
}

}  // namespace cli
