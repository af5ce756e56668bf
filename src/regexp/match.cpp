// The node interpreter: the entry of every nesting level, the nodes that consume one character or
// a fixed text, the assertions, and the greedy and lazy repeats of single-character items. The
// group constructs are in groups.cpp.
//
// Nodes that have no choice to make (a literal, a single class, an assertion, an option setting)
// are run in a loop rather than by a call each: a loop step charges and gives back the budget
// exactly as the call it replaces would, so the limits are those of the recursive formulation,
// while the machine stack only grows at choice points. Tested by tests/regexp/match_test.cpp.
//
// Choices where the rules leave room (each also noted where it is made):
// - An assertion under a repeat with a minimum of 1 or more is tested once and matching goes on
//   after the repeat (a zero-width test repeated is the test); with a minimum of 0 the assertion
//   and its repeat are passed over untested.
// - A repeated item that matches the empty string (a back-reference to an empty capture) is
//   counted up to its maximum at once and the continuation is tried once at that position: every
//   count leaves the position where it is.
// - Greedy repeats of classes run as the same loop as the other single-character items (one
//   continuation call per count, from the largest down), which is what the one-call-per-repetition
//   formulation computes, without nesting one level per character.
#include "regexp/chars.h"
#include "regexp/matcher.h"

namespace zet::rx {

namespace {

constexpr zet32u kCaseless = zetRegExpOptionCaseless;
constexpr zet32u kMultiline = zetRegExpOptionMultiline;

bool isAsciiLetter(zet32u b) { return ((b | 0x20) - 'a') < 26; }
bool isWordByte(zet32u b) { return ((b | 0x20) - 'a') < 26 || (b - '0') < 10 || b == '_'; }
bool isContinuation(zet8u b) { return (b & 0xC0) == 0x80; }
bool isMarkCategory(zet32s cat) { return (cat & ~0x7F) == 0x100; }

// A subject byte against a literal's value: equal, or with i in force an ASCII letter whose other
// case is the value.
inline bool charEqual(zet32u b, zet32s value, zet32u options) {
    return static_cast<zet32s>(b) == value ||
           ((options & kCaseless) != 0 && isAsciiLetter(b) && static_cast<zet32s>(b ^ 0x20) == value);
}

bool assertHolds(zet32s kind, const zet8u* pos, zet32s remaining, const RegExpMatchContext* ctx) {
    const bool atStart = pos == ctx->subjectStart;
    const bool atEnd = remaining <= 0;
    const bool multiline = (ctx->options & kMultiline) != 0;
    switch (kind) {
        case '^': return atStart || (multiline && !atEnd && pos[-1] == 10);
        case '$': return atEnd || (pos[0] == 10 && (multiline || remaining == 1));
        case 'A':
        case 'G': return atStart;
        case 'Z': return atEnd || (pos[0] == 10 && remaining == 1);
        case 'z': return atEnd;
        case 'b':
        case 'B': {
            const bool before = !atStart && isWordByte(pos[-1]);
            const bool here = !atEnd && isWordByte(pos[0]);
            return (before != here) == (kind == 'b');
        }
        case 128: return atStart || pos[-1] == 10;
        default: return false;
    }
}

// The text a capture record holds now, or false when the group is unset (or the record does not
// lie inside the subject).
bool recordText(const RegExpMatchContext* ctx, zet32s group, const zet8u** text, zet32s* len) {
    if (group < 0 || group >= ctx->groupCount) return false;
    const RegExpStateRecord r = ctx->records[group];
    if (r.len < 0 || r.offset < 0 || r.len > ctx->subjectEnd - ctx->subjectStart - r.offset) return false;
    *text = ctx->subjectStart + r.offset;
    *len = r.len;
    return true;
}

bool textEqual(const zet8u* pos, const zet8u* text, zet32s len, zet32u options) {
    for (zet32s j = 0; j < len; ++j)
        if (!charEqual(pos[j], text[j], options)) return false;
    return true;
}

// \X: a base character (assigned, not a mark) and every mark right after it.
int extCharLength(const zet8u* pos, zet32s remaining) {
    RegExpSubjectChar ch = ownRegExpReadChar(pos, remaining);
    const zet32s cat = ownRegExpCategoryOf(ch.cp);
    if (cat == 0 || isMarkCategory(cat)) return -1;
    int n = ch.length;
    while (n < remaining) {
        ch = ownRegExpReadChar(pos + n, remaining - n);
        if (!isMarkCategory(ownRegExpCategoryOf(ch.cp))) break;
        n += ch.length;
    }
    return n;
}

// One item of a single-character kind (or a class, by its header, or a back-reference) as the
// repeat loops see it: its length at a position, and the step back over the last one taken.
class Item {
public:
    Item(const RegExpNode* node, RegExpMatchContext* ctx) : node_(node), options_(ctx->options) {
        if (node->type == RegExpOpBackRef) {
            if (!recordText(ctx, node->arg1, &text_, &textLen_)) textLen_ = -1;
        } else if (node->type == RegExpOpClass || node->type == RegExpOpCharType) {
            index_ = static_cast<zet32s>(node - ctx->nodes);
            cache_ = &ctx->classCache[index_ % kRegExpClassCacheSize];
        }
    }

