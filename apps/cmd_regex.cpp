#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"
#include "pattern.h"
#include "regexp/explain.h"
#include "regexp/search.h"
#include "zetch.h"

namespace cli {

namespace {

// The node listing of a compiled pattern.
void explain(const RegExpState* state, Output& out) {
    const int length = zet::rx::ownRegExpExplain(state, nullptr, 0);
    std::string listing(static_cast<std::size_t>(length) + 1, '\0');
    zet::rx::ownRegExpExplain(state, listing.data(), length + 1);
    listing.resize(static_cast<std::size_t>(length));
    out.write(listing);
}

// Every match of the pattern in the subject (the first one without g) with all its groups:
//   match 1: 4,3 "abc"
//     group 1: 5,1 "b"
//     group 2: unset
// Returns whether there was a match.
bool test(RegExpState* state, const std::string& subject, Output& out) {
    const int per = recordsPerMatch(state);
    std::vector<RegExpMatchRecord> records(static_cast<std::size_t>(per) * (subject.size() + 1));
    zet32s stored = static_cast<zet32s>(records.size());
    const auto* src = reinterpret_cast<const zet8u*>(subject.data());
    zet::rx::ownRegExpSearch(src, static_cast<zet32s>(subject.size()), state, records.data(), &stored, 1);
    for (zet32s k = 0; k < stored; ++k) {
        const RegExpMatchRecord& r = records[static_cast<std::size_t>(k)];
        const std::string label = k % per == 0 ? "match " + std::to_string(k / per + 1) : "  group " + std::to_string(k % per);
        if (r.pStr == nullptr) {
            out.write(label + ": unset\n");
            continue;
        }
        out.write(label + ": " + std::to_string(r.pStr - src) + "," + std::to_string(r.len) + " \"");
        out.write(r.pStr, static_cast<std::size_t>(r.len));
        out.write("\"\n");
    }
    return stored > 0;
}

}  // namespace

// zetch regex --explain|--test [--options LETTERS] PATTERN [SUBJECT]
int runRegex(const Args& args, Context& ctx) {
    const Command& self = commandNamed("regex");
    const auto p = parseArgs(self, args, {"--explain", "--test"}, {"--options"});
    if (!p) return kUsage;
    bool explainMode = false, testMode = false;
    std::string options;
    for (const auto& [name, value] : p->options) {
        if (name == "--explain") explainMode = true;
        else if (name == "--test") testMode = true;
        else options = value;
    }
    const std::vector<std::string> rest(p->operands.begin(), p->operands.end());
    if (explainMode == testMode) return usageError(self, "expects --explain or --test");
    if (rest.size() != (testMode ? 2u : 1u)) return usageError(self, testMode ? "expects PATTERN and SUBJECT" : "expects one PATTERN");
    bool usage = false;
    const StatePtr state = compilePattern(self, rest[0], options, &usage);
    if (!state) return usage ? kUsage : kNotFound;
    if (explainMode) return explain(state.get(), ctx.out), kFound;
    return test(state.get(), rest[1], ctx.out) ? kFound : kNotFound;
}

}  // namespace cli
