// The search driver: argument checks, the shortcuts that the compiler's hints allow (the cut
// after the last occurrence of a required final literal, the direct answer for an alternation of
// literals, the jump to a literal that every match starts with, the anchor modes), the loop over
// start positions and top-level alternatives, single and global search with the retry after an
// empty match, and the copy of the state's records into the caller's. Beyond those, the prefilter
// of prefilter.cpp skips start positions at which no match can begin; it changes no result.
// Tested by tests/regexp/search_test.cpp.
//
// Choice where the rules leave room: the budget is given back on every return, so an exhausted
// match limit makes the affected branches fail and the search reports the shorter match or none
// (status 0); zetStatusRegExpMatchLimit is checked where the driver looks at the budget but does
// not arise.
#include "regexp/search.h"

#include <algorithm>

#include "core/layout.h"
#include "core/stack.h"
#include "regexp/chars.h"
#include "regexp/matcher.h"
#include "regexp/prefilter.h"
#include "search/find.h"
#include "search/findc.h"

namespace zet::rx {

namespace {

// How far below the driver's frame the matcher may nest before the real end of the stack is
// looked up: searches that stay shallower never pay for that query.
constexpr std::uintptr_t kStackProbe = 8 * 1024;

constexpr zet32u kCaseless = zetRegExpOptionCaseless;
constexpr zet32u kMultiline = zetRegExpOptionMultiline;
constexpr zet32u kGlobal = zetRegExpOptionGlobal;
constexpr zet32s kPrefilterMinLength = 256;  // bytes of subject (see ownRegExpSearch)

// The text of a literal node: a RegExpOpString's bytes, or the one byte of a RegExpOpChar (false
// for a character value that no byte equals: such a literal occurs nowhere).
bool literalText(const RegExpState* state, const RegExpNode& n, zet8u* one, const zet8u** text, int* len) {
    if (n.type == RegExpOpString) {
        *text = ownRegExpStringBytes(state, n);
        *len = n.arg2;
        return true;
    }
    if (n.arg1 < 0 || n.arg1 > 255) return false;
    *one = static_cast<zet8u>(n.arg1);
    *text = one;
    *len = 1;
    return true;
}

struct Search {
    RegExpMatchContext ctx;
    int anchorMode;  // 0 every position, 1 line starts, 2 the first position only
    int firstBar;
    bool anyBar;    // a top-level bar at or after firstBar
    bool runSkip;   // see leadingRun()
    int runItem;    // the leading item's node (see leadingItem())
    // See leadingRunStop(): the literal byte after the leading repeat, or -1.
    int stopByte;
    bool stopCaseless;
    zet32s stopMin;  // the repeat's minimum
    RegExpPrefilter prefilter;
};

zet32s offsetOf(const RegExpMatchContext& ctx, const zet8u* p) { return static_cast<zet32s>(p - ctx.subjectStart); }

// The next top-level bar at or after `from`, or -1.
int topLevelBar(const RegExpMatchContext& ctx, int from) {
    for (int i = from; i < ctx.nodeCount; ++i)
        if (ctx.nodes[i].type == RegExpOpAlt && ctx.nodes[i].arg1 == 0) return i;
    return -1;
}

// The program's leading item: node 0, or node 1 when node 0 opens a capture whose body is that
// item and its repeat alone, and nothing in the program looks at a capture (no back-reference,
// no conditional): a start further inside the item's run then changes only where the group
// begins, which no later node can see.
int leadingItem(const RegExpMatchContext& ctx) {
    const RegExpNode& n = ctx.nodes[0];
    if (n.type != RegExpOpCapture || ctx.nodeCount < 4) return 0;
    const RegExpNode& item = ctx.nodes[1];
    if (n.arg2 != (item.type == RegExpOpClass ? item.arg2 + 2 : 2) || ownRegExpRepeatAfter(&ctx, n.arg2 + 1) != nullptr) return 0;
    for (int i = 0; i < ctx.nodeCount; ++i)
        if (ctx.nodes[i].type == RegExpOpBackRef || ctx.nodes[i].type == RegExpOpCond) return 0;
    return 1;
}

// The repeat node of the leading single-character item, or null.
const RegExpNode* leadingRepeat(const RegExpMatchContext& ctx, int item) {
    return ownRegExpRepeatAfter(&ctx, item + (ctx.nodes[item].type == RegExpOpClass ? ctx.nodes[item].arg2 : 0));
}

// A leading run that must stop at a literal: the program begins with an unbounded repeat of an
// item C that is followed by a literal whose first byte c is ASCII and not in C (in neither case
// with i). A match from p then needs c exactly where C's run from p ends: inside the run every
// byte is in C, so neither a shorter count nor a longer one can be followed by c. So no match
// starts before the run of C that ends at the next c, nor inside it closer to c than the minimum.
void leadingRunStop(Search& s) {
    RegExpMatchContext& ctx = s.ctx;
    s.stopByte = -1;
    const RegExpNode* rep = leadingRepeat(ctx, s.runItem);
    const int lit = static_cast<int>(rep - ctx.nodes) + 1 + s.runItem;  // after the group's close
    if (lit >= ctx.nodeCount || ownRegExpRepeatAfter(&ctx, lit) != nullptr) return;
    const RegExpNode& n = ctx.nodes[lit];
    int c = -1;
    if (n.type == RegExpOpChar) c = n.arg1;
    else if (n.type == RegExpOpString && n.arg2 > 0) c = ownRegExpStringBytes(ctx.state, n)[0];
    if (c < 0 || c >= 0x80) return;
    const bool caseless = (ctx.options & kCaseless) != 0 && static_cast<unsigned>((c | 0x20) - 'a') < 26u;
    for (const int b : {c, caseless ? c ^ 0x20 : c}) {
        const zet8u one = static_cast<zet8u>(b);
        if (ownRegExpItemRunEnd(&one, &one + 1, s.runItem, &ctx) != &one) return;
    }
    s.stopByte = c;
    s.stopCaseless = caseless;
    s.stopMin = rep->arg1;
}

// The first start position at or after pos that leadingRunStop() leaves, or null when none.
const zet8u* nextRunStop(const zet8u* pos, const zet8u* end, Search& s) {
    const zet8u c = static_cast<zet8u>(s.stopByte);
    for (;;) {
        const int at = ownRegExpFindLiteral(pos, static_cast<int>(end - pos), &c, 1, s.stopCaseless);
        if (at < 0) return nullptr;
        const zet8u* q = pos + at;
        const zet8u* r = ownRegExpItemRunStart(pos, q, end, s.runItem, &s.ctx);
        // A run that goes on over a longer character before r: its true start is unknown.
        if (r > pos && r[-1] >= 0x80) return pos;
        if (q - r >= s.stopMin) return r;
        pos = q + 1;
    }
}

// Moves *pos to the next start position at which a match may begin; false when there is none.
bool nextStart(const zet8u** pos, const zet8u* end, Search& s) {
    if (!s.prefilter.next(pos, end, s.ctx.format)) return false;
    if (s.stopByte < 0) return true;
    s.ctx.options = s.ctx.state->options;
    const zet8u* p = nextRunStop(*pos, end, s);
    if (p == nullptr) return false;
    *pos = p;
    return true;
}

// The start-position loop from pos: every alternative at each position in turn. On kMatch the
// state's records hold the match.
int matchFrom(const zet8u* pos, zet32s remaining, Search& s) {
    RegExpMatchContext& ctx = s.ctx;
    const zet8u* const end = pos + remaining;
    const zet32u options = ctx.state->options;
    if (s.anchorMode == 0 && !nextStart(&pos, end, s)) return kNoMatch;
    remaining = static_cast<zet32s>(end - pos);
    for (;;) {
        ctx.curNode = 0;
        ctx.options = options;
        for (int g = 1; g < ctx.groupCount; ++g) ctx.records[g] = RegExpStateRecord{0, -1};
        for (;;) {
            ctx.records[0] = RegExpStateRecord{offsetOf(ctx, pos), 0};
            if (ownRegExpMatch(pos, remaining, &ctx) == kMatch) return kMatch;
            const int bar = s.anyBar ? topLevelBar(ctx, std::max(ctx.curNode, s.firstBar)) : -1;
            if (bar < 0) break;
            ctx.options = static_cast<zet32u>(ctx.nodes[bar].arg2);
            ctx.curNode = bar + 1;
        }
        if (remaining <= 0 || s.anchorMode == 2) return kNoMatch;
        int step = ctx.format == 1 ? ownRegExpUtf8Length(pos, remaining) : 1;
        if (s.runSkip) {
            ctx.options = options;
            step = std::max(step, static_cast<int>(ownRegExpItemRunEnd(pos, end, s.runItem, &ctx) - pos));
        }
        pos += step;
        remaining -= step;
        if (s.anchorMode == 1 && pos[-1] != 10) {
            // Line starts only: a byte 10 is always a character of its own, so the next one is
            // where stepping character by character would stop.
            const int lf = ownFindC(pos, remaining, zet8u{10});
            if (lf < 0) return kNoMatch;
            pos += lf + 1;
            remaining -= lf + 1;
        } else if (s.anchorMode == 0 && !nextStart(&pos, end, s)) {
            return kNoMatch;
        }
        remaining = static_cast<zet32s>(end - pos);
    }
}

// The state's record `index` as the caller sees it; a record that is unset, or that does not lie
// inside the subject, is reported unset.
RegExpMatchRecord publicRecord(const RegExpMatchContext& ctx, int index, zet32s srcLen) {
    const RegExpStateRecord r = ctx.records[index];
    if (r.len < 0 || r.offset < 0 || r.offset > srcLen || r.len > srcLen - r.offset) return RegExpMatchRecord{nullptr, -1};
    return RegExpMatchRecord{ctx.subjectStart + r.offset, r.len};
}

// Whether a failed attempt may pass over the rest of its leading run. When the program is one
// alternative that begins with an unbounded repeat of a single-character item C (C+, C*, C{m,},
// greedy or lazy) and the attempt at p failed, an attempt at p + 1 with C accepting the byte at p
// fails too, at every match limit: the repeat from p + 1 reaches a subset of the positions that it
// reaches from p, with the same count or more to spare, and calls what follows from each of them
// at the same depth with the same budget and stack (repeats of single items run as loops, not one
// level per item); what follows depends on the position alone (captures and back-references
// begin afresh with every attempt, and a match longer than the empty one stays so). So every
// start inside the run of bytes that C accepts is passed over. The run is taken over ASCII bytes
// only, where stepping byte by byte and character by character agree. The repeat may also be the
// whole body of a leading capture (see leadingItem()).
bool leadingRun(const RegExpMatchContext& ctx, bool anyBar, int item) {
    if (anyBar || ctx.nodeCount < 2) return false;
    const RegExpNode& n = ctx.nodes[item];
    switch (n.type) {
        case RegExpOpChar:
        case RegExpOpCharType:
        case RegExpOpAnyByte:
        case RegExpOpWideChar:
        case RegExpOpCategory:
        case RegExpOpCodeRange:
        case RegExpOpScript:
        case RegExpOpClass: break;
        default: return false;
    }
    const RegExpNode* rep = leadingRepeat(ctx, item);
    return rep != nullptr && rep->arg2 == kRegExpUnbounded;
}

// Mode and first bar from a leading assertion.
void anchor(Search& s, const RegExpState* state) {
    const RegExpMatchContext& ctx = s.ctx;
    s.anchorMode = 0;
    s.firstBar = 0;
    if (ctx.nodeCount == 0 || ctx.nodes[0].type != RegExpOpAssert) return;
    const int bar = topLevelBar(ctx, 0);
    s.firstBar = bar < 0 ? ctx.nodeCount : bar;
    if (bar < 0) {
        const zet32s kind = ctx.nodes[0].arg1;
        if (kind == 'A' || kind == 'G') s.anchorMode = 2;
        else if (kind == '^') s.anchorMode = (state->options & kMultiline) != 0 ? 1 : 2;
    }
    if (ctx.nodeCount > 1 && ownRegExpIsRepeat(ctx.nodes[1].type) && ctx.nodes[1].arg1 == 0) s.anchorMode &= ~2;
}

// An alternation of literals without g: the earliest occurrence of any, the earlier alternative
// on a tie. Neither the matcher nor the match limit takes part.
void literalAlternation(const zet8u* src, zet32s len, const RegExpState* state, RegExpMatchRecord* pMatch,
                        zet32s* pNumMatch) {
    const RegExpNode* nodes = ownRegExpNodes(state);
    const bool caseless = (state->options & kCaseless) != 0;
    int best = -1, bestLen = 0;
    for (int i = 0; i < state->nodeCount; i += 2) {
        zet8u one;
        const zet8u* text;
        int litLen;
        if (!literalText(state, nodes[i], &one, &text, &litLen)) continue;
        // A later alternative must start strictly before the best found so far.
        const int window = best < 0 ? len : std::min<int>(len, best + litLen - 1);
        const int at = ownRegExpFindLiteral(src, window, text, litLen, caseless);
        if (at >= 0) best = at, bestLen = litLen;
    }
    if (best < 0) {
        *pNumMatch = 0;
        return;
    }
    *pNumMatch = 1;
    pMatch[0] = RegExpMatchRecord{src + best, bestLen};
}

}  // namespace

bool ownRegExpStackExhausted(RegExpMatchContext* ctx, std::uintptr_t frame) {
    RegExpStackGuard& g = ctx->guard;
    if (!g.resolved) {
        g.resolved = true;
        const std::uintptr_t low = ownStackLowEnd();
        if (low != 0) g.floor = low + kStackReserve;  // unknown: the probe's floor stays
    }
    return frame < g.floor;
}

void ownRegExpStackGuardInit(RegExpStackGuard* guard, std::uintptr_t frame) {
    guard->floor = frame > kStackProbe ? frame - kStackProbe : 0;
    guard->resolved = false;
}

ZetStatus ownRegExpSearch(const zet8u* pSrc, zet32s srcLen, RegExpState* pState, RegExpMatchRecord* pMatch,
                          zet32s* pNumMatch, int keepWholeMatch, RegExpPrefilters prefilters) {
    if (anyNull(pSrc, pState, pMatch, pNumMatch)) return zetStatusNullPointer;
    if (srcLen < 0) return zetStatusBadLength;
    if (*pNumMatch < 1) return zetStatusBadSize;
    if (pState->magic != kRegExpMagic) return zetStatusRegExpBadState;

    const RegExpState* state = pState;
    const RegExpNode* nodes = ownRegExpNodes(state);
    const zet32s nodeCount = state->nodeCount;
    const zet32s groupCount = std::clamp(state->groupCount, 1, kRegExpMaxGroups);
    const bool global = (state->options & kGlobal) != 0;
    const zet8u* src = pSrc;
    zet32s len = srcLen;

    // 1. No match ends after the last occurrence of a required final literal.
    if (state->requiredLiteral >= 0 && state->requiredLiteral < nodeCount) {
        const RegExpNode& n = nodes[state->requiredLiteral];
        zet8u one;
        const zet8u* text;
        int litLen;
        const int at = literalText(state, n, &one, &text, &litLen)
                           ? ownRegExpFindLiteralRev(src, len, text, litLen, (n.arg3 & kCaseless) != 0)
                           : -1;
        len = at < 0 ? 0 : at + litLen;
    }
    // 2. An alternation of literals is answered directly.
    if (state->patternKind == RegExpKindLiteralAlternation && !global) {
        literalAlternation(src, len, state, pMatch, pNumMatch);
        return zetStatusOk;
    }
    // 3. Every match starts with node 0's literal: begin at its first occurrence.
    if (state->patternKind == RegExpKindLiteralStart && nodeCount > 0) {
        zet8u one;
        const zet8u* text;
        int litLen;
        if (literalText(state, nodes[0], &one, &text, &litLen)) {
            const int at = ownRegExpFindLiteral(src, len, text, litLen, (state->options & kCaseless) != 0);
            if (at > 0) src += at, len -= at;
        }
    }

    Search s;
    RegExpMatchContext& ctx = s.ctx;
    ctx.curNode = 0;
    ctx.endNode = nodeCount;
    ctx.options = state->options;
    ctx.notEmpty = 0;
    ctx.groupCount = groupCount;
    ctx.budget = state->matchLimit;
    ctx.format = state->format;
    ctx.subjectStart = pSrc;
    ctx.subjectEnd = src + len;
    ctx.nodes = nodes;
    ctx.nodeCount = nodeCount;
    ctx.records = pState->records;
    ctx.groups = reinterpret_cast<RegExpGroupFrame*>(pState->groupFrames);
    ctx.state = state;
    ownRegExpStackGuardInit(&ctx.guard, ZET_FRAME_ADDRESS());
    for (RegExpClassCache& c : ctx.classCache) c.node = -1;
    // 4. A leading assertion limits the start positions.
    anchor(s, state);
    s.anyBar = topLevelBar(ctx, s.firstBar) >= 0;
    s.runItem = leadingItem(ctx);
    const bool prefilter = prefilters != RegExpPrefilters::Off;
    s.runSkip = prefilter && s.anchorMode == 0 && leadingRun(ctx, topLevelBar(ctx, 0) >= 0, s.runItem);
    s.stopByte = -1;
    if (s.runSkip) leadingRunStop(s);
    // Working out the prefilter costs about as much as trying a few dozen start positions: a
    // short subject is searched without it.
    const bool worth = prefilters == RegExpPrefilters::Always || (prefilter && len >= kPrefilterMinLength);
    s.prefilter.init(worth ? state : nullptr, ctx.subjectStart, ctx.subjectEnd);

    if (!global) {
        *pNumMatch = std::min(*pNumMatch, groupCount);
        if (matchFrom(src, len, s) != kMatch) {
            if (ctx.budget < 0) return zetStatusRegExpMatchLimit;
            *pNumMatch = 0;
            return zetStatusOk;
        }
        for (int i = 0; i < *pNumMatch; ++i) pMatch[i] = publicRecord(ctx, i, srcLen);
        return *pNumMatch < groupCount ? zetStatusRegExpRecordsTruncated : zetStatusOk;
    }

    // Global: successive matches, each as perMatch records from record `first` on.
    const bool whole = keepWholeMatch == 1 || groupCount < 2;
    const int perMatch = whole ? groupCount : groupCount - 1;
    const int first = whole ? 0 : 1;
    const zet32s capacity = *pNumMatch;
    zet32s stored = 0;
    const auto copyMatch = [&] {
        const int n = static_cast<int>(std::min<long long>(static_cast<long long>(stored) + perMatch, capacity) - stored);
        for (int i = 0; i < n; ++i) pMatch[stored + i] = publicRecord(ctx, first + i, srcLen);
        stored += n;
    };
    const zet8u* const end = src + len;
    const zet8u* pos = src;
    while (stored < capacity) {
        if (matchFrom(pos, static_cast<zet32s>(end - pos), s) != kMatch) break;
        copyMatch();
        if (ctx.budget < 0) {
            *pNumMatch = stored;
            return zetStatusRegExpMatchLimit;
        }
        const zet8u* m = ctx.subjectStart + ctx.records[0].offset;
        const zet32s r = static_cast<zet32s>(end - m);
        const zet32s k = std::clamp(ctx.records[0].len, 0, r);
        if (k > 0) {
            pos = m + k;
            continue;
        }
        // An empty match: a match of exactly the one unit at m, then on from m + 1.
        if (r < 1) break;
        if (stored < capacity) {
            ctx.notEmpty = 1;
            if (matchFrom(m, 1, s) == kMatch) {
                copyMatch();
                if (ctx.budget < 0) {
                    *pNumMatch = stored;
                    return zetStatusRegExpMatchLimit;
                }
            }
            ctx.notEmpty = 0;
        }
        pos = m + 1;
    }
    *pNumMatch = stored;
    return stored > 0 && stored < perMatch ? zetStatusRegExpRecordsTruncated : zetStatusOk;
}

}  // namespace zet::rx

ZetStatus zetsRegExpFind_8u(const zet8u* pSrc, zet32s srcLen, RegExpState* pState, RegExpMatchRecord* pMatch,
                            zet32s* pNumMatch) {
    return zet::rx::ownRegExpSearch(pSrc, srcLen, pState, pMatch, pNumMatch, 0);
}