    // Units the item takes at pos, or -1 when it does not match there.
    int length(const zet8u* pos, zet32s remaining) const {
        if (node_->type == RegExpOpBackRef)
            return textLen_ >= 0 && textLen_ <= remaining && textEqual(pos, text_, textLen_, options_) ? textLen_ : -1;
        if (remaining < 1) return -1;
        switch (node_->type) {
            case RegExpOpChar: return charEqual(pos[0], node_->arg1, options_) ? 1 : -1;
            case RegExpOpAnyByte: return 1;
            case RegExpOpCharType:
            case RegExpOpClass:
                if (pos[0] < 0x80) {
                    claim();
                    return asciiMember(pos, remaining) ? 1 : -1;
                }
                return slowLength(pos, remaining);
            case RegExpOpWideChar:
            case RegExpOpCategory:
            case RegExpOpCodeRange:
            case RegExpOpScript: {
                const RegExpSubjectChar ch = ownRegExpReadChar(pos, remaining);
                return ownRegExpClassMemberTest(ch, *node_, options_) ? ch.length : -1;
            }
            case RegExpOpExtChar: return extCharLength(pos, remaining);
            default: return -1;
        }
    }

    // Whether the item's membership of ASCII bytes is learnt in the context's cache.
    bool cached() const { return cache_ != nullptr; }

    // For a cached item: makes the cache slot this item's. The slot is shared by every node of
    // the same index modulo its size, and another item may have taken it over while this one
    // waited for a continuation to return: call it before asciiMember() after any such call.
    void claim() const {
        if (cache_->node != index_ || cache_->options != options_) *cache_ = RegExpClassCache{index_, options_, {0, 0}, {0, 0}};
    }

    // For a cached item whose slot is claimed: whether it takes the ASCII byte at pos (as a
    // character of one byte).
    bool asciiMember(const zet8u* pos, zet32s remaining) const {
        const zet8u b = pos[0];
        const std::uint64_t bit = std::uint64_t{1} << (b & 63);
        if ((cache_->known[b >> 6] & bit) == 0) {
            if (slowLength(pos, remaining) > 0) cache_->member[b >> 6] |= bit;
            cache_->known[b >> 6] |= bit;
        }
        return (cache_->member[b >> 6] & bit) != 0;
    }

    // Start of the last item before pos, which the loop reached from `from` item by item.
    const zet8u* back(const zet8u* from, const zet8u* pos, const zet8u* end) const {
        // An ASCII byte is a character of its own, and no item but a back-reference ends with
        // one that began earlier (a mark of \X is never ASCII).
        if (pos[-1] < 0x80 && node_->type != RegExpOpBackRef) return pos - 1;
        switch (node_->type) {
            case RegExpOpChar:
            case RegExpOpAnyByte: return pos - 1;
            case RegExpOpBackRef: return pos - textLen_;
            case RegExpOpExtChar: {
                const zet8u* q = ownRegExpPrevChar(from, pos, end);
                while (q > from && isMarkCategory(ownRegExpCategoryOf(ownRegExpReadChar(q, static_cast<zet32s>(end - q)).cp)))
                    q = ownRegExpPrevChar(from, q, end);
                return q;
            }
            default: return ownRegExpPrevChar(from, pos, end);
        }
    }

private:
    // The test itself: a character type by its predicate, a class member by member.
    int slowLength(const zet8u* pos, zet32s remaining) const {
        if (node_->type == RegExpOpCharType)
            return ownRegExpCharTypeTest(node_->arg1, pos[0], options_) ? ownRegExpUtf8Length(pos, remaining) : -1;
        const RegExpSubjectChar ch = ownRegExpReadChar(pos, remaining);
        bool in = false;
        for (int k = 1; k <= node_->arg2 && !in; ++k) in = ownRegExpClassMemberTest(ch, node_[k], options_);
        return in != (node_->arg1 < 0) ? ch.length : -1;
    }

