// The nodes that enclose other nodes: capturing, non-capturing and option groups, conditionals,
// atomic groups and the four look-around assertions, with the closing node and the nested
// alternation bar that belong to them.
//
// A group repeats by recursion through its closing node: each time the body reaches the closing
// node, the closing node counts one repetition and either starts the next repetition itself or
// leaves the group. What must survive between those nested calls lives in the group's frame in the
// state's first work area, one frame per group (not per activation): a group nested in a repeated
// group shares its frame between the outer repetitions, and the frame is read afresh at every step
// so that each step sees what the nested calls left there. Tested by tests/regexp/match_test.cpp.
//
// Choices where the rules leave room:
// - A conditional whose condition fails and which has no second branch goes on through its
//   closing node, as an empty branch would (so a repeat after it is honoured).
// - After an atomic group the options are those after the group (its closing node's), as after
//   every other group; each repetition of an atomic body starts with the options in force where
//   the group began.
// - A body of an atomic group whose length, as record 0 measures it, does not lie between 0 and
//   the remaining subject (possible only inside a look-behind, where record 0 runs ahead of the
//   position) counts as not matched: the matcher never steps outside the subject.
// - A lazy group that tried its continuation first goes on with its capture provisionally empty
//   at the group's start again, as before the try.
#include <climits>

#include "regexp/matcher.h"

