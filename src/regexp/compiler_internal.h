// What the pattern compiler's files share: the limits and byte tests both passes use, the
// escape readers of the emitter, the declaration of pass 1 and the emitter of pass 2 (whose
// character-class part lives in compiler_classes.cpp). Internal to the compiler: nothing here
// is exported.
#pragma once

#include "regexp/program.h"

namespace zet::rx {

constexpr zet32u kOptExtended = zetRegExpOptionExtended;
constexpr int kMaxDepth = 999;            // nesting of parentheses

inline bool isDigit(zet8u b) { return b >= '0' && b <= '9'; }
inline bool isOctal(zet8u b) { return b >= '0' && b <= '7'; }
inline int hexValue(zet8u b) {
    if (isDigit(b)) return b - '0';
    if (b >= 'a' && b <= 'f') return b - 'a' + 10;
    if (b >= 'A' && b <= 'F') return b - 'A' + 10;
    return -1;
}
inline bool isOptionLetter(zet8u b) { return b == 'i' || b == 'm' || b == 's' || b == 'x' || b == '-'; }

// Value of \a \e \f \n \r \t \v.
inline bool controlEscape(zet8u letter, zet32s* value) {
    switch (letter) {
        case 'a': *value = 7; return true;
        case 'e': *value = 27; return true;
        case 'f': *value = 12; return true;
        case 'n': *value = 10; return true;
        case 'r': *value = 13; return true;
        case 't': *value = 9; return true;
        case 'v': *value = 11; return true;
        default: return false;
    }
}

// Value of \cX. Bytes below 32 give negative values, which no subject byte equals.
inline zet32s controlLetter(zet8u x) {
    if (x >= 32 && x <= 63) return x + 64;
    if (x >= 96 && x <= 122) return x - 96;
    return x - 64;
}

// Up to two hex digits at r (none gives 0); r moves past them.
inline zet32s hexPair(const zet8u*& r) {
    zet32s v = 0;
    for (int k = 0; k < 2 && hexValue(*r) >= 0; ++k) v = v * 16 + hexValue(*r++);
    return v;
}

// Up to eight hex digits at r and the closing brace. On success r is on the brace; on failure r
// is on the byte where the brace was due.
inline bool hexBraced(const zet8u*& r, zet32u* value) {
    zet32u v = 0;
    for (int k = 0; k < 8 && hexValue(*r) >= 0; ++k) v = v * 16 + static_cast<zet32u>(hexValue(*r++));
    *value = v;
    return *r == '}';
}

// The first "\E" at or after s, or null.
inline const zet8u* findQuoteEnd(const zet8u* s, const zet8u* end) {
    for (; s + 1 < end; ++s)
        if (s[0] == '\\' && s[1] == 'E') return s;
    return nullptr;
}

// For r on a '[' followed by ':', '.' or '=': the closing ']' of a properly closed POSIX or
// collating form ("[:name:]"), or null when the '[' starts none (it is then a literal member).
// The form ends at the first ']' after its opening, which must follow the same delimiter.
inline const zet8u* posixFormEnd(const zet8u* r, const zet8u* end) {
    const zet8u delim = r[1];
    if (delim != ':' && delim != '.' && delim != '=') return nullptr;
    const zet8u* s = r + 2;
    while (s < end && *s != ']') ++s;
    return s < end && s - 1 > r + 1 && s[-1] == delim ? s : nullptr;
}

// Pass 1 (structure.cpp): parenthesis structure, nesting depth and the number of capturing
// groups; on an error stores its byte offset in *errOffset.
ZetStatus structure(const zet8u* pat, const zet8u* end, zet32u options, int* groupCount, zet32s* errOffset);

// What pass 2 keeps for each open group, indexed by depth.
struct DepthFrame {
    zet32s opener;   // node index of the group's opener
    zet32s lastBar;  // newest '|' directly inside the group, -1 for none; bars chain through arg3
    zet32u options;  // options in force before the group opened, restored at its ')'
};
static_assert(sizeof(DepthFrame) * (kMaxDepth + 1) <= sizeof(RegExpState::groupFrames));

// Pass 2 and the finishing step.
class Emitter {
public:
    Emitter(const zet8u* pattern, const zet8u* end, zet32u options, RegExpState* state, int groupCount)
        : pat_(pattern), end_(end), state_(state), nodes_(ownRegExpNodes(state)),
          frames_(reinterpret_cast<DepthFrame*>(state->groupFrames)), options_(options), groupCount_(groupCount) {}

    ZetStatus run(zet32s* errOffset);

private:
    ZetStatus fail(ZetStatus st, const zet8u* at) {
        errAt_ = at;
        return st;
    }

    RegExpNode& emit(zet32u type, zet32s a1 = 0, zet32s a2 = 0, zet32s a3 = 0) {
        RegExpNode& n = nodes_[p_++];
        n = RegExpNode{type, a1, a2, a3, 0};
        return n;
    }

    // Literal runs: the pending run is always the bytes just before the current position.
    void extendRun(const zet8u* at) {
        if (runLen_ == 0) runStart_ = at;
        ++runLen_;
    }
    void emitRunPart(const zet8u* s, int n);
    void flush() {
        if (runLen_ > 0) emitRunPart(runStart_, runLen_);
        runLen_ = 0;
    }
    void makeCandidate(int index) {
        if (depth_ != 0 || candidate_ == -2) return;
        candidate_ = index;
        nodes_[index].arg3 = static_cast<zet32s>(options_);
    }
    void literal(zet32s value) {
        emit(RegExpOpChar, value);
        makeCandidate(p_ - 1);
    }

    ZetStatus escape(const zet8u*& q);
    ZetStatus backReference(const zet8u*& q);
    ZetStatus property(const zet8u*& q);
    void charType(zet32s letter, const zet8u* next);
    ZetStatus quantifier(const zet8u*& q);
    void bar();
    ZetStatus openGroup(const zet8u*& q);
    ZetStatus closeGroup(const zet8u*& q);
    int openerOf(int close) const;
    void dropMarksFrom(int index);

    // Character classes.
    ZetStatus charClass(const zet8u*& q);
    ZetStatus classEscape(const zet8u*& r);
    ZetStatus posixClass(const zet8u* r, const zet8u* formEnd);
    ZetStatus addMember(zet32u type, zet32s value, const zet8u* at);
    void openRange();
    void closeOpenRange();

    void finish();

    const zet8u* const pat_;
    const zet8u* const end_;
    RegExpState* const state_;
    RegExpNode* const nodes_;
    DepthFrame* const frames_;
    zet32u options_;
    const int groupCount_;

    int p_ = 0;  // next node index
    const zet8u* runStart_ = nullptr;
    int runLen_ = 0;
    int depth_ = 0;
    int ordinal_ = 1;
    int capture_ = 1;
    int candidate_ = -1;  // required-literal candidate; -2 once a top-level bar is seen
    const zet8u* errAt_ = nullptr;

    // Marks on nodes still in the program (-1: none); kept right when nodes move or go.
    int runNode_ = -1;        // newest node emitted from a plain literal run
    int lastMemberEnd_ = -1;  // last member of the newest class that kept its header
    int lastClose_ = -1;      // newest close node, and its opener
    int lastCloseOpener_ = -1;

    // The class being parsed.
    int openRange_ = -1;        // member turned into a range that still waits for its end
    zet32u openRangeType_ = 0;  // what that member was
    int lastSingle_ = -1;       // newest member that a '-' may turn into a range
};

}  // namespace zet::rx
