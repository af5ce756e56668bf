// A readable listing of a compiled program: a header line with the state's fields, then one line
// per node ("3 Alt link=1 opts=-"): its index, its type without the RegExpOp prefix, and its
// operands by name; string text is shown quoted and options as letters ("-" for none).
#pragma once

#include "regexp/program.h"

namespace zet::rx {

// Writes the listing of a compiled state into buf, lines ended by '\n', zero-terminated when
// cap > 0 (cut short when it does not fit). Returns the length of the whole listing without the
// zero, so a first call with cap 0 tells the size to provide.
int ownRegExpExplain(const RegExpState* state, char* buf, int cap);

// The line of node `index` alone, without a line end; same conventions.
int ownRegExpExplainNode(const RegExpState* state, int index, char* buf, int cap);

}  // namespace zet::rx