namespace zet::rx {

namespace {

// a + b within the range of a 32-bit count (frames can be driven far by nested activations).
zet32s addCount(zet32s a, zet32s b) {
    const long long s = static_cast<long long>(a) + b;
    return s > INT_MAX ? INT_MAX : s < INT_MIN ? INT_MIN : static_cast<zet32s>(s);
}

zet32s offsetOf(const RegExpMatchContext* ctx, const zet8u* pos) {
    return static_cast<zet32s>(pos - ctx->subjectStart);
}

int continueAt(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx, int node) {
    ctx->curNode = node;
    return ownRegExpMatch(pos, remaining, ctx);
}

// The next bar of the group with link value `link` in [from, to), or -1. Bars of nested groups
// carry their own link values.
int nextBar(const RegExpMatchContext* ctx, int from, int to, zet32s link) {
    for (int i = from; i < to; ++i)
        if (ctx->nodes[i].type == RegExpOpAlt && ctx->nodes[i].arg1 == link) return i;
    return -1;
}

// Where a group's nodes stand: opener, closing node, the repeat after it and what follows.
struct GroupShape {
    int open;
    int close;
    int after;                   // the node after the repeat node, or after the closing node
    const RegExpNode* repeat;    // null when the group is not repeated
    bool lazy() const { return repeat != nullptr && repeat->type == RegExpOpRepeatLazy; }
    zet32s min() const { return repeat != nullptr ? repeat->arg1 : 1; }
    zet32s max() const { return repeat != nullptr ? repeat->arg2 : 1; }
};

// Null when the opener's body count points outside the program.
bool shapeOf(const RegExpMatchContext* ctx, int open, GroupShape* s) {
    const long long close = static_cast<long long>(open) + ctx->nodes[open].arg2 + 1;
    if (ctx->nodes[open].arg2 < 0 || close >= ctx->nodeCount) return false;
    s->open = open;
    s->close = static_cast<int>(close);
    s->repeat = ownRegExpRepeatAfter(ctx, s->close);
    s->after = s->close + (s->repeat != nullptr ? 2 : 1);
    return true;
}

bool isGroupOpener(zet32u type) { return type >= RegExpOpOptionGroup && type <= RegExpOpGroup; }

// Leaves the group after a counted repetition: the options after the group, then what follows
// the repeat. If that fails, the opener must give the repetition back.
int leaveGroup(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx, const GroupShape& s, zet32s g) {
    const zet32u options = ctx->options;
    ctx->options = static_cast<zet32u>(ctx->nodes[s.close].arg2);
    if (continueAt(pos, remaining, ctx, s.after) == kMatch) return kMatch;
    ctx->groups[g].pending = 1;
    ctx->options = options;
    return kNoMatch;
}

// The first node of the branch a conditional takes (a bar's options become current for the
// second branch).
[[gnu::noinline]] int condBranch(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx, zet32s g,
                                 const GroupShape& s) {
    const RegExpNode* nodes = ctx->nodes;
    const int cond = s.open + 1;
    const RegExpNode& c = nodes[cond];
    bool holds = false;
    int yes = cond + 1;
    if (c.type == RegExpOpBackRef) {
        holds = c.arg1 >= 0 && c.arg1 < ctx->groupCount && ctx->records[c.arg1].len != -1;
    } else {
        yes = cond + c.arg2 + 2;  // past the look-around's closing node
        const zet32s savedEnd = ctx->endNode;
        ctx->endNode = yes;
        holds = continueAt(pos, remaining, ctx, cond) == kMatch;
        ctx->endNode = savedEnd;
    }
    if (holds) return yes;
    const int bar = nextBar(ctx, yes, s.close, g);
    if (bar < 0) return s.close;  // no second branch: an empty one
    ctx->options = static_cast<zet32u>(nodes[bar].arg2);
    return bar + 1;
}

// The part that the opener and the closing node share: the lazy continuation, the bound, the
// choice of a conditional and the loop over the alternatives. `capture` is the record a
// capturing opener writes (0 otherwise, and always 0 from the closing node), `saved` its value
// before the group began.
int repetition(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx, zet32s g, const GroupShape& s,
               bool atOpener, zet32s capture, RegExpStateRecord saved) {
    RegExpGroupFrame& f = ctx->groups[g];
    const RegExpNode* nodes = ctx->nodes;
    const RegExpNode& close = nodes[s.close];
    const bool lazy = s.lazy();
    const RegExpStateRecord provisional{offsetOf(ctx, pos), 0};
    const auto putCapture = [&](RegExpStateRecord r) {
        if (capture != 0) ctx->records[capture] = r;
    };

    if (lazy && f.minLeft < 1) {
        putCapture(saved);
        if (continueAt(pos, remaining, ctx, s.after) == kMatch) return kMatch;
        putCapture(provisional);
    }
    if (f.maxLeft < 1) {
        if (lazy) {
            if (atOpener) putCapture(saved);
            else f.pending = 1;
            return kNoMatch;
        }
        ctx->options = static_cast<zet32u>(close.arg2);
        const int r = continueAt(pos, remaining, ctx, s.after);
        if (r != kMatch) putCapture(saved);
        return r;
    }

    const bool oneBranch = nodes[s.open].type == RegExpOpCond;
    int alt = oneBranch ? condBranch(pos, remaining, ctx, g, s) : s.open + 1;

    RegExpStateRecord& whole = ctx->records[0];
    for (;;) {
        f.inBody = 1;
        f.pending = 0;
        if (continueAt(pos, remaining, ctx, alt) == kMatch) return kMatch;
        f.inBody = 0;
        if (f.pending == 1) {  // the closing node's count is given back
            f.pending = 0;
            f.minLeft = addCount(f.minLeft, 1);
            f.maxLeft = addCount(f.maxLeft, 1);
        }
        whole.len = offsetOf(ctx, pos) - whole.offset;
        f.remainingAtStart = remaining;
        if (oneBranch) break;
        const int bar = nextBar(ctx, alt, s.close, g);
        if (bar < 0) break;
        ctx->options = static_cast<zet32u>(nodes[bar].arg2);
        alt = bar + 1;
    }

    if (atOpener) {
        putCapture(saved);
        if (lazy || f.minLeft >= 1) return kNoMatch;
        // The group matches zero times.
        if (close.arg3 == -1) f.maxLeft = 1;
        ctx->options = static_cast<zet32u>(close.arg2);
        return continueAt(pos, remaining, ctx, s.after);
    }
    if (f.minLeft >= 1 || lazy) {
        f.pending = 1;
        return kNoMatch;
    }
    if (close.arg3 == -1) f.maxLeft = 1;
    return leaveGroup(pos, remaining, ctx, s, g);
}

// The body of an atomic group or look-around as a sub-program from pos: its alternatives in
// order until one reaches the closing node. Whether one did.
bool runBody(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx, const GroupShape& s) {
    const zet32s link = ctx->nodes[s.open].arg1;
    const zet32s savedEnd = ctx->endNode;
    ctx->endNode = s.close;
    int alt = s.open + 1;
    bool matched = false;
    for (;;) {
        if (continueAt(pos, remaining, ctx, alt) == kMatch) {
            matched = true;
            break;
        }
        const int bar = nextBar(ctx, alt, s.close, link);
        if (bar < 0) break;
        ctx->options = static_cast<zet32u>(ctx->nodes[bar].arg2);
        alt = bar + 1;
    }
    ctx->endNode = savedEnd;
    return matched;
}

struct Atomic {
    GroupShape shape;
    zet32u options;  // in force where the group began
};

// One run of an atomic body: the units it took, or -1 when no alternative matched.
zet32s atomicBody(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx, const Atomic& a) {
    ctx->options = a.options;
    const zet32s before = ctx->records[0].len;
    if (!runBody(pos, remaining, ctx, a.shape)) return -1;
    const zet32s k = addCount(ctx->records[0].len, -before);
    if (k < 0 || k > remaining) {
        ctx->records[0].len = before;
        return -1;
    }
    return k;
}

int afterAtomic(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx, const Atomic& a) {
    ctx->options = static_cast<zet32u>(ctx->nodes[a.shape.close].arg2);
    return continueAt(pos, remaining, ctx, a.shape.after);
}

// Greedy atomic repetitions nest one call per repetition without taking budget; the stack guard
// bounds them.
int atomicGreedy(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx, const Atomic& a, zet32s min,
                 zet32s max) {
    if (ownRegExpStackLow(ctx, ZET_FRAME_ADDRESS())) return kNoMatch;
    if (max < 1) return afterAtomic(pos, remaining, ctx, a);
    const zet32s k = atomicBody(pos, remaining, ctx, a);
    if (k < 0) return min < 1 ? afterAtomic(pos, remaining, ctx, a) : kNoMatch;
    if (k == 0) return afterAtomic(pos, remaining, ctx, a);
    if (atomicGreedy(pos + k, remaining - k, ctx, a, min - 1, max - 1) == kMatch) return kMatch;
    ctx->records[0].len -= k;
    return min >= 1 ? kNoMatch : afterAtomic(pos, remaining, ctx, a);
}

int atomicLazy(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx, const Atomic& a, zet32s min,
               zet32s max) {
    RegExpStateRecord& whole = ctx->records[0];
    const zet32s entryLen = whole.len;
    for (zet32s count = 1;; ++count) {
        if (count > min && afterAtomic(pos, remaining, ctx, a) == kMatch) return kMatch;
        if (count > max) break;
        const zet32s k = atomicBody(pos, remaining, ctx, a);
        if (k < 0) break;
        pos += k;
        remaining -= k;
        if (k == 0) {  // an empty repetition ends the loop: the continuation decides here
            if (afterAtomic(pos, remaining, ctx, a) == kMatch) return kMatch;
            break;
        }
    }
    whole.len = entryLen;
    return kNoMatch;
}

}  // namespace

int ownRegExpGroupOpen(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx) {
    const int open = ctx->curNode;
    const RegExpNode& n = ctx->nodes[open];
    const zet32s g = n.arg1;
    GroupShape s;
    if (g < 1 || g >= kRegExpMaxGroups || !shapeOf(ctx, open, &s)) return kNoMatch;
    if (n.type == RegExpOpOptionGroup) ctx->options = static_cast<zet32u>(n.arg3);
    if (s.min() == 0 && s.max() == 0) return continueAt(pos, remaining, ctx, s.after);
    RegExpGroupFrame& f = ctx->groups[g];
    f.minLeft = s.min();
    f.maxLeft = s.max();
    f.openNode = open;
    f.remainingAtStart = remaining;
    f.lastLength = 0;
    zet32s capture = 0;
    RegExpStateRecord saved{0, -1};
    if (n.type == RegExpOpCapture && n.arg3 >= 1 && n.arg3 < ctx->groupCount) {
        capture = n.arg3;
        f.captureNumber = capture;
        saved = ctx->records[capture];
        ctx->records[capture] = RegExpStateRecord{offsetOf(ctx, pos), 0};
    }
    return repetition(pos, remaining, ctx, g, s, true, capture, saved);
}

int ownRegExpGroupClose(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx) {
    const int close = ctx->curNode;
    const zet32s g = ctx->nodes[close].arg1;
    if (g < 1 || g >= kRegExpMaxGroups) return kNoMatch;  // look-around and atomic ends are never run
    RegExpGroupFrame& f = ctx->groups[g];
    GroupShape s;
    const int open = f.openNode;
    if (open < 0 || open >= close || !isGroupOpener(ctx->nodes[open].type) || ctx->nodes[open].arg1 != g ||
        !shapeOf(ctx, open, &s) || s.close != close)
        return kNoMatch;

    const zet32s length = f.remainingAtStart - remaining;
    f.remainingAtStart = remaining;
    if (f.inBody == 1) {
        f.inBody = 0;
        f.minLeft = addCount(f.minLeft, -1);
        f.maxLeft = addCount(f.maxLeft, -1);
        f.lastLength = length;
    } else {
        f.lastLength = addCount(f.lastLength, length);
    }
    // A repeated capture reports its last repetition.
    if (ctx->nodes[open].type == RegExpOpCapture && f.captureNumber >= 1 && f.captureNumber < ctx->groupCount)
        ctx->records[f.captureNumber] = RegExpStateRecord{addCount(offsetOf(ctx, pos), -f.lastLength), f.lastLength};

    // An empty repetition ends the repeat.
    if ((f.maxLeft < 1 && !s.lazy()) || f.lastLength == 0) return leaveGroup(pos, remaining, ctx, s, g);
    return repetition(pos, remaining, ctx, g, s, false, 0, RegExpStateRecord{0, -1});
}

int ownRegExpAtomic(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx) {
    Atomic a{{}, ctx->options};
    if (!shapeOf(ctx, ctx->curNode, &a.shape)) return kNoMatch;
    return a.shape.lazy() ? atomicLazy(pos, remaining, ctx, a, a.shape.min(), a.shape.max())
                          : atomicGreedy(pos, remaining, ctx, a, a.shape.min(), a.shape.max());
}

int ownRegExpLookAround(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx) {
    const RegExpNode& n = ctx->nodes[ctx->curNode];
    GroupShape s;
    if (!shapeOf(ctx, ctx->curNode, &s)) return kNoMatch;
    const zet32u options = ctx->options;
    const zet32s wholeLen = ctx->records[0].len;
    const bool behind = (n.type & ~1u) == RegExpOpLookBehind;
    const zet8u* start = pos;
    zet32s left = remaining;
    if (behind) {
        start = ownRegExpLookBehindStart(ctx->subjectStart, pos, pos + remaining, n.arg3);
        if (start != nullptr) left = remaining + static_cast<zet32s>(pos - start);
    }
    const bool matched = start != nullptr && runBody(start, left, ctx, s);
    ctx->options = options;
    ctx->records[0].len = wholeLen;
    const bool positive = n.type == RegExpOpLookAhead || n.type == RegExpOpLookBehind;
    if (matched != positive) return kNoMatch;
    return continueAt(pos, remaining, ctx, s.close + 1);
}

}  // namespace zet::rx
