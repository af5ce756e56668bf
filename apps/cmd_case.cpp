#include "cli.h"
#include "zetch.h"

namespace cli {

// Converts the input block by block into the output. UTF-16 blocks are whole units: a block of
// odd size carries its last byte over to the next, and a last odd byte of the input passes
// unchanged (it is no whole unit), so nothing of the input is ever lost.
int runCase(const Args& args, Context& ctx) {
    const Command& self = commandNamed("case");
    const auto p = parseArgs(self, args, {"--upper", "--lower", "--latin"});
    if (!p) return kUsage;
    int upper = -1;
    bool latin = false;
    for (const auto& [name, value] : p->options) {
        if (name == "--latin") {
            latin = true;
        } else {
            if (upper >= 0) return usageError(self, "give one of --upper and --lower");
            upper = name == "--upper";
        }
    }
    if (upper < 0) return usageError(self, "expects --upper or --lower");
    if (p->operands.size() > 1) return usageError(self, "expects at most one FILE");
    BlockReader in(ctx.blockSize);
    if (!in.open(p->operands.empty() ? "-" : p->operands[0])) return kError;

    const std::size_t unit = latin ? 1 : 2;
    std::size_t keep = 0;
    while (in.next(keep) && !ctx.out.failed()) {
        const Block& b = in.block();
        const std::size_t whole = b.size / unit * unit;
        mapInto(ctx.out, b.data, whole, unit, [&](const zet8u* s, zet8u* d, std::size_t n) {
            if (latin)
                (upper ? zetsUppercaseLatin_8u : zetsLowercaseLatin_8u)(s, d, static_cast<int>(n));
            else
                (upper ? zetsUppercase_16u : zetsLowercase_16u)(reinterpret_cast<const zet16u*>(s),
                                                                reinterpret_cast<zet16u*>(d), static_cast<int>(n / 2));
        });
        keep = b.size - whole;
        if (b.last && keep) ctx.out.write(b.data + whole, keep);
    }
    return in.failed() ? kError : kFound;
}

}  // namespace cli
