// The backtracking matcher's shared pieces: the context of one search, the group frames kept in
// the state's first work area, and the entry points of the node handlers, which are spread over
// match.cpp (the interpreter, single-character items and their repeats), groups.cpp (groups,
// conditionals, atomic groups, look-around) and search.cpp (start positions and the search driver).
//
// The matcher is recursive in continuation style: ownRegExpMatch matches the node at curNode and
// calls itself for the rest of the program, so a success means "this node and everything after it
// matched". Choice points are loops around such calls; backtracking is the return of a failed call.
// Two bounds keep the recursion finite:
// - the budget (the state's match limit): every nesting level takes one unit for its handler and
//   gives it back on return, so a path through the program is at most matchLimit calls deep;
// - the stack guard: a call whose frame would lie below a floor a safe distance above the end of
//   the thread's stack fails exactly as a call with no budget left. The floor starts a short probe
//   below the search's own frame and is resolved to the real end of the stack the first time a
//   search gets that deep, so shallow searches never pay for the query.
#pragma once

#include <cstdint>

#include "core/stack.h"
#include "regexp/program.h"

namespace zet::rx {

inline constexpr int kMatch = 0;
inline constexpr int kNoMatch = 1;

// Bookkeeping of one group, indexed by the group's positive link value (1..999).
struct RegExpGroupFrame {
    zet32s minLeft;           // repetitions still required
    zet32s maxLeft;           // repetitions still allowed (kRegExpUnbounded: no limit)
    zet32s openNode;          // index of the group's opening node
    zet32s remainingAtStart;  // remaining subject length when the current repetition began
    zet32s captureNumber;     // the record a capturing group writes
    zet32s inBody;            // 1 while a repetition of the body is being matched
    zet32s pending;           // 1 when a closing node's count must be given back by the opener
    zet32s lastLength;        // length of the last completed repetition
};
static_assert(sizeof(RegExpGroupFrame) == 32);
static_assert(sizeof(RegExpGroupFrame) * kRegExpMaxGroups == sizeof(RegExpState::groupFrames));

// Lazily resolved stack floor (see the top of this file).
struct RegExpStackGuard {
    std::uintptr_t floor;
    bool resolved;
};

// Membership of the ASCII bytes in one class node under one set of options, learnt as the search
// meets them: a class is tested member by member once per byte value instead of at every
// position. An ASCII byte is a whole character whose value is the byte, so its membership
// depends on nothing else.
struct RegExpClassCache {
    zet32s node;  // index of the class node, -1: unused
    zet32u options;
    std::uint64_t known[2];   // bit b: byte b has been tested
    std::uint64_t member[2];  // bit b: byte b is a member
};
inline constexpr int kRegExpClassCacheSize = 8;  // direct-mapped by node index

// The context of one search, built by the driver on its stack and passed to every handler.
struct RegExpMatchContext {
    zet32s curNode;     // node to match next; set by every handler before it calls ownRegExpMatch
    zet32s endNode;     // one past the (sub)program; reaching it is success
    zet32u options;     // option bits in force (s, m, i)
    zet32s notEmpty;    // 1: reaching endNode with an empty whole match fails
    zet32s groupCount;  // capturing groups + 1
    zet32s budget;      // nesting budget left
    zet32s format;      // 0 bytes, 1 UTF-8: how the driver steps between start positions
    const zet8u* subjectStart;   // the caller's subject; records hold offsets from here
    const zet8u* subjectEnd;     // end of the subject as the search sees it (after any cut)
    const RegExpNode* nodes;
    zet32s nodeCount;
    RegExpStateRecord* records;  // second work area: record 0 is the whole match
    RegExpGroupFrame* groups;    // first work area
    const RegExpState* state;    // for the bytes of string nodes
    RegExpStackGuard guard;
    RegExpClassCache classCache[kRegExpClassCacheSize];
};


// Matches the program from ctx->curNode at pos, with `remaining` units up to the end of the
// subject. kMatch: the records hold the match; kNoMatch: record 0's length and the budget are as
// on entry.
int ownRegExpMatch(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx);

// Handlers of the group constructs (groups.cpp); ctx->curNode is on the node, the budget for this
// level is already taken.
int ownRegExpGroupOpen(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx);
int ownRegExpGroupClose(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx);
int ownRegExpAtomic(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx);
int ownRegExpLookAround(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx);

// Resolves the stack floor on the first crossing; true when the frame at `frame` is too deep.
bool ownRegExpStackExhausted(RegExpMatchContext* ctx, std::uintptr_t frame);

// True when a recursive call whose frame is at `frame` must fail for want of stack.
inline bool ownRegExpStackLow(RegExpMatchContext* ctx, std::uintptr_t frame) {
    return frame < ctx->guard.floor && ownRegExpStackExhausted(ctx, frame);
}

// Starts the guard for a search whose driver frame is at `frame`.
void ownRegExpStackGuardInit(RegExpStackGuard* guard, std::uintptr_t frame);

// End of the run of ASCII bytes from pos on (before end) that node `item`, a single-character
// item, accepts under ctx->options.
const zet8u* ownRegExpItemRunEnd(const zet8u* pos, const zet8u* end, int item, RegExpMatchContext* ctx);
// Start of the run of such bytes that ends at pos, not before `from`.
const zet8u* ownRegExpItemRunStart(const zet8u* from, const zet8u* pos, const zet8u* end, int item, RegExpMatchContext* ctx);

// Start of the character before p, as the matcher steps through the subject from `from` (a
// character start) by ownRegExpUtf8Length; from < p, and no byte at or after `end` counts.
const zet8u* ownRegExpPrevChar(const zet8u* from, const zet8u* p, const zet8u* end);

// The start of a look-behind body of `width` characters that ends at pos, counting characters
// from the subject start as the matcher steps over them (a character that pos cuts in two counts
// as one before pos); pos - width bytes when fewer characters precede pos. Null when pos is fewer
// than `width` bytes after the subject start.
const zet8u* ownRegExpLookBehindStart(const zet8u* subjectStart, const zet8u* pos, const zet8u* end, zet32s width);

inline bool ownRegExpIsRepeat(zet32u type) { return (type & ~1u) == RegExpOpRepeatLazy; }

// The repeat node after node `index`, or null.
inline const RegExpNode* ownRegExpRepeatAfter(const RegExpMatchContext* ctx, int index) {
    const int next = index + 1;
    return next < ctx->nodeCount && ownRegExpIsRepeat(ctx->nodes[next].type) ? &ctx->nodes[next] : nullptr;
}

}  // namespace zet::rx
