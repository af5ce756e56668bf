// Regular-expression state objects: lifetime.
#include "core/memory.h"
#include "zetch.h"

// One routine releases both allocated states and allocated multi-pattern tables: the pointer
// goes to the core library unchecked, null included.
void zetsRegExpFree(RegExpState* pState) { zet::ownFree(pState); }

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattribute-alias"
void zetsRegExpMultiFree(RegExpMultiState* pMulti) __attribute__((alias("zetsRegExpFree")));
#pragma GCC diagnostic pop
