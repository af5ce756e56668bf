// Pass 1 of the pattern compiler: the parenthesis structure, the nesting depth and the number
// of capturing groups, checked before pass 2 emits anything (see compiler.cpp).
#include "regexp/compiler_internal.h"

namespace zet::rx {

namespace {

constexpr int kMaxCaptureCounter = 1001;  // so at most 1000 capturing groups

const zet8u* advanceBounded(const zet8u* r, int n, const zet8u* end) { return end - r < n ? end : r + n; }

ZetStatus failAt(ZetStatus st, const zet8u* at, const zet8u* pattern, zet32s* errOffset) {
    *errOffset = static_cast<zet32s>(at - pattern);
    return st;
}

// Pass 1 over a class: from its '[' to just after its closing ']' (or to the end, which pass 2
// reports). Only an unterminated \Q inside is an error here.
ZetStatus skipClass(const zet8u*& q, const zet8u* pat, const zet8u* end, zet32s* errOffset) {
    const zet8u* r = q + 1;
    if (*r == '^') ++r;
    if (*r == ']') ++r;
    while (r < end && *r != ']') {
        if (*r == '\\') {
            if (r[1] == 'Q') {
                const zet8u* e = findQuoteEnd(r + 2, end);
                if (e == nullptr) return failAt(zetStatusRegExpBadClass, end, pat, errOffset);
                r = e + 2;
            } else {
                r = advanceBounded(r, r[1] == 'c' ? 3 : 2, end);
            }
            continue;
        }
        const zet8u* form = *r == '[' ? posixFormEnd(r, end) : nullptr;
        r = form != nullptr ? form + 1 : r + 1;
    }
    q = r < end ? r + 1 : end;
    return zetStatusOk;
}

}  // namespace

// Pass 1: parenthesis structure, nesting depth and the number of capturing groups. The x option
// is tracked per depth because it decides whether '#' starts a comment.
ZetStatus structure(const zet8u* pat, const zet8u* end, zet32u options, int* groupCount, zet32s* errOffset) {
    zet8u extended[kMaxDepth + 2];
    int depth = 0, capture = 1;
    extended[0] = (options & kOptExtended) != 0;
    const zet8u* q = pat;
    while (q < end) {
        switch (*q) {
            case '(': {
                if (++depth > kMaxDepth) return failAt(zetStatusRegExpSyntax, q, pat, errOffset);
                extended[depth] = extended[depth - 1];
                if (q[1] != '?') {
                    if (++capture > kMaxCaptureCounter) return failAt(zetStatusRegExpSyntax, q, pat, errOffset);
                    ++q;
                } else if (q[2] == '#') {
                    const zet8u* r = q + 3;
                    while (r < end && *r != ')') ++r;
                    if (r == end) return failAt(zetStatusRegExpSyntax, end, pat, errOffset);
                    --depth;
                    q = r + 1;
                } else if (q[2] == '(') {
                    // A condition counts as a second opening. With a look-around, (?(?=...), the
                    // inner '(' is that opening and is scanned as one (it may start a comment or a
                    // setting); with a number, the ')' after it closes the second opening.
                    if (q[3] == '?') {
                        q += 2;
                        break;
                    }
                    if (++depth > kMaxDepth) return failAt(zetStatusRegExpSyntax, q + 2, pat, errOffset);
                    extended[depth] = extended[depth - 1];
                    q += 3;
                } else if (isOptionLetter(q[2])) {
                    zet8u x = extended[depth - 1];
                    bool clearing = false;
                    const zet8u* r = q + 2;
                    for (; isOptionLetter(*r); ++r) {
                        if (*r == '-') clearing = true;
                        else if (*r == 'x') x = !clearing;
                    }
                    if (*r == ')') extended[--depth] = x;  // a setting: the rest of the enclosing group
                    else if (*r == ':') extended[depth] = x;
                    q = *r == ')' || *r == ':' ? r + 1 : r;  // a bad letter is pass 2's to report
                } else {
                    q += 2;
                }
                break;
            }
            case ')':
                if (--depth < 0) return failAt(zetStatusRegExpSyntax, q, pat, errOffset);
                ++q;
                break;
            case '#':
                if (extended[depth])
                    while (q < end && *q != '\n') ++q;
                else
                    ++q;
                break;
            case '\\':
                if (q[1] == 'Q') {
                    const zet8u* e = findQuoteEnd(q + 2, end);
                    q = e != nullptr ? e + 2 : end;
                } else {
                    q = advanceBounded(q, q[1] == 'c' ? 3 : 2, end);
                }
                break;
            case '[': {
                const ZetStatus st = skipClass(q, pat, end, errOffset);
                if (st != zetStatusOk) return st;
                break;
            }
            default:
                ++q;
        }
    }
    if (depth != 0) return failAt(zetStatusRegExpSyntax, end, pat, errOffset);
    *groupCount = capture;
    return zetStatusOk;
}

}  // namespace zet::rx
