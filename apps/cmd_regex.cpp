#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"
#include "regexp/explain.h"
#include "zetch.h"

namespace cli {

namespace {

const char* patternError(ZetStatus st) {
    switch (st) {
        case zetStatusRegExpBadEscape: return "malformed escape";
        case zetStatusRegExpBadClass: return "malformed character class";
        case zetStatusRegExpBadReference: return "bad back-reference or group number";
        case zetStatusRegExpSyntax: return "parenthesis or group syntax";
        case zetStatusRegExpBadQuantifier: return "bad quantifier";
        case zetStatusRegExpBadOption: return "unknown option letter";
        default: return "error";
    }
}

}  // namespace

int runRegex(const Args& args, Context& ctx) {
    const Command& self = commandNamed("regex");
    const auto p = parseArgs(self, args, {"--explain"}, {"--options"});
    if (!p) return kUsage;
    bool explain = false;
    std::string options;
    for (const auto& [name, value] : p->options) {
        if (name == "--explain") explain = true;
        else options = value;
    }
    const std::vector<std::string> rest(p->operands.begin(), p->operands.end());
    if (!explain) return usageError(self, "expects --explain");
    if (rest.size() != 1) return usageError(self, "expects one PATTERN");

    zet32s size = 0;
    if (const ZetStatus st = zetsRegExpGetSize(rest[0].c_str(), &size); st != zetStatusOk)
        return usageError(self, "pattern too long");
    std::vector<std::uint32_t> block((static_cast<std::size_t>(size) + 3) / 4);  // the state needs 4-byte alignment
    auto* state = reinterpret_cast<RegExpState*>(block.data());
    zet32s offset = 0;
    const ZetStatus st = zetsRegExpInit(rest[0].c_str(), options.c_str(), state, &offset);
    if (st == zetStatusRegExpBadOption) return usageError(self, "unknown option letter in '" + options + "'");
    if (st != zetStatusOk) {
        std::fprintf(stderr, "zetch regex: %s (status %d) at offset %d\n", patternError(st), st, offset);
        return kNotFound;
    }
    const int length = zet::rx::ownRegExpExplain(state, nullptr, 0);
    std::string listing(static_cast<std::size_t>(length) + 1, '\0');
    zet::rx::ownRegExpExplain(state, listing.data(), length + 1);
    listing.resize(static_cast<std::size_t>(length));
    ctx.out.write(listing);
    return kFound;
}

}  // namespace cli
