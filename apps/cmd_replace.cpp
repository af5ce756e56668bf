// zetch replace: every line of FILE or standard input with the first match of a regular
// expression (with -g: every match) replaced through a template.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"
#include "pattern.h"
#include "zetch.h"

namespace cli {
namespace {

// Rewrites lines one call of the library each: the line's output is written straight into the
// writer's buffer when it fits there, else into a scratch buffer that grows until it does. A
// line is one subject (never resumed half-way), so ^, \b and look-ahead and look-behind see the
// line as it is. With -g the record array holds every match the line can have (one per byte and
// one more), up to kMaxMatches; a line with more matches than that is cut after the last
// recorded match and resumed there.
class LineReplacer {
public:
    LineReplacer(RegExpState* state, RegExpReplaceState* rep, std::string_view templ, bool global)
        : state_(state), rep_(rep), templ_(templ), per_(static_cast<std::size_t>(recordsPerMatch(state))), global_(global) {}

    // False on an error (message on stderr).
    bool line(Output& out, const zet8u* p, std::size_t n) {
        if (n == 0) return emptyLine(out), true;
        const std::size_t matches = global_ ? std::min(n + 1, kMaxMatches) : 1;
        if (records_.size() < per_ * matches) records_.resize(per_ * matches);
        std::size_t want = out.capacity();
        while (n > 0) {
            const bool inPlace = want <= out.capacity();
            if (!inPlace) scratch_.resize(want);
            zet8u* dst = inPlace ? out.room(want).data() : scratch_.data();
            zet32s asked = static_cast<zet32s>(n), srcLen = asked, dstLen = static_cast<zet32s>(want);
            zet32s numRec = static_cast<zet32s>(per_ * matches);
            ZetStatus st = zetsRegExpReplace_8u(p, &srcLen, dst, &dstLen, records_.data(), &numRec, state_, rep_);
            if (global_ && static_cast<std::size_t>(numRec) == per_ * matches) {
                // Matches past a full record array would be copied unreplaced: the line ends
                // after the last recorded match for this call.
                const RegExpMatchRecord& last = records_[per_ * (matches - 1)];
                asked = srcLen = static_cast<zet32s>(std::max<std::ptrdiff_t>(last.pStr + last.len - p, 1));
                dstLen = static_cast<zet32s>(want);
                numRec = static_cast<zet32s>(per_ * matches);
                st = zetsRegExpReplace_8u(p, &srcLen, dst, &dstLen, records_.data(), &numRec, state_, rep_);
            }
            if (st < 0) return std::fprintf(stderr, "zetch replace: %s (status %d)\n", patternError(st), st), false;
            if (srcLen < asked) {
                // The output did not fit: again, whole, into twice the room.
                if (want >= kMaxOutput) return std::fprintf(stderr, "zetch replace: a line's output exceeds 1 GiB\n"), false;
                want *= 2;
                continue;
            }
            if (inPlace) out.commit(static_cast<std::size_t>(dstLen));
            else out.write(dst, static_cast<std::size_t>(dstLen));
            p += srcLen;
            n -= static_cast<std::size_t>(srcLen);
        }
        return true;
    }

private:
    // The library replaces in subjects of one byte or more. An empty line that the pattern
    // matches becomes the template's literal text: the match and every group in it are empty.
    void emptyLine(Output& out) {
        static constexpr zet8u kNothing = 0;
        RegExpMatchRecord r;
        zet32s one = 1;
        if (zetsRegExpFind_8u(&kNothing, 0, state_, &r, &one) < 0 || one == 0) return;
        // The parsed template (zetch.h): a count in word 1, then items of three words.
        const auto* words = reinterpret_cast<const std::uint32_t*>(rep_);
        for (std::uint32_t k = 0; k < words[1]; ++k) {
            const std::uint32_t* item = words + 3 + 3 * k;
            if (item[0] == kLiteralItem) out.write(templ_.substr(item[2], item[1]));
        }
    }

    static constexpr std::uint32_t kLiteralItem = 0x10000001;
    static constexpr std::size_t kMaxMatches = std::size_t{1} << 20;
    static constexpr std::size_t kMaxOutput = std::size_t{1} << 30;

    RegExpState* state_;
    RegExpReplaceState* rep_;
    std::string_view templ_;
    std::size_t per_;
    bool global_;
    std::vector<RegExpMatchRecord> records_;
    std::vector<zet8u> scratch_;
};

}  // namespace

// zetch replace [-g] [-i] [--options LETTERS] [--match-limit N] [--bytes] PATTERN TEMPLATE [FILE]
int runReplace(const Args& args, Context& ctx) {
    const Command& self = commandNamed("replace");
    const auto p = parseArgs(self, args, {"-g", "-i", "--bytes"}, {"--options", "--match-limit"});
    if (!p) return kUsage;
    std::string letters;
    zet32s limit = 10000;
    bool bytes = false;
    for (const auto& [name, value] : p->options) {
        if (name == "-g") letters += 'g';
        else if (name == "-i") letters += 'i';
        else if (name == "--bytes") bytes = true;
        else if (name == "--options") letters += value;
        else if (!parseMatchLimit(self, value, &limit)) return kUsage;
    }
    const auto& rest = p->operands;
    if (rest.size() < 2 || rest.size() > 3) return usageError(self, "expects PATTERN, TEMPLATE and at most one FILE");
    bool usage = false;
    StatePtr state = compilePattern(self, std::string(rest[0]), letters, &usage);
    if (!state) return usage ? kUsage : kError;
    configurePattern(state.get(), limit, bytes);

    const std::string templ(rest[1]);
    zet32s size = 0;
    if (zetsRegExpReplaceGetSize(templ.c_str(), &size) != zetStatusOk) return usageError(self, "TEMPLATE too long");
    std::vector<std::uint32_t> block((static_cast<std::size_t>(size) + 3) / 4);
    auto* rep = reinterpret_cast<RegExpReplaceState*>(block.data());
    if (const ZetStatus st = zetsRegExpReplaceInit(templ.c_str(), rep); st != zetStatusOk)
        return usageError(self, std::string("TEMPLATE: ") + patternError(st) + " (a '$' takes & or a group number)");

    BlockReader in(ctx.blockSize);
    if (!in.open(rest.size() == 3 ? rest[2] : "-")) return kError;
    LineReplacer replacer(state.get(), rep, templ, letters.find('g') != std::string::npos);
    LineReader lines(in, '\n', kMaxBlockSize);
    Line l;
    while (!ctx.out.failed() && lines.next(l)) {
        if (!replacer.line(ctx.out, l.text.data(), l.text.size())) return kError;
        if (l.delimited) ctx.out.put('\n');
    }
    if (in.failed()) return kError;
    return kFound;
}

}  // namespace cli
