// Compiled regular expressions for the tool's commands: one owner, one set of messages.
#pragma once

#include <memory>
#include <string>

#include "cli.h"
#include "zetch.h"

namespace cli {

struct StateFree {
    void operator()(RegExpState* s) const { zetsRegExpFree(s); }
};
using StatePtr = std::unique_ptr<RegExpState, StateFree>;

// What a pattern status means, in words.
const char* patternError(ZetStatus st);

// Compiles `pattern` with the option letters `options`. On failure prints why (for a rejected
// pattern: "zetch NAME: <what> (status S) at offset O") and returns null with *usage set when the
// fault is the caller's option letters rather than the pattern.
StatePtr compilePattern(const Command& self, const std::string& pattern, const std::string& options, bool* usage);

// The value of --match-limit (0 .. 2147483647), or false after a usage message.
bool parseMatchLimit(const Command& self, std::string_view value, zet32s* limit);

// Applies --match-limit and --bytes to a compiled state.
void configurePattern(RegExpState* state, zet32s matchLimit, bool bytes);

// The number of records a match of this state fills (the whole match and every group).
int recordsPerMatch(const RegExpState* state);

}  // namespace cli
