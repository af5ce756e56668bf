// zetch grep: the lines of the FILEs or standard input that regular expressions match.
#include <omp.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli.h"
#include "pattern.h"
#include "regexp/search.h"
#include "zetch.h"

namespace cli {
namespace {

struct GrepOptions {
    bool invert = false, count = false, lineNumbers = false, byteOffsets = false, only = false;
};

// One or more compiled patterns and the search of a line with them. With one pattern the line
// is searched with it alone; with several, through a multi-pattern table, which searches its
// slots on the core library's threads (-j, else OMP_NUM_THREADS) when there are more slots
// than threads.
class LineSearch {
public:
    explicit LineSearch(std::vector<StatePtr> states) : states_(std::move(states)) {
        if (states_.size() < 2) return;
        zetsRegExpMultiInitAlloc(&table_, static_cast<zet32s>(states_.size()));
        for (std::size_t i = 0; i < states_.size(); ++i) zetsRegExpMultiAdd(states_[i].get(), static_cast<zet32s>(i + 1), table_);
        records_.resize(states_.size());
        results_.resize(states_.size());
    }
    ~LineSearch() { zetsRegExpMultiFree(table_); }
    LineSearch(const LineSearch&) = delete;
    LineSearch& operator=(const LineSearch&) = delete;

    bool ready() const { return states_.size() < 2 || table_ != nullptr; }

    // Whether some pattern matches the line; with several patterns, `which` gets the numbers
    // (from 1) of those that do, as "1,3".
    bool matches(const zet8u* p, zet32s n, std::string& which) {
        which.clear();
        const auto note = [&](std::size_t i) {
            if (!which.empty()) which += ',';
            which += std::to_string(i + 1);
        };
        if (table_ == nullptr || n == 0) {  // a table searches non-empty subjects only
            for (std::size_t i = 0; i < states_.size(); ++i) {
                RegExpMatchRecord r;
                zet32s one = 1;
                if (zetsRegExpFind_8u(p, n, states_[i].get(), &r, &one) >= 0 && one > 0) {
                    if (states_.size() == 1) return true;
                    note(i);
                }
            }
            return !which.empty();
        }
        for (std::size_t i = 0; i < results_.size(); ++i) results_[i] = RegExpMultiResult{0, 0, 1, 0, &records_[i]};
        zetsRegExpMultiFind_8u(p, n, results_.data(), table_);
        for (std::size_t i = 0; i < results_.size(); ++i)
            if (results_[i].status >= 0 && results_[i].numMatch > 0) note(i);
        return !which.empty();
    }

    // Every match of the (single) pattern in the line, as the global option finds them, to
    // `each(start, length)`; empty matches are passed over. Whether there was any match, empty
    // ones included. A line with more matches than one search can record is searched on from the
    // end of the last recorded one.
    template <class Each>
    bool eachMatch(const zet8u* p, zet32s n, Each each) {
        RegExpState* state = states_[0].get();
        const int per = recordsPerMatch(state);
        if (matchRecords_.empty()) matchRecords_.resize(static_cast<std::size_t>(per) * kMatchesPerCall);
        bool any = false;
        for (zet32s at = 0; at <= n;) {
            zet32s stored = static_cast<zet32s>(matchRecords_.size());
            const ZetStatus st = zet::rx::ownRegExpSearch(p + at, n - at, state, matchRecords_.data(), &stored, 1);
            if (st < 0) return any;
            any = any || stored > 0;
            zet32s next = n + 1;
            for (zet32s k = 0; k + per <= stored; k += per) {
                const RegExpMatchRecord& m = matchRecords_[static_cast<std::size_t>(k)];
                if (m.pStr == nullptr) continue;
                const zet32s start = static_cast<zet32s>(m.pStr - p);
                if (m.len > 0) each(start, m.len);
                next = std::max(start + m.len, start + 1);
            }
            if (stored < static_cast<zet32s>(matchRecords_.size())) return any;
            at = next;
        }
        return any;
    }

private:
    static constexpr int kMatchesPerCall = 256;

