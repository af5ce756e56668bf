#include <algorithm>
#include <cstdio>

#include "cli.h"
#include "zetch.h"

namespace cli {
namespace {

// Each block goes to the library one window at a time, split into kSlots slots as long as the
// window: no piece of a window can outgrow its slot, so nothing is ever cut (1 MiB of slots).
// A window with more pieces than slots is taken up again after the last piece stored; a piece
// that runs past the window's end is taken up again at its start, and one longer than a whole
// window is printed a window at a time. Only whole windows are split while more input may
// follow: the rest of a block (less than a window) is carried over to the next block.
constexpr int kSlots = 256;
constexpr int kWindow = 4096;

}  // namespace

int runSplit(const Args& args, Context& ctx) {
    const Command& self = commandNamed("split");
    const auto p = parseArgs(self, args, {}, {"-d"});
    if (!p) return kUsage;
    std::string_view delimArg;
    for (const auto& [name, value] : p->options) delimArg = value;
    if (p->operands.size() > 1) return usageError(self, "expects -d CHAR and at most one FILE");
    if (delimArg.empty()) return usageError(self, "expects -d CHAR");
    const auto unit = parseUnit(delimArg);
    if (!unit || *unit > 0xFF) return usageError(self, "CHAR must be one byte");
    const zet8u delim = static_cast<zet8u>(*unit);
    BlockReader in(ctx.blockSize);
    if (!in.open(p->operands.empty() ? "-" : p->operands[0])) return kError;

    Output& out = ctx.out;
    std::vector<zet8u> arena(static_cast<std::size_t>(kSlots) * kWindow);
    std::vector<zet8u*> slots(kSlots);
    for (int k = 0; k < kSlots; ++k) slots[k] = arena.data() + static_cast<std::size_t>(k) * kWindow;
    std::vector<zet32s> lens(kSlots);
    std::size_t keep = 0;
    while (in.next(keep) && !out.failed()) {
        const Block& b = in.block();
        const zet8u* text = b.data;
        std::size_t pos = 0;
        for (; b.size - pos >= (b.last ? 1 : std::size_t{kWindow});) {
            const int window = static_cast<int>(std::min<std::size_t>(b.size - pos, kWindow));
            std::fill(lens.begin(), lens.end(), kWindow);
            int num = kSlots;
            const ZetStatus st = zetsSplitC_8u_D2L(text + pos, window, delim, slots.data(), lens.data(), &num);
            if (st < 0) return std::fprintf(stderr, "zetch split: failed with status %d\n", st), kError;
            // Every stored piece ended at a delimiter, except perhaps the last: it may have ended
            // at the window's end only, and then goes on in the next window.
            const bool more = pos + window < b.size || !b.last;
            const bool cut = st != zetStatusSplitIncomplete && more && text[pos + window - 1] != delim;
            std::size_t used = 0;
            for (int k = 0; k < num - (cut ? 1 : 0); ++k) {
                out.write(slots[k], static_cast<std::size_t>(lens[k]));
                out.put('\n');
                used += static_cast<std::size_t>(lens[k]) + 1;
            }
            if (cut && num == 1) {  // the whole window is the start of one long piece
                out.write(slots[0], static_cast<std::size_t>(lens[0]));
                used = static_cast<std::size_t>(window);
            }
            pos += std::min(used, static_cast<std::size_t>(window));
        }
        keep = b.size - pos;
    }
    return in.failed() ? kError : kFound;
}

}  // namespace cli
