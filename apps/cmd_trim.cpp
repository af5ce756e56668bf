#include <algorithm>

#include "cli.h"
#include "zetch.h"

namespace cli {
namespace {

using TrimFn = ZetStatus (*)(const zet8u*, zet32s, const zet8u*, zet32s, zet8u*, zet32s*);

// Trims the lines of the input as they stream by. A line that comes whole and fits the output's
// room goes through one library call straight into the output. A longer one comes in pieces
// (input.h): its start is trimmed until a byte outside the set turns up, and at the end of every
// piece the run of set bytes is held back until the line goes on with a byte outside the set
// (then it is written) or ends (then it is dropped). Only that run is ever held in memory.
class Trimmer {
public:
    Trimmer(Output& out, const std::vector<std::uint8_t>& set, bool start, bool end)
        : out_(out), set_(set.data()), setLen_(static_cast<int>(set.size())), start_(start), end_(end) {}

    void line(const Line& l) {
        const zet8u* p = l.text.data();
        std::size_t n = l.text.size();
        if (l.begins && l.complete && n <= out_.capacity()) {
            const TrimFn fn = start_ && end_ ? zetsTrimCAny_8u : start_ ? zetsTrimStartCAny_8u : zetsTrimEndCAny_8u;
            int kept = 0;
            fn(p, static_cast<int>(n), set_, setLen_, out_.room(n).data(), &kept);
            out_.commit(static_cast<std::size_t>(kept));
        } else {
            if (l.begins) starting_ = start_, held_.clear();
            if (starting_) {
                const std::size_t skip = leadingRun(p, n);
                p += skip, n -= skip;
                starting_ = n == 0;
            }
            const std::size_t keep = end_ ? withoutTrailingRun(p, n) : n;
            if (keep > 0) {
                out_.write(held_.data(), held_.size());
                out_.write(p, keep);
                held_.clear();
            }
            if (!l.complete) held_.insert(held_.end(), p + keep, p + n);
        }
        if (l.delimited) out_.put('\n');
    }

private:
    // Length of the run of set bytes that p[0, n) begins with, found a chunk at a time with the
    // start trim (the output's room as its scratch destination): a chunk trimmed to nothing is
    // set bytes throughout.
    std::size_t leadingRun(const zet8u* p, std::size_t n) {
        for (std::size_t at = 0; at < n;) {
            const std::size_t c = std::min(n - at, out_.capacity());
            int kept = 0;
            zetsTrimStartCAny_8u(p + at, static_cast<int>(c), set_, setLen_, out_.room(c).data(), &kept);
            at += c - static_cast<std::size_t>(kept);
            if (kept > 0) return at;
        }
        return n;
    }

    // Length of p[0, n) without the run of set bytes that it ends with, the same way from the end.
    std::size_t withoutTrailingRun(const zet8u* p, std::size_t n) {
        while (n > 0) {
            const std::size_t c = std::min(n, out_.capacity());
            int kept = 0;
            zetsTrimEndCAny_8u(p + n - c, static_cast<int>(c), set_, setLen_, out_.room(c).data(), &kept);
            n -= c - static_cast<std::size_t>(kept);
            if (kept > 0) break;
        }
        return n;
    }

    Output& out_;
    const zet8u* set_;
    int setLen_;
    bool start_, end_;
    bool starting_ = false;           // the current line's start is still being trimmed
    std::vector<std::uint8_t> held_;  // set bytes at the end of the line so far
};

}  // namespace

int runTrim(const Args& args, Context& ctx) {
    const Command& self = commandNamed("trim");
    const auto p = parseArgs(self, args, {"--start", "--end"});
    if (!p) return kUsage;
    bool start = true, end = true;
    for (const auto& [name, value] : p->options) (name == "--start" ? end : start) = false;
    if (!start && !end) return usageError(self, "--start and --end exclude each other");
    const auto& rest = p->operands;
    if (rest.empty() || rest.size() > 2) return usageError(self, "expects SET and at most one FILE");
    const auto set = parseSet(rest[0]);
    if (!set) return usageError(self, "malformed escape in SET");
    if (set->empty()) return usageError(self, "SET must not be empty");
    BlockReader in(ctx.blockSize);
    if (!in.open(rest.size() == 2 ? rest[1] : "-")) return kError;

    // Lines end at '\n', which is kept and never trimmed; the last line may lack it.
    Trimmer trimmer(ctx.out, *set, start, end);
    LineReader lines(in, '\n');
    for (Line l; !ctx.out.failed() && lines.next(l);) trimmer.line(l);
    return in.failed() ? kError : kFound;
}

}  // namespace cli
