// Pass 2 of the pattern compiler, character classes: the members of a bracketed class, its
// escapes, ranges and POSIX forms, emitted behind the class header node (see compiler.cpp).
#include "regexp/chars.h"
#include "regexp/compiler_internal.h"

namespace zet::rx {

ZetStatus Emitter::charClass(const zet8u*& q) {
    // "[:alpha:]" without the outer brackets is refused rather than read as five letters.
    const zet8u first = q[1];
    if (first == ':' || first == '.' || first == '=')
        for (const zet8u* s = q + 2; s < end_ && *s != ']'; ++s)
            if (*s == first) return fail(zetStatusRegExpBadClass, q + 1);

    const zet8u* r = q + 1;
    const bool negated = *r == '^';
    if (negated) ++r;
    const int header = p_;
    emit(RegExpOpClass, negated ? -1 : 0);
    openRange_ = lastSingle_ = -1;

    for (bool atStart = true;; atStart = false) {
        if (r >= end_) return fail(zetStatusRegExpBadClass, end_);
        const zet8u b = *r;
        ZetStatus st = zetStatusOk;
        if (b == ']' && !atStart) break;
        const zet8u* form = b == '[' ? posixFormEnd(r, end_) : nullptr;
        if (b == '\\') {
            st = classEscape(r);
        } else if (form != nullptr) {
            st = posixClass(r, form);
            r = form + 1;
        } else if (b == '-' && !atStart && lastSingle_ >= 0 && r[1] != ']') {
            openRange();
            ++r;
        } else if (b < 0x80) {
            st = addMember(RegExpOpChar, b, r++);
        } else {
            zet32u cp;
            const int n = ownRegExpDecodeUtf8(r, end_, &cp);
            if (n >= 2) st = addMember(cp < 256 ? RegExpOpChar : RegExpOpWideChar, static_cast<zet32s>(cp), r), r += n;
            else st = addMember(RegExpOpChar, b, r++);
        }
        if (st != zetStatusOk) return st;
    }
    // A '-' separated from the ']' only by \E or \Q\E is a literal, as before a ']'.
    closeOpenRange();
    const int members = p_ - header - 1;
    if (members == 0) return fail(zetStatusRegExpSyntax, r);
    q = r + 1;
    if (!negated && members == 1) {
        const RegExpNode m = nodes_[header + 1];
        if (m.type == RegExpOpChar && m.arg1 == '^') return fail(zetStatusRegExpSyntax, r);
        if (m.type == RegExpOpChar || m.type == RegExpOpCharType) {
            nodes_[header] = m;
            p_ = header + 1;
            return zetStatusOk;
        }
    }
    nodes_[header].arg2 = members;
    lastMemberEnd_ = p_ - 1;
    return zetStatusOk;
}

// A single character: a new member, or the end of the open range.
ZetStatus Emitter::addMember(zet32u type, zet32s value, const zet8u* at) {
    if (openRange_ >= 0) {
        RegExpNode& range = nodes_[openRange_];
        if (value < range.arg1) return fail(zetStatusRegExpBadClass, at);
        range.arg2 = value;
        openRange_ = lastSingle_ = -1;
        return zetStatusOk;
    }
    emit(type, value);
    lastSingle_ = p_ - 1;
    return zetStatusOk;
}

void Emitter::openRange() {
    RegExpNode& m = nodes_[lastSingle_];
    openRangeType_ = m.type;
    m.type = RegExpOpRange;
    openRange_ = lastSingle_;
    lastSingle_ = -1;
}

// A range still open when a type, a POSIX class or a property follows is its first character
// and a literal '-'.
void Emitter::closeOpenRange() {
    if (openRange_ < 0) return;
    nodes_[openRange_].type = openRangeType_;
    emit(RegExpOpChar, '-');
    openRange_ = lastSingle_ = -1;
}

ZetStatus Emitter::classEscape(const zet8u*& r) {
    const zet8u e = r[1];
    if (e == 0) return fail(zetStatusRegExpBadClass, end_);
    zet32s value;
    if (e == 'b') value = 8;
    else if (!controlEscape(e, &value)) value = -1;
    if (value >= 0) {
        r += 2;
        return addMember(RegExpOpChar, value, r - 1);
    }
    switch (e) {
        case 'c':
            if (r[2] == 0) return fail(zetStatusRegExpBadClass, end_);
            r += 3;
            return addMember(RegExpOpChar, controlLetter(r[-1]), r - 1);
        case 'x': {
            const zet8u* h = r + 2;
            if (*h != '{') {
                value = hexPair(h);
                r = h;
                return addMember(RegExpOpChar, value, h - 1);
            }
            ++h;
            zet32u cp;
            if (!hexBraced(h, &cp)) return fail(zetStatusRegExpBadEscape, h);
            r = h + 1;
            return addMember(RegExpOpWideChar, static_cast<zet32s>(cp), h);
        }
        case '0': case '1': case '2': case '3': case '4': case '5': case '6': case '7': {
            const zet8u* o = r + 1;
            value = 0;
            for (int k = 0; k < 3 && isOctal(*o); ++k) value = value * 8 + (*o++ - '0');
            r = o;
            return addMember(RegExpOpChar, value, o - 1);
        }
        case 'd': case 'D': case 's': case 'S': case 'w': case 'W':
            closeOpenRange();
            emit(RegExpOpCharType, e);
            lastSingle_ = -1;
            r += 2;
            return zetStatusOk;
        case 'p':
        case 'P':
            closeOpenRange();
            lastSingle_ = -1;
            return property(r);
        case 'Q': {
            const zet8u* s = r + 2;
            const zet8u* e2 = findQuoteEnd(s, end_);
            if (e2 == nullptr) return fail(zetStatusRegExpBadClass, end_);
            for (; s < e2; ++s) {
                const ZetStatus st = addMember(RegExpOpChar, *s, s);
                if (st != zetStatusOk) return st;
            }
            r = e2 + 2;
            return zetStatusOk;
        }
        case 'E':
            r += 2;
            return zetStatusOk;
        default:  // \] \\ \- and every other escaped byte stand for themselves
            r += 2;
            return addMember(RegExpOpChar, e, r - 1);
    }
}

// [:name:], [:^name:] (also between [. .] and [= =]) inside a class. The table gives the members
// of both forms; the negated form accepts exactly what the plain form rejects.
ZetStatus Emitter::posixClass(const zet8u* r, const zet8u* formEnd) {
    const zet8u* name = r + 2;
    const bool negated = *name == '^';
    if (negated) ++name;
    const RegExpPosixClass* pc = ownRegExpFindPosixClass(name, static_cast<int>(formEnd - 1 - name));
    if (pc == nullptr) return fail(zetStatusRegExpBadClass, r);
    closeOpenRange();
    lastSingle_ = -1;
    const RegExpPosixMember* m = negated ? pc->negatedMembers : pc->members;
    for (int i = 0, n = negated ? pc->negatedCount : pc->count; i < n; ++i)
        emit(m[i].type, m[i].arg1, m[i].arg2, m[i].arg3);
    return zetStatusOk;
}

}  // namespace zet::rx
