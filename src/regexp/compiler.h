// The pattern compiler: turns a zero-terminated pattern into the node program of a RegExpState,
// and the small routines it is built from (exported to the tests and to the listing).
#pragma once

#include "regexp/program.h"

namespace zet::rx {

// Option letters of an options string ("gimsx"), as bits; false on any other character.
bool ownRegExpParseOptions(const char* letters, zet32u* options);

// Compiles `pattern` (len bytes before its terminating zero) into `state`, whose block holds at
// least kRegExpFixedSize + kRegExpNodeBytes * len bytes. On a pattern error returns its status and
// stores the byte offset of the error in *errOffset; on success *errOffset is not touched.
ZetStatus ownRegExpCompile(const zet8u* pattern, int len, zet32u options, RegExpState* state, zet32s* errOffset);

// True when the text at p is a quantifier: * + ? or {digits}, {digits,digits} with either
// number possibly missing ({} and {,} included). Reads nothing past a zero byte.
bool ownRegExpIsQuantifier(const zet8u* p);

// Width in characters of count nodes when every one is simple (literals, types, properties,
// classes; greedy repeats count 0), else -1.
int ownRegExpSimpleLength(const RegExpNode* nodes, int count);

// Fixed width in characters of a look-behind body of count nodes, or -1 when its alternatives
// differ in width (or the width does not fit in 31 bits).
int ownRegExpFixedLength(const RegExpNode* nodes, int count);

// Difference of the first differing byte pair of a and b within n bytes, 0 when all agree. Stops
// at the first difference, so a zero-terminated string may be compared with a longer literal.
int ownRegExpCompareN(const zet8u* a, const zet8u* b, int n);

}  // namespace zet::rx
