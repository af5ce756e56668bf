#include "cli.h"
#include "scan.h"
#include "zetch.h"

namespace cli {

// zetch findc [--last|--all] UNIT [FILE]
int runFindc(const Args& args, Context& ctx) {
    const Command& self = commandNamed("findc");
    const auto p = parseArgs(self, args, {"--last", "--all"});
    if (!p) return kUsage;
    Hits mode = Hits::First;
    for (const auto& [name, value] : p->options) mode = name == "--last" ? Hits::Last : Hits::All;
    const auto& rest = p->operands;
    if (rest.empty() || rest.size() > 2) return usageError(self, "expects UNIT and at most one FILE");
    const auto unit = parseUnit(rest[0]);
    if (!unit || *unit > 0xFF) return usageError(self, "UNIT must be one byte");
    BlockReader in(ctx.blockSize);
    if (!in.open(rest.size() == 2 ? rest[1] : "-")) return kError;
    const zet8u value = static_cast<zet8u>(*unit);
    return printHits(
        in, ctx.out, mode, 1,
        [&](const zet8u* s, int n) { int i = -1; zetsFindC_8u(s, n, value, &i); return i; },
        [&](const zet8u* s, int n) { int i = -1; zetsFindRevC_8u(s, n, value, &i); return i; });
}

}  // namespace cli