    std::vector<StatePtr> states_;
    RegExpMultiState* table_ = nullptr;
    std::vector<RegExpMatchRecord> records_;  // one per slot: whether it matched
    std::vector<RegExpMultiResult> results_;
    std::vector<RegExpMatchRecord> matchRecords_;
};

// What goes before an output line: "FILE:" when several files are searched, "N:" with -n, and
// "OFFSET:" with -b or -o.
void prefix(Output& out, const GrepOptions& o, std::string_view file, std::uint64_t lineNumber, std::uint64_t offset) {
    if (!file.empty()) {
        out.write(file);
        out.put(':');
    }
    char buf[48];
    for (const auto& [on, value] : {std::pair{o.lineNumbers, lineNumber}, std::pair{o.byteOffsets || o.only, offset}}) {
        if (!on) continue;
        auto r = std::to_chars(buf, buf + sizeof buf, value);
        *r.ptr++ = ':';
        out.write(buf, static_cast<std::size_t>(r.ptr - buf));
    }
}

// Searches one input; the number of lines selected (with -o: lines with a match), or -1 after
// a read error (message on stderr).
long long grepInput(LineSearch& search, const GrepOptions& o, BlockReader& in, std::string_view file, Output& out) {
    // Lines come whole up to the largest block (longer ones are searched in pieces of that size).
    LineReader lines(in, '\n', kMaxBlockSize);
    std::uint64_t lineNumber = 0;
    long long selected = 0;
    std::string which;  // the patterns that matched the line
    Line l;
    while (!out.failed() && lines.next(l)) {
        lineNumber += l.begins ? 1 : 0;
        const auto* text = l.text.data();
        const auto n = static_cast<zet32s>(l.text.size());
        if (o.only) {
            selected += search.eachMatch(text, n, [&](zet32s start, zet32s len) {
                prefix(out, o, file, lineNumber, l.offset + static_cast<std::uint64_t>(start));
                out.write(text + start, static_cast<std::size_t>(len));
                out.put('\n');
            });
            continue;
        }
        if (search.matches(text, n, which) == o.invert) continue;
        ++selected;
        if (o.count) continue;
        prefix(out, o, file, lineNumber, l.offset);
        if (!which.empty()) {
            out.write(which);
            out.put(':');
        }
        out.write(text, static_cast<std::size_t>(n));
        out.put('\n');
    }
    if (in.failed()) return -1;
    if (o.count) {
        prefix(out, GrepOptions{}, file, 0, 0);
        out.number(static_cast<std::uint64_t>(selected));
    }
    return selected;
}

// The patterns of a file, one a line ("-": standard input); false after a message.
bool readPatterns(std::string_view file, std::vector<std::string>& patterns) {
    BlockReader in;
    if (!in.open(file)) return false;
    LineReader lines(in, '\n', kMaxBlockSize);
    for (Line l; lines.next(l);) patterns.emplace_back(l.text.begin(), l.text.end());
    return !in.failed();
}

// -j N: the thread count that the core library reports from now on.
bool parseThreads(const Command& self, std::string_view value) {
    int n = 0;
    const auto r = std::from_chars(value.data(), value.data() + value.size(), n);
    if (r.ec != std::errc() || r.ptr != value.data() + value.size() || n < 1 || n > 1024)
        return usageError(self, "-j needs a thread count from 1 to 1024"), false;
    omp_set_num_threads(n);
    return true;
}

}  // namespace

// zetch grep [-i] [-v] [-c] [-n] [-b] [-o] [-j N] [--options LETTERS] [--match-limit N] [--bytes]
//            (PATTERN | -e PATTERN... | -f FILE) [FILE...]
int runGrep(const Args& args, Context& ctx) {
    const Command& self = commandNamed("grep");
    const auto p = parseArgs(self, args, {"-i", "-v", "-c", "-n", "-b", "-o", "--bytes"}, {"-e", "-f", "-j", "--options", "--match-limit"});
    if (!p) return kUsage;
    GrepOptions o;
    std::string letters;
    std::vector<std::string> patterns;
    zet32s limit = 10000;
    bool bytes = false;
    for (const auto& [name, value] : p->options) {
        if (name == "-i") letters += 'i';
        else if (name == "-v") o.invert = true;
        else if (name == "-c") o.count = true;
        else if (name == "-n") o.lineNumbers = true;
        else if (name == "-b") o.byteOffsets = true;
        else if (name == "-o") o.only = true;
        else if (name == "--bytes") bytes = true;
        else if (name == "-e") patterns.emplace_back(value);
        else if (name == "-f" && !readPatterns(value, patterns)) return kError;
        else if (name == "-j" && !parseThreads(self, value)) return kUsage;
        else if (name == "--options") letters += value;
        else if (name == "--match-limit" && !parseMatchLimit(self, value, &limit)) return kUsage;
    }
    auto rest = p->operands;
    if (patterns.empty()) {
        if (rest.empty()) return usageError(self, "expects a PATTERN (or -e, -f)");
        patterns.emplace_back(rest.front());
        rest.erase(rest.begin());
    }
    if (o.only && (o.invert || o.count || patterns.size() > 1)) return usageError(self, "-o takes one pattern, without -v or -c");
    if (letters.find('g') != std::string::npos) return usageError(self, "the g option is the tool's own business");
    if (o.only) letters += 'g';

    std::vector<StatePtr> states;
    for (const auto& text : patterns) {
        bool usage = false;
        states.push_back(compilePattern(self, text, letters, &usage));
        if (!states.back()) return usage ? kUsage : kError;
        configurePattern(states.back().get(), limit, bytes);
    }
    LineSearch search(std::move(states));
    if (!search.ready()) return std::fprintf(stderr, "zetch grep: out of memory\n"), kError;

    // Like grep: every FILE in turn (standard input without one), each output line after its
    // file's name when there are several; a file that cannot be read makes the status 2.
    if (rest.empty()) rest.push_back("-");
    bool failed = false, found = false;
    for (const std::string_view file : rest) {
        if (ctx.out.failed()) break;
        BlockReader in(ctx.blockSize);
        const long long selected = in.open(file) ? grepInput(search, o, in, rest.size() > 1 ? file : "", ctx.out) : -1;
        failed = failed || selected < 0;
        found = found || selected > 0;
    }
    return failed ? kError : found ? kFound : kNotFound;
}

}  // namespace cli
