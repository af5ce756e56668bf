// The search driver, for zetsRegExpFind_8u and for the replacement and the multi-pattern search
// built on it.
#pragma once

#include "regexp/program.h"

namespace zet::rx {

// Searches pSrc (srcLen bytes) with a compiled state and stores match records as
// zetsRegExpFind_8u does, after the same argument checks. keepWholeMatch = 1 makes a global search
// store every match as the whole match followed by all its groups (the replacement's layout);
// with 0 a global search of a pattern with groups stores the groups only. `prefilter` false
// turns off the start-position prefilters (for tests that prove they change nothing).
ZetStatus ownRegExpSearch(const zet8u* pSrc, zet32s srcLen, RegExpState* pState, RegExpMatchRecord* pMatch,
                          zet32s* pNumMatch, int keepWholeMatch, bool prefilter = true);

}  // namespace zet::rx
