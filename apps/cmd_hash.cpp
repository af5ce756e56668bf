#include <cstdio>

#include "cli.h"
#include "zetch.h"

namespace cli {

namespace {

zet32u pow31(std::uint64_t e) {
    zet32u r = 1, b = 31;
    for (; e; e >>= 1, b *= b)
        if (e & 1) r *= b;
    return r;
}

}  // namespace

// The library hashes one block per call; the values of consecutive blocks a and b combine into
// that of the whole: shift-xor h(ab) = (h(a) << |b|) ^ h(b) (only the last 32 bytes count), and
// multiply-31 h(ab) = h(a) * 31^|b| + h(b). Multiply-33-xor does not combine, but it stops at the
// first zero byte: the bytes before it are carried from block to block (at most kChunk of them)
// and hashed in one call, and reading stops there.
int runHash(const Args& args, Context& ctx) {
    const Command& self = commandNamed("hash");
    const auto p = parseArgs(self, args, {}, {"--rule"});
    if (!p) return kUsage;
    std::string_view rule = "shift";
    for (const auto& [name, value] : p->options) rule = value;
    if (rule != "shift" && rule != "sj2" && rule != "mscs") return usageError(self, "--rule is shift, sj2 or mscs");
    if (p->operands.size() > 1) return usageError(self, "expects at most one FILE");
    BlockReader in(ctx.blockSize);
    if (!in.open(p->operands.empty() ? "-" : p->operands[0])) return kError;

    zet32u h = 0;
    std::size_t keep = 0;
    while (in.next(keep)) {
        const Block& b = in.block();
        const int n = static_cast<int>(b.size);
        zet32u hb = 0;
        if (rule == "shift") {
            zetsHash_8u32u(b.data, n, &hb);
            h = (b.size < 32 ? h << b.size : 0) ^ hb;
        } else if (rule == "sj2") {
            zetsHashSJ2_8u32u(b.data, n, &hb);
            h = h * pow31(b.size) + hb;
        } else {
            int zero = -1;
            zetsFindC_8u(b.data + b.carried, static_cast<int>(b.size - b.carried), 0, &zero);
            const std::size_t before = zero >= 0 ? b.carried + static_cast<std::size_t>(zero) : b.size;
            if (before > kChunk) {
                std::fprintf(stderr, "zetch hash: --rule mscs takes at most %zu bytes before the first zero byte\n", kChunk);
                return kError;
            }
            if (zero >= 0 || b.last) {
                zetsHashMSCS_8u32u(b.data, static_cast<int>(before), &h);
                break;
            }
            keep = b.size;
        }
    }
    if (in.failed()) return kError;
    ctx.out.number(h);
    return kFound;
}

}  // namespace cli
