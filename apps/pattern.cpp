#include "pattern.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "regexp/program.h"

namespace cli {

const char* patternError(ZetStatus st) {
    switch (st) {
        case zetStatusRegExpBadEscape: return "malformed escape";
        case zetStatusRegExpBadClass: return "malformed character class";
        case zetStatusRegExpBadReference: return "bad back-reference or group number";
        case zetStatusRegExpSyntax: return "parenthesis or group syntax";
        case zetStatusRegExpBadQuantifier: return "bad quantifier";
        case zetStatusRegExpBadOption: return "unknown option letter";
        case zetStatusBadLength: return "pattern too long";
        default: return "error";
    }
}

StatePtr compilePattern(const Command& self, const std::string& pattern, const std::string& options, bool* usage) {
    *usage = false;
    RegExpState* raw = nullptr;
    zet32s offset = 0;
    const ZetStatus st = zetsRegExpInitAlloc(pattern.c_str(), options.c_str(), &raw, &offset);
    if (st == zetStatusOk) return StatePtr(raw);
    if (st == zetStatusRegExpBadOption) {
        *usage = true;
        usageError(self, "unknown option letter in '" + options + "'");
    } else {
        std::fprintf(stderr, "zetch %s: %s (status %d) at offset %d\n", self.name, patternError(st), st, offset);
    }
    return nullptr;
}

bool parseMatchLimit(const Command& self, std::string_view value, zet32s* limit) {
    const auto r = std::from_chars(value.data(), value.data() + value.size(), *limit);
    if (r.ec == std::errc() && r.ptr == value.data() + value.size() && *limit >= 0) return true;
    usageError(self, "--match-limit needs a number from 0 to 2147483647");
    return false;
}

void configurePattern(RegExpState* state, zet32s matchLimit, bool bytes) {
    zetsRegExpSetMatchLimit(matchLimit, state);
    zetsRegExpSetFormat(bytes ? 0 : 1, state);
}

int recordsPerMatch(const RegExpState* state) { return std::clamp(state->groupCount, 1, zet::rx::kRegExpMaxGroups); }

}  // namespace cli
