/* Compiled as strict C99: the public header must be valid C. */
#include "zetch.h"

int zetch_header_c99_probe(void) {
    LibraryVersion v = {0, 0, 0, 0, {0, 0, 0, 0}, 0, 0, 0};
    RegExpMatchRecord r = {0, -1};
    RegExpMultiResult m = {0, 0, 0, zetStatusOk, 0};
    ZetStatus (*find)(const zet8u*, zet32s, zet8u, zet32s*) = zetsFindC_8u;
    (void)find;
    return (int)sizeof(zet8u) + (int)sizeof(zet16u) * 10 + v.major + r.len + m.status + zetStatusRegExpBadOption;
}
