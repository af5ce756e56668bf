// The search driver, for zetsRegExpFind_8u and for the replacement and the multi-pattern search
// built on it.
#pragma once

#include "regexp/program.h"

namespace zet::rx {

// Searches pSrc (srcLen bytes) with a compiled state and stores match records as
// zetsRegExpFind_8u does, after the same argument checks. keepWholeMatch = 1 makes a global search
// store every match as the whole match followed by all its groups (the replacement's layout);
// with 0 a global search of a pattern with groups stores the groups only.
//
// `prefilters` says which start-position shortcuts the search takes: none (for the tests that
// prove they change nothing), all of them whatever the subject's length (those tests' other
// side), or what the public functions do: the cheap ones always, and those that take working
// out on subjects long enough to repay it.
enum class RegExpPrefilters { Off, Always, Auto };
ZetStatus ownRegExpSearch(const zet8u* pSrc, zet32s srcLen, RegExpState* pState, RegExpMatchRecord* pMatch,
                          zet32s* pNumMatch, int keepWholeMatch, RegExpPrefilters prefilters = RegExpPrefilters::Auto);

}  // namespace zet::rx
