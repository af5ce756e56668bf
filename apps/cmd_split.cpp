#include <algorithm>
#include <cstdio>

#include "cli.h"
#include "zetch.h"

namespace cli {
namespace {

// The input goes to the library one window at a time, split into kSlots slots as long as the
// window: no piece of a window can outgrow its slot, so nothing is ever cut (1 MiB of slots).
// A window with more pieces than slots is taken up again after the last piece stored; a piece
// that runs past the window's end is taken up again at its start, and one longer than a whole
// window is printed a window at a time.
constexpr int kSlots = 256;
constexpr int kWindow = 4096;

void put(const zet8u* p, int n, bool endLine) {
    std::fwrite(p, 1, static_cast<std::size_t>(n), stdout);
    if (endLine) std::putchar('\n');
}

}  // namespace

int runSplit(const Args& args) {
    const Command& self = commandNamed("split");
    std::string_view delimArg, file = "-";
    int files = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-d" && i + 1 < args.size()) delimArg = args[++i];
        else if (args[i].starts_with("-d") && args[i].size() > 2) delimArg = args[i].substr(2);
        else if (++files > 1 || args[i] == "-d") return usageError(self, "expects -d CHAR and at most one FILE");
        else file = args[i];
    }
    if (delimArg.empty()) return usageError(self, "expects -d CHAR");
    const auto unit = parseUnit(delimArg);
    if (!unit || *unit > 0xFF) return usageError(self, "CHAR must be one byte");
    const zet8u delim = static_cast<zet8u>(*unit);
    const auto data = readInput(file);
    if (!data) return kUsage;

    std::vector<zet8u> arena(static_cast<std::size_t>(kSlots) * kWindow);
    std::vector<zet8u*> slots(kSlots);
    for (int k = 0; k < kSlots; ++k) slots[k] = arena.data() + static_cast<std::size_t>(k) * kWindow;
    std::vector<zet32s> lens(kSlots);
    const zet8u* text = data->data();
    const std::size_t size = data->size();
    for (std::size_t pos = 0; pos < size;) {
        const int window = static_cast<int>(std::min<std::size_t>(size - pos, kWindow));
        std::fill(lens.begin(), lens.end(), kWindow);
        int num = kSlots;
        const ZetStatus st = zetsSplitC_8u_D2L(text + pos, window, delim, slots.data(), lens.data(), &num);
        if (st < 0) return std::fprintf(stderr, "zetch split: failed with status %d\n", st), kUsage;
        // Every stored piece ended at a delimiter, except perhaps the last: it may have ended at
        // the window's end only, and then goes on in the next window.
        const bool cut = st != zetStatusSplitIncomplete && pos + window < size && text[pos + window - 1] != delim;
        std::size_t used = 0;
        for (int k = 0; k < num - (cut ? 1 : 0); ++k) {
            put(slots[k], lens[k], true);
            used += static_cast<std::size_t>(lens[k]) + 1;
        }
        if (cut && num == 1) {  // the whole window is the start of one long piece
            put(slots[0], lens[0], false);
            used = static_cast<std::size_t>(window);
        }
        pos += std::min(used, static_cast<std::size_t>(window));
    }
    return std::fflush(stdout) == 0 ? kFound : kUsage;
}

}  // namespace cli
