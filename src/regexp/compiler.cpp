// The pattern compiler. Pass 1 (structure.cpp) checks the parenthesis structure and counts
// capturing groups; pass 2 parses and emits the node program in one left-to-right sweep, patching
// each group's opener when its closing parenthesis is reached (its character classes are in
// compiler_classes.cpp); the finishing step copies the literal strings into the pool behind the
// nodes and derives the search hints. Also the small routines the compiler is built from.
//
// Nothing is allocated. Every node consumes at least one pattern byte (a string node one byte per
// character it holds), except the implicit start node; so the program and its string pool always
// fit in kRegExpFixedSize + kRegExpNodeBytes * len bytes. The per-depth working stacks of pass 2
// live in the state's group-frame area, which only a search uses.
#include "regexp/compiler.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "regexp/chars.h"
#include "regexp/compiler_internal.h"

namespace zet::rx {

namespace {

constexpr int kMaxOrdinal = 999;          // groups in one program (link values stay below 1000)
constexpr int kMaxBound = 65535;          // largest m or n of a brace quantifier

zet32u optionBit(zet8u b) {
    switch (b) {
        case 's': return zetRegExpOptionDotAll;
        case 'm': return zetRegExpOptionMultiline;
        case 'i': return zetRegExpOptionCaseless;
        case 'x': return zetRegExpOptionExtended;
        case 'g': return zetRegExpOptionGlobal;
        default: return 0;
    }
}

bool isRepeat(zet32u t) { return (t & ~1u) == RegExpOpRepeatLazy; }
bool isOpener(zet32u t) { return t >= RegExpOpLookBehind && t <= RegExpOpAtomic; }
bool isLookAround(zet32u t) { return t >= RegExpOpLookBehind && t <= RegExpOpNotLookAhead; }
bool isLookBehind(zet32u t) { return (t & ~1u) == RegExpOpLookBehind; }
bool isSingleWidth(zet32u t) {
    return t == RegExpOpChar || t == RegExpOpCharType || t == RegExpOpWideChar || t == RegExpOpCategory ||
           t == RegExpOpCodeRange || t == RegExpOpScript || t == RegExpOpExtChar;
}

zet32s capAdd(zet32s a, zet32s b) {
    const long long s = static_cast<long long>(a) + b;
    return s > kRegExpUnbounded ? kRegExpUnbounded : static_cast<zet32s>(s);
}

// Decimal digits at r, saturating at the unbounded value; r moves past them.
zet32s boundValue(const zet8u*& r) {
    long long v = 0;
    for (; isDigit(*r); ++r)
        if (v < kRegExpUnbounded) v = std::min<long long>(v * 10 + (*r - '0'), kRegExpUnbounded);
    return static_cast<zet32s>(v);
}

}  // namespace

void Emitter::emitRunPart(const zet8u* s, int n) {
    if (n == 1) {
        emit(RegExpOpChar, s[0]);
    } else {
        // arg4 holds the bytes' pattern offset until finish() moves them into the pool.
        emit(RegExpOpString, 0, n).arg4 = static_cast<zet32u>(s - pat_);
    }
    runNode_ = p_ - 1;
    makeCandidate(p_ - 1);
}

ZetStatus Emitter::run(zet32s* errOffset) {
    // A pattern that begins with an unanchored .* or .+ can only match from a line start.
    static const zet8u kStar[] = "(?:.*)";
    static const zet8u kPlus[] = "(?:.+)";
    if ((pat_[0] == '.' && (pat_[1] == '*' || pat_[1] == '+') && pat_[2] != '?') ||
        ownRegExpCompareN(pat_, kStar, 6) == 0 || ownRegExpCompareN(pat_, kPlus, 6) == 0)
        emit(RegExpOpAssert, 128);

    const zet8u* q = pat_;
    while (q < end_) {
        const zet8u b = *q;
        const bool extended = (options_ & kOptExtended) != 0;
        ZetStatus st = zetStatusOk;
        switch (b) {
            case '\\': st = escape(q); break;
            case '^':
            case '$':
                flush();
                emit(RegExpOpAssert, b);
                ++q;
                break;
            case '.':
                flush();
                charType('.', ++q);
                break;
            case '[':
                flush();
                st = charClass(q);
                break;
            case '*':
            case '+':
            case '?':
            case '{':
                if (ownRegExpIsQuantifier(q)) st = quantifier(q);
                else extendRun(q++);
                break;
            case '|':
                flush();
                bar();
                ++q;
                break;
            case '(':
                flush();
                st = openGroup(q);
                break;
            case ')':
                flush();
                st = closeGroup(q);
                break;
            case '#':
                if (!extended) {
                    extendRun(q++);
                    break;
                }
                flush();
                while (q < end_ && *q != '\n') ++q;
                if (q < end_) ++q;
                break;
            case '\t':
            case '\n':
            case '\f':
            case '\r':
            case ' ':
                if (extended) flush(), ++q;
                else extendRun(q++);
                break;
            default: extendRun(q++);
        }
        if (st != zetStatusOk) {
            *errOffset = static_cast<zet32s>(errAt_ - pat_);
            return st;
        }
    }
    flush();
    if (depth_ != 0) {
        *errOffset = static_cast<zet32s>(end_ - pat_);
        return zetStatusRegExpSyntax;
    }
    finish();
    return zetStatusOk;
}

// ---- escapes outside a class ----

ZetStatus Emitter::escape(const zet8u*& q) {
    flush();
    const zet8u e = q[1];
    // A lone backslash at the end: nothing to escape.
    if (e == 0) return fail(zetStatusRegExpSyntax, end_);
    zet32s value;
    if (controlEscape(e, &value)) {
        literal(value);
        q += 2;
        return zetStatusOk;
    }
    switch (e) {
        case 'c':
            if (q[2] == 0) return fail(zetStatusRegExpSyntax, end_);  // \c at the end
            literal(controlLetter(q[2]));
            q += 3;
            return zetStatusOk;
        case 'x': {
            const zet8u* h = q + 2;
            if (*h != '{') {
                literal(hexPair(h));
                q = h;
                return zetStatusOk;
            }
            ++h;
            zet32u cp;
            if (!hexBraced(h, &cp)) return fail(zetStatusRegExpBadEscape, q + 3);
            emit(RegExpOpWideChar, static_cast<zet32s>(cp));
            q = h + 1;
            return zetStatusOk;
        }
        case '0': {
            const zet8u* o = q + 2;
            zet32s v = 0;
            for (int k = 0; k < 2 && isOctal(*o); ++k) v = v * 8 + (*o++ - '0');
            literal(v);
            q = o;
            return zetStatusOk;
        }
        case 'A': case 'B': case 'G': case 'Z': case 'b': case 'z':
            emit(RegExpOpAssert, e);
            q += 2;
            return zetStatusOk;
        case 'C':
            emit(RegExpOpAnyByte);
            q += 2;
            return zetStatusOk;
        case 'X':
            emit(RegExpOpExtChar);
            q += 2;
            return zetStatusOk;
        case 'd': case 'D': case 's': case 'S': case 'w': case 'W':
            q += 2;
            charType(e, q);
            return zetStatusOk;
        case 'p':
        case 'P': return property(q);
        case 'Q': {
            const zet8u* s = q + 2;
            const zet8u* e2 = findQuoteEnd(s, end_);
            const zet8u* stop = e2 != nullptr ? e2 : end_;
            const int n = static_cast<int>(stop - s);
            if (n == 1) {
                literal(*s);
            } else if (n > 1) {
                emit(RegExpOpString, 0, n).arg4 = static_cast<zet32u>(s - pat_);
                makeCandidate(p_ - 1);
            }
            q = e2 != nullptr ? e2 + 2 : end_;
            return zetStatusOk;
        }
        case 'E':
            q += 2;
            return zetStatusOk;
        default:
            if (isDigit(e)) return backReference(q);
            // Any other escaped byte starts a new literal run.
            runStart_ = q + 1;
            runLen_ = 1;
            q += 2;
            return zetStatusOk;
    }
}

// \1 ... \999: a back-reference when the number names a group, else an octal escape.
ZetStatus Emitter::backReference(const zet8u*& q) {
    const zet8u* d = q + 1;
    if (!isDigit(d[1])) {
        const int n = d[0] - '0';
        if (n >= groupCount_) return fail(zetStatusRegExpBadReference, d);
        emit(RegExpOpBackRef, n);
        q = d + 1;
        return zetStatusOk;
    }
    int v = 0, k = 0;
    for (; k < 3 && isDigit(d[k]); ++k) v = v * 10 + (d[k] - '0');
    if (v < groupCount_) {
        emit(RegExpOpBackRef, v);
        q = d + k;
        return zetStatusOk;
    }
    zet32s octal = 0;
    int j = 0;
    for (; j < k && isOctal(d[j]); ++j) octal = octal * 8 + (d[j] - '0');
    // \8n and \9n name no group and have no octal digit: rejected like a lone \8 or \9.
    if (j == 0) return fail(zetStatusRegExpBadReference, d);
    literal(octal);
    q = d + j;
    return zetStatusOk;
}

ZetStatus Emitter::property(const zet8u*& q) {
    const zet8u* cursor = q + 2;
    RegExpNode node{};
    if (ownRegExpParseProperty(&cursor, q[1] == 'P' ? -1 : 0, &node) != 0)
        return fail(zetStatusRegExpBadEscape, cursor);
    nodes_[p_++] = node;
    q = cursor;
    return zetStatusOk;
}

// '.', \d ... \W: runs of the same type fold into one type node with a repeat. Only a type node
// that stands on its own folds: the last member of a class is not one.
void Emitter::charType(zet32s letter, const zet8u* next) {
    const bool quantified = ownRegExpIsQuantifier(next);
    const auto sameType = [&](int i) {
        return nodes_[i].type == RegExpOpCharType && nodes_[i].arg1 == letter && i != lastMemberEnd_;
    };
    if (p_ >= 1 && sameType(p_ - 1)) {
        const zet32s n = quantified ? 1 : 2;  // a following quantifier merges into {1, 1}
        emit(RegExpOpRepeat, n, n);
        return;
    }
    if (p_ >= 2 && isRepeat(nodes_[p_ - 1].type) && sameType(p_ - 2)) {
        if (!quantified) {
            RegExpNode& r = nodes_[p_ - 1];
            r.arg1 = capAdd(r.arg1, 1);
            r.arg2 = capAdd(r.arg2, 1);
        }
        return;
    }
    emit(RegExpOpCharType, letter);
}

// ---- quantifiers ----

ZetStatus Emitter::quantifier(const zet8u*& q) {
    const zet8u* const at = q;
    zet32s min, max;
    const zet8u* next;
    if (*at != '{') {
        min = *at == '+' ? 1 : 0;
        max = *at == '?' ? 1 : kRegExpUnbounded;
        next = at + 1;
    } else {
        const zet8u* r = at + 1;
        min = boundValue(r);
        const zet8u* upper = nullptr;
        max = min;
        if (*r == ',') {
            upper = ++r;
            max = isDigit(*r) ? boundValue(r) : kRegExpUnbounded;
        }
        next = r + 1;  // past the '}'
        if (upper != nullptr && isDigit(*upper) && max > kMaxBound) return fail(zetStatusRegExpBadQuantifier, upper);
        if (min > kMaxBound || max < min) return fail(zetStatusRegExpBadQuantifier, at + 1);
    }
    // The quantifier applies to the last byte of a pending run only.
    if (runLen_ > 1) emitRunPart(runStart_, runLen_ - 1);
    if (runLen_ > 0) emitRunPart(runStart_ + runLen_ - 1, 1);
    runLen_ = 0;

    if (p_ == 0) return fail(zetStatusRegExpBadQuantifier, at);
    const int target = p_ - 1;
    RegExpNode& last = nodes_[target];
    if (isRepeat(last.type)) {
        const zet8u before = at > pat_ ? at[-1] : 0;
        if (before == '*' || before == '+' || before == '?' || before == '}')
            return fail(zetStatusRegExpBadQuantifier, at);
        // A repeat made by folding absorbs the quantifier; a lazy mark is ignored.
        last.arg1 = capAdd(last.arg1, min);
        last.arg2 = capAdd(last.arg2, max);
        last.type = RegExpOpRepeat;
        q = *next == '?' ? next + 1 : next;
        return zetStatusOk;
    }
    if (last.type == RegExpOpAlt || isOpener(last.type) || last.type == RegExpOpSetOptions)
        return fail(zetStatusRegExpBadQuantifier, at);

    const bool lazy = *next == '?';
    if (last.type == RegExpOpChar || last.type == RegExpOpWideChar) {
        if (runNode_ == target && depth_ == 0 && min >= 1 && candidate_ != -2) {
            candidate_ = target;
            last.arg3 = static_cast<zet32s>(options_);
        } else if (candidate_ != -2) {
            candidate_ = -1;
        }
    }
    const zet32u targetType = last.type;
    emit(lazy ? RegExpOpRepeatLazy : RegExpOpRepeat, min, max);
    q = lazy ? next + 1 : next;

    if (targetType == RegExpOpClose) {
        RegExpNode& close = nodes_[target];
        if (close.arg3 == 1) close.arg3 = -1;
        const int opener = openerOf(target);
        if (isLookAround(nodes_[opener].type)) {
            // An assertion repeated at least once is the assertion; one that may be skipped is nothing.
            if (min >= 1) {
                --p_;
            } else {
                p_ = opener;
                --ordinal_;
                dropMarksFrom(opener);
            }
        }
    }
    return zetStatusOk;
}

// Opener of the group whose close node stands at `close`.
int Emitter::openerOf(int close) const {
    if (close == lastClose_) return lastCloseOpener_;
    // The close was uncovered by the removal of a later look-around: search for it. Groups nested
    // inside end before `close` and enclosing ones are still open, so the first fit is the one.
    for (int i = close - 1; i >= 0; --i)
        if (isOpener(nodes_[i].type) && i + nodes_[i].arg2 + 1 == close && nodes_[i].arg1 == nodes_[close].arg1)
            return i;
    return close;  // unreachable: every close has its opener
}

void Emitter::dropMarksFrom(int index) {
    if (runNode_ >= index) runNode_ = -1;
    if (lastMemberEnd_ >= index) lastMemberEnd_ = -1;
    if (lastClose_ >= index) lastClose_ = -1;
}

// ---- alternation and groups ----

void Emitter::bar() {
    RegExpNode& n = emit(RegExpOpAlt, depth_, static_cast<zet32s>(options_));
    if (depth_ == 0) {
        candidate_ = -2;
        return;
    }
    n.arg3 = frames_[depth_].lastBar;  // chained so that the group's ')' finds its bars
    frames_[depth_].lastBar = p_ - 1;
}

ZetStatus Emitter::openGroup(const zet8u*& q) {
    if (ordinal_ > kMaxOrdinal) return fail(zetStatusRegExpSyntax, q);
    const int d = depth_ + 1;
    frames_[d].options = options_;
    zet32u type;
    zet32s arg3 = 0;
    const zet8u* body;
    if (q[1] != '?') {
        // Pass 1 counted the same groups; the test keeps every capture number inside the records
        // even if the two passes ever read a pattern differently.
        if (capture_ >= groupCount_) return fail(zetStatusRegExpSyntax, q);
        type = RegExpOpCapture;
        arg3 = capture_++;
        body = q + 1;
    } else {
        switch (q[2]) {
            case ':': type = RegExpOpGroup, body = q + 3; break;
            case '=': type = RegExpOpLookAhead, body = q + 3; break;
            case '!': type = RegExpOpNotLookAhead, body = q + 3; break;
            case '>': type = RegExpOpAtomic, body = q + 3; break;
            case '<':
                if (q[3] != '=' && q[3] != '!') return fail(zetStatusRegExpSyntax, q + 3);
                type = q[3] == '=' ? RegExpOpLookBehind : RegExpOpNotLookBehind;
                body = q + 4;
                break;
            case '#': {  // comment
                const zet8u* r = q + 3;
                while (r < end_ && *r != ')') ++r;
                if (r == end_) return fail(zetStatusRegExpSyntax, end_);
                q = r + 1;
                return zetStatusOk;
            }
            case ')':  // empty group: nothing
                q += 3;
                return zetStatusOk;
            case '(':
                type = RegExpOpCond;
                body = q + 2;  // a look-around condition is parsed as the next group
                break;
            default: {
                if (!isOptionLetter(q[2])) return fail(zetStatusRegExpSyntax, q + 2);
                zet32u o = options_;
                bool clearing = false;
                const zet8u* r = q + 2;
                for (; isOptionLetter(*r); ++r) {
                    if (*r == '-') clearing = true;
                    else o = clearing ? o & ~optionBit(*r) : o | optionBit(*r);
                }
                if (*r == ')') {
                    // A setting for the rest of the enclosing group; "(?x)" and "(?-x)" only
                    // change how the pattern is read and leave no node.
                    const long n = r - (q + 2);
                    const bool onlyX = (n == 1 && q[2] == 'x') || (n == 2 && q[2] == '-' && q[3] == 'x');
                    if (!onlyX) emit(RegExpOpSetOptions, static_cast<zet32s>(o));
                    options_ = o;
                    q = r + 1;
                    return zetStatusOk;
                }
                if (*r != ':') return fail(zetStatusRegExpSyntax, r);
                options_ = o;
                type = RegExpOpOptionGroup;
                arg3 = static_cast<zet32s>(o);
                body = r + 1;
            }
        }
    }
    // Until the group closes, the opener holds its depth in arg1 and its ordinal in arg2.
    emit(type, d, ordinal_++, arg3);
    depth_ = d;
    frames_[d].opener = p_ - 1;
    frames_[d].lastBar = -1;
    q = body;
    if (type != RegExpOpCond || q[1] == '?') return zetStatusOk;

    // (?(n)...: the condition is a back-reference to group n (1 to 3 digits, not checked
    // against the number of groups).
    const zet8u* r = q + 1;
    int n = 0, digits = 0;
    for (; digits < 3 && isDigit(*r); ++digits) n = n * 10 + (*r++ - '0');
    if (*r != ')') return fail(zetStatusRegExpSyntax, r);
    if (n == 0) return fail(zetStatusRegExpBadReference, r + 1 - digits);
    emit(RegExpOpBackRef, n);
    q = r + 1;
    return zetStatusOk;
}

ZetStatus Emitter::closeGroup(const zet8u*& q) {
    const zet8u* const at = q++;
    const int d = depth_;
    if (d == 0) return fail(zetStatusRegExpSyntax, at);  // pass 1 rules this out; kept for safety
    const int opener = frames_[d].opener;
    depth_ = d - 1;
    options_ = frames_[d].options;
    const zet32u type = nodes_[opener].type;
    const int body = opener + 1;
    const int count = p_ - body;
    const bool plain = type == RegExpOpCapture || type == RegExpOpGroup;
    const bool endsInRepeat = count > 0 && nodes_[p_ - 1].type == RegExpOpRepeat;
    const bool needWidth = type == RegExpOpGroup || (plain && endsInRepeat);
    const int width = needWidth ? ownRegExpSimpleLength(nodes_ + body, count) : -1;

    // A (?:...) around one simple item, or around simple text that is not repeated, is dropped.
    if (type == RegExpOpGroup && ((count == 1 && width == 1) || (width >= 2 && !ownRegExpIsQuantifier(q)))) {
        std::memmove(nodes_ + opener, nodes_ + body, sizeof(RegExpNode) * static_cast<std::size_t>(count));
        --p_;
        --ordinal_;
        if (runNode_ > opener) --runNode_;
        if (lastMemberEnd_ > opener) --lastMemberEnd_;
        return zetStatusOk;
    }

    const zet32s ordinal = nodes_[opener].arg2;
    const zet32s link = isLookAround(type) || type == RegExpOpAtomic ? -ordinal : ordinal;
    const int close = p_;
    emit(RegExpOpClose, link, static_cast<zet32s>(options_), plain && endsInRepeat && width == 1 ? 1 : 0);
    RegExpNode& open = nodes_[opener];
    open.arg1 = link;
    open.arg2 = count;
    lastClose_ = close;
    lastCloseOpener_ = opener;

    if (type == RegExpOpCond) {
        // The condition is a back-reference or a whole look-around, and no repeat follows it.
        const RegExpNode& c = nodes_[body];
        int after;
        if (c.type == RegExpOpBackRef) after = body + 1;
        else if (isLookAround(c.type)) after = body + c.arg2 + 2;
        else return fail(zetStatusRegExpSyntax, at);
        if (after < close && isRepeat(nodes_[after].type)) return fail(zetStatusRegExpSyntax, at);
    }
    if (isLookBehind(type)) {
        for (int i = body; i < close;) {
            const RegExpNode& n = nodes_[i];
            if (n.type == RegExpOpBackRef || (isRepeat(n.type) && n.arg1 != n.arg2))
                return fail(zetStatusRegExpSyntax, at);
            i += isLookBehind(n.type) ? n.arg2 + 2 : 1;  // a nested look-behind passed this when it closed
        }
        const int fixed = ownRegExpFixedLength(nodes_ + body, count);
        if (fixed < 0) return fail(zetStatusRegExpSyntax, at);
        open.arg3 = fixed;
    }
    int bars = 0;
    for (int b = frames_[d].lastBar; b >= 0; ++bars) {
        RegExpNode& alt = nodes_[b];
        b = alt.arg3;
        alt.arg1 = link;
        alt.arg3 = 0;
    }
    if (type == RegExpOpCond && bars > 1) return fail(zetStatusRegExpSyntax, at);
    return zetStatusOk;
}

// ---- finishing ----

void Emitter::finish() {
    // The required literal must end the program, followed at most by its own repeat.
    for (int i = candidate_ + 1; candidate_ >= 0 && i < p_; ++i)
        if (!isRepeat(nodes_[i].type)) candidate_ = -1;

    // String pool: the bytes of every string node, in node order, right after the last node.
    zet32u offset = static_cast<zet32u>(sizeof(RegExpState) + sizeof(RegExpNode) * static_cast<std::size_t>(p_));
    zet8u* const base = reinterpret_cast<zet8u*>(state_);
    for (int i = 0; i < p_; ++i) {
        RegExpNode& n = nodes_[i];
        if (n.type != RegExpOpString) continue;
        std::memcpy(base + offset, pat_ + n.arg4, static_cast<std::size_t>(n.arg2));
        n.arg4 = offset;
        offset += static_cast<zet32u>(n.arg2);
    }

    const auto isLiteral = [&](int i) { return nodes_[i].type == RegExpOpChar || nodes_[i].type == RegExpOpString; };
    zet32s kind = RegExpKindGeneral;
    if (p_ > 0 && candidate_ != -2 && isLiteral(0)) {
        bool alternation = false;
        for (int i = 0; i < p_ && !alternation; ++i) alternation = nodes_[i].type == RegExpOpAlt;
        const bool optionalStart = p_ > 1 && isRepeat(nodes_[1].type) && nodes_[1].arg1 == 0;
        if (!alternation && !optionalStart) kind = RegExpKindLiteralStart;
    }
    if (kind == RegExpKindGeneral && p_ >= 3 && p_ % 2 == 1) {
        bool literals = true;
        for (int i = 0; i < p_ && literals; ++i)
            literals = i % 2 == 0 ? isLiteral(i) : nodes_[i].type == RegExpOpAlt;
        if (literals) kind = RegExpKindLiteralAlternation;
    }

    state_->nodeCount = p_;
    state_->requiredLiteral = candidate_;
    state_->matchLimit = kRegExpDefaultMatchLimit;
    state_->patternKind = kind;
}

bool ownRegExpParseOptions(const char* letters, zet32u* options) {
    zet32u bits = 0;
    for (; *letters != 0; ++letters) {
        const zet8u c = static_cast<zet8u>(*letters);
        if (optionBit(c) == 0) return false;
        bits |= optionBit(c);
    }
    *options = bits;
    return true;
}

bool ownRegExpIsQuantifier(const zet8u* p) {
    if (*p == '*' || *p == '+' || *p == '?') return true;
    if (*p != '{') return false;
    for (++p; isDigit(*p);) ++p;
    if (*p == ',')
        for (++p; isDigit(*p);) ++p;
    return *p == '}';
}

int ownRegExpSimpleLength(const RegExpNode* nodes, int count) {
    long long width = 0;
    for (int i = 0; i < count; ++i) {
        const RegExpNode& n = nodes[i];
        if (isSingleWidth(n.type)) ++width;
        else if (n.type == RegExpOpString) width += n.arg2;
        else if (n.type == RegExpOpClass) ++width, i += n.arg2;
        else if (n.type != RegExpOpRepeat) return -1;
    }
    return width > INT_MAX ? INT_MAX : static_cast<int>(width);
}

int ownRegExpFixedLength(const RegExpNode* nodes, int count) {
    long long total = 0, item = 0, first = -1;
    for (int i = 0; i < count;) {
        const RegExpNode& n = nodes[i];
        switch (n.type) {
            case RegExpOpString: total += n.arg2; ++i; break;
            case RegExpOpClass: total += 1, item = 1, i += n.arg2 + 1; break;
            case RegExpOpRepeat:
            case RegExpOpRepeatLazy:
                if (n.arg1 > 0) total += (n.arg1 - 1LL) * item;
                ++i;
                break;
            case RegExpOpCapture:
            case RegExpOpGroup:
            case RegExpOpAtomic: {
                const int inner = ownRegExpFixedLength(nodes + i + 1, n.arg2);
                if (inner < 0) return -1;
                total += inner, item = inner, i += n.arg2 + 2;
                break;
            }
            case RegExpOpLookBehind:
            case RegExpOpNotLookBehind:
            case RegExpOpLookAhead:
            case RegExpOpNotLookAhead: i += n.arg2 + 2; break;
            case RegExpOpAlt:
                if (first < 0) first = total;
                else if (total != first) return -1;
                total = item = 0;
                ++i;
                break;
            default:
                if (isSingleWidth(n.type)) total += 1, item = 1;
                ++i;
        }
        if (total > INT_MAX) return -1;
    }
    if (first >= 0 && total != first) return -1;
    return static_cast<int>(first >= 0 ? first : total);
}

int ownRegExpCompareN(const zet8u* a, const zet8u* b, int n) {
    for (int i = 0; i < n; ++i)
        if (a[i] != b[i]) return a[i] - b[i];
    return 0;
}

ZetStatus ownRegExpCompile(const zet8u* pattern, int len, zet32u options, RegExpState* state, zet32s* errOffset) {
    const zet8u* const end = pattern + len;
    int groupCount = 0;
    const ZetStatus st = structure(pattern, end, options, &groupCount, errOffset);
    if (st != zetStatusOk) return st;
    state->magic = kRegExpMagic;
    state->options = options;
    state->groupCount = groupCount;
    state->format = 1;
    return Emitter(pattern, end, options, state, groupCount).run(errOffset);
}

}  // namespace zet::rx