    const RegExpNode* node_;
    zet32u options_;
    RegExpClassCache* cache_ = nullptr;
    zet32s index_ = -1;  // the node's index, for the cache
    const zet8u* text_ = nullptr;
    zet32s textLen_ = -1;
};

// The byte that the continuation at node `cont` must begin with, or -1: it begins with a literal
// that cannot be absent. A call at a position without that byte would fail at its first node, so
// skipping it changes nothing but the number of calls.
zet32s continuationFirst(const RegExpMatchContext* ctx, int cont) {
    if (cont >= ctx->endNode || cont >= ctx->nodeCount) return -1;
    const RegExpNode& n = ctx->nodes[cont];
    if (n.type == RegExpOpChar) {
        const RegExpNode* rep = ownRegExpRepeatAfter(ctx, cont);
        return rep != nullptr && rep->arg1 == 0 ? -1 : n.arg1;  // the literal may be absent
    }
    return n.type == RegExpOpString ? ownRegExpStringBytes(ctx->state, n)[0] : -1;
}

inline bool continuationMayMatch(const RegExpMatchContext* ctx, zet32s first, const zet8u* pos, zet32s remaining) {
    return first < 0 || (remaining > 0 && charEqual(pos[0], first, ctx->options));
}

int greedyRepeat(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx, const RegExpNode* node,
                 const RegExpNode& rep, int cont) {
    const zet32s min = rep.arg1, max = rep.arg2;
    const Item item(node, ctx);
    const zet8u* const start = pos;
    const zet8u* const end = pos + remaining;
    zet32s count = 0;
    if (item.cached()) {  // the common case first: a run of ASCII members
        item.claim();
        while (count < max && pos < end && *pos < 0x80 && item.asciiMember(pos, static_cast<zet32s>(end - pos))) {
            ++pos;
            ++count;
        }
    }
    while (count < max) {
        const int n = item.length(pos, static_cast<zet32s>(end - pos));
        if (n < 0) break;
        if (n == 0) {  // an empty item: every further count stays here
            count = max;
            break;
        }
        pos += n;
        ++count;
    }
    if (count < min) return kNoMatch;
    RegExpStateRecord& whole = ctx->records[0];
    const zet32s entryLen = whole.len;
    whole.len += static_cast<zet32s>(pos - start);
    const zet32s first = continuationFirst(ctx, cont);
    for (;;) {
        const zet32s left = static_cast<zet32s>(end - pos);
        if (continuationMayMatch(ctx, first, pos, left)) {
            ctx->curNode = cont;
            if (ownRegExpMatch(pos, left, ctx) == kMatch) return kMatch;
        }
        if (count <= min || pos == start) break;
        const zet8u* prev = item.back(start, pos, end);
        whole.len -= static_cast<zet32s>(pos - prev);
        pos = prev;
        --count;
    }
    whole.len = entryLen;
    return kNoMatch;
}

int lazyRepeat(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx, const RegExpNode* node,
               const RegExpNode& rep, int cont) {
    const zet32s min = rep.arg1, max = rep.arg2;
    if (min > max) return kNoMatch;
    const Item item(node, ctx);
    const zet8u* const start = pos;
    const zet8u* const end = pos + remaining;
    zet32s count = 0;
    while (count < min) {
        const int n = item.length(pos, static_cast<zet32s>(end - pos));
        if (n < 0) return kNoMatch;
        if (n == 0) break;  // an empty item: the minimum is reached where we stand
        pos += n;
        ++count;
    }
    RegExpStateRecord& whole = ctx->records[0];
    const zet32s entryLen = whole.len;
    whole.len += static_cast<zet32s>(pos - start);
    const zet32s first = continuationFirst(ctx, cont);
    for (;;) {
        const zet32s left = static_cast<zet32s>(end - pos);
        if (continuationMayMatch(ctx, first, pos, left)) {
            ctx->curNode = cont;
            if (ownRegExpMatch(pos, left, ctx) == kMatch) return kMatch;
        }
        if (count >= max) break;
        const int n = item.length(pos, left);
        if (n <= 0) break;  // no further item, or an empty one that leaves the position as it is
        pos += n;
        whole.len += n;
        ++count;
    }
    whole.len = entryLen;
    return kNoMatch;
}

// A single-character item (class header, back-reference, ...) at `index` whose repeat node
// stands at repIndex. Kept out of line, like the other heavy paths, so that the frame of the
// recursive interpreter stays small.
[[gnu::noinline]] int repeatItem(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx, int index, int repIndex) {
    const RegExpNode& rep = ctx->nodes[repIndex];
    if (rep.arg1 > 0 && remaining == 0) return kNoMatch;
    const RegExpNode* node = ctx->nodes + index;
    return rep.type == RegExpOpRepeat ? greedyRepeat(pos, remaining, ctx, node, rep, repIndex + 1)
                                      : lazyRepeat(pos, remaining, ctx, node, rep, repIndex + 1);
}

[[gnu::noinline]] int itemLength(const RegExpNode* n, const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx) {
    return Item(n, ctx).length(pos, remaining);
}

}  // namespace

// The entry of every nesting level. Straight-line nodes run in a loop, each step one level deeper
// (the entry checks repeated for it), until a choice point or a group handler takes over.
int ownRegExpMatch(const zet8u* pos, zet32s remaining, RegExpMatchContext* ctx) {
    const zet32s entryBudget = ctx->budget;
    if (entryBudget - 1 < 0) return kNoMatch;
    if (ownRegExpStackLow(ctx, ZET_FRAME_ADDRESS())) return kNoMatch;  // as if the budget had run out
    RegExpStateRecord& whole = ctx->records[0];
    if (ctx->curNode == ctx->endNode) return ctx->notEmpty == 1 && whole.len == 0 ? kNoMatch : kMatch;
    if (remaining < 0) return kNoMatch;
    ctx->budget = entryBudget - 1;
    const zet32s entryLen = whole.len;
    int result = kNoMatch;
    for (;;) {
        const int cur = ctx->curNode;
        if (cur < 0 || cur >= ctx->nodeCount) break;
        const RegExpNode& n = ctx->nodes[cur];
        int next = cur + 1;
        zet32s used = 0;
        bool stop = false;  // the node's handler decided: result holds its answer
        switch (n.type) {
            case RegExpOpChar:
            case RegExpOpBackRef:
            case RegExpOpCharType:
            case RegExpOpAnyByte:
            case RegExpOpWideChar:
            case RegExpOpCategory:
            case RegExpOpCodeRange:
            case RegExpOpScript:
            case RegExpOpExtChar:
            case RegExpOpClass: {
                const int last = n.type == RegExpOpClass ? cur + n.arg2 : cur;
                if (ownRegExpRepeatAfter(ctx, last) != nullptr) {
                    result = repeatItem(pos, remaining, ctx, cur, last + 1);
                    stop = true;
                    break;
                }
                if (n.type == RegExpOpChar) used = remaining > 0 && charEqual(pos[0], n.arg1, ctx->options) ? 1 : -1;
                else used = itemLength(&n, pos, remaining, ctx);
                next = last + 1;
                break;
            }
            case RegExpOpString: {
                const zet32s len = n.arg2;
                used = remaining >= len && remaining > 0 &&
                               textEqual(pos, ownRegExpStringBytes(ctx->state, n), len, ctx->options)
                           ? len
                           : -1;
                break;
            }
            case RegExpOpAssert: {
                // Under a repeat: passed over untested when the repeat may skip it, else tested
                // once (see the top of this file).
                const RegExpNode* rep = ownRegExpRepeatAfter(ctx, cur);
                if (rep != nullptr) next = cur + 2;
                if (!(rep != nullptr && rep->arg1 == 0) && !assertHolds(n.arg1, pos, remaining, ctx)) used = -1;
                break;
            }
            case RegExpOpSetOptions: ctx->options = static_cast<zet32u>(n.arg1); break;
            case RegExpOpAlt:
                if (n.arg1 < 1) {  // the end of a top-level, look-around or atomic alternative
                    result = kMatch;
                } else if (n.arg1 < kRegExpMaxGroups) {  // on to the closing node of the group
                    const zet32s open = ctx->groups[n.arg1].openNode;
                    if (open >= 0 && open < ctx->nodeCount) {
                        ctx->curNode = open + ctx->nodes[open].arg2 + 1;
                        result = ownRegExpGroupClose(pos, remaining, ctx);
                    }
                }
                stop = true;
                break;
            case RegExpOpOptionGroup:
            case RegExpOpCond:
            case RegExpOpCapture:
            case RegExpOpGroup:
                result = ownRegExpGroupOpen(pos, remaining, ctx);
                stop = true;
                break;
            case RegExpOpClose:
                result = ownRegExpGroupClose(pos, remaining, ctx);
                stop = true;
                break;
            case RegExpOpAtomic:
                result = ownRegExpAtomic(pos, remaining, ctx);
                stop = true;
                break;
            case RegExpOpLookBehind:
            case RegExpOpNotLookBehind:
            case RegExpOpLookAhead:
            case RegExpOpNotLookAhead:
                result = ownRegExpLookAround(pos, remaining, ctx);
                stop = true;
                break;
            default:  // a range or a repeat on its own, or no node type at all
                used = -1;
        }
        if (stop || used < 0) break;
        // The continuation, one level deeper: the entry checks of ownRegExpMatch.
        pos += used;
        remaining -= used;
        whole.len += used;
        ctx->curNode = next;
        if (ctx->budget - 1 < 0) break;
        if (next == ctx->endNode) {
            result = ctx->notEmpty == 1 && whole.len == 0 ? kNoMatch : kMatch;
            break;
        }
        if (remaining < 0) break;
        --ctx->budget;
    }
    ctx->budget = entryBudget;
    if (result != kMatch) whole.len = entryLen;
    return result;
}

const zet8u* ownRegExpItemRunEnd(const zet8u* pos, const zet8u* end, int index, RegExpMatchContext* ctx) {
    const Item item(ctx->nodes + index, ctx);
    while (pos < end && *pos < 0x80 && item.length(pos, static_cast<zet32s>(end - pos)) == 1) ++pos;
    return pos;
}

const zet8u* ownRegExpItemRunStart(const zet8u* from, const zet8u* pos, const zet8u* end, int index, RegExpMatchContext* ctx) {
    const Item item(ctx->nodes + index, ctx);
    while (pos > from && pos[-1] < 0x80 && item.length(pos - 1, static_cast<zet32s>(end - pos + 1)) == 1) --pos;
    return pos;
}

const zet8u* ownRegExpPrevChar(const zet8u* from, const zet8u* p, const zet8u* end) {
    // Every byte that is not a continuation byte starts a character; a continuation byte belongs
    // to the character before it only when that one is a valid sequence reaching exactly to p.
    if (!isContinuation(p[-1])) return p - 1;
    for (int n = 2; n <= 6 && p - n >= from; ++n) {
        const zet8u* q = p - n;
        if (isContinuation(*q)) continue;
        return ownRegExpUtf8Length(q, static_cast<zet32s>(end - q)) == n ? q : p - 1;
    }
    return p - 1;
}

const zet8u* ownRegExpLookBehindStart(const zet8u* subjectStart, const zet8u* pos, const zet8u* end, zet32s width) {
    if (pos - subjectStart < width) return nullptr;
    // The last character that begins before pos: the one that pos cuts, or the one ending at pos.
    const zet8u* q = pos;
    zet32s steps = width;
    if (steps > 0 && pos < end && isContinuation(*pos)) {
        for (int n = 1; n <= 5 && pos - n >= subjectStart; ++n) {
            const zet8u* lead = pos - n;
            if (isContinuation(*lead)) continue;
            if (ownRegExpUtf8Length(lead, static_cast<zet32s>(end - lead)) > n) {
                q = lead;
                --steps;
            }
            break;
        }
    }
    for (; steps > 0; --steps) {
        if (q == subjectStart) return pos - width;  // fewer characters than the width
        q = ownRegExpPrevChar(subjectStart, q, end);
    }
    return q;
}

}  // namespace zet::rx
