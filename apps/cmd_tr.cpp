#include "cli.h"
#include "zetch.h"

namespace cli {

int runTr(const Args& args, Context& ctx) {
    const Command& self = commandNamed("tr");
    const auto p = parseArgs(self, args, {});
    if (!p) return kUsage;
    const auto& rest = p->operands;
    if (rest.size() < 2 || rest.size() > 3) return usageError(self, "expects OLD, NEW and at most one FILE");
    const auto from = parseUnit(rest[0]), to = parseUnit(rest[1]);
    if (!from || !to || *from > 0xFF || *to > 0xFF) return usageError(self, "OLD and NEW must be one byte each");
    BlockReader in(ctx.blockSize);
    if (!in.open(rest.size() == 3 ? rest[2] : "-")) return kError;
    const auto oldVal = static_cast<zet8u>(*from), newVal = static_cast<zet8u>(*to);
    while (in.next() && !ctx.out.failed()) {
        const Block& b = in.block();
        mapInto(ctx.out, b.data, b.size, 1, [&](const zet8u* s, zet8u* d, std::size_t n) {
            zetsReplaceC_8u(s, d, static_cast<int>(n), oldVal, newVal);
        });
    }
    return in.failed() ? kError : kFound;
}

}  // namespace cli
