// Start-position prefilters and the literal searches of the driver (see prefilter.h).
//
// The first-byte set is derived from the program by walking each top-level alternative until a
// node must consume a byte: items add the bytes their first character can begin with (exactly for
// the ASCII bytes, under every option combination the program can reach; every byte from 0x80 up
// when the item can take a non-ASCII character), zero-width nodes are passed over, groups add the
// first bytes of their alternatives (and let the walk go on when they may match empty). Anything
// the walk does not model (back-references, \C, conditionals, deep nesting) turns the filter off.
// Tested by tests/regexp/search_test.cpp (filters on and off give the same records).
#include "regexp/prefilter.h"

#include <tmmintrin.h>
#include <smmintrin.h>

#include <algorithm>
#include <bit>
#include <initializer_list>

#include "regexp/chars.h"
#include "regexp/matcher.h"
#include "search/find.h"
#include "search/findc.h"

namespace zet::rx {

namespace {

constexpr zet32u kCaseless = zetRegExpOptionCaseless;
constexpr zet32u kDotAll = zetRegExpOptionDotAll;
constexpr int kMaxWalkDepth = 32;  // nesting the first-byte walk follows before it gives up

bool isAsciiLetter(zet32u b) { return ((b | 0x20) - 'a') < 26; }
bool isContinuation(zet8u b) { return (b & 0xC0) == 0x80; }
bool isWordByte(zet32u b) { return ((b | 0x20) - 'a') < 26 || (b - '0') < 10 || b == '_'; }
zet8u upperAscii(zet8u b) { return static_cast<zet8u>(static_cast<unsigned>(b - 'a') < 26u ? b - 32 : b); }

bool equalCaseless(const zet8u* a, const zet8u* b, int len) {
    for (int i = 0; i < len; ++i)
        if (upperAscii(a[i]) != upperAscii(b[i])) return false;
    return true;
}

// Whether q (a continuation byte) lies inside a valid sequence that starts in [from, q).
bool insideCharacter(const zet8u* from, const zet8u* q, const zet8u* end) {
    for (int n = 1; n <= 5 && q - n >= from; ++n) {
        const zet8u* lead = q - n;
        if (!isContinuation(*lead)) return ownRegExpUtf8Length(lead, static_cast<zet32s>(end - lead)) > n;
    }
    return false;
}

// Every option bit that some part of the program may run under.
zet32u reachableOptions(const RegExpState* state) {
    const RegExpNode* nodes = ownRegExpNodes(state);
    zet32u reach = state->options;
    for (int i = 0; i < state->nodeCount; ++i) {
        const RegExpNode& n = nodes[i];
        if (n.type == RegExpOpSetOptions) reach |= static_cast<zet32u>(n.arg1);
        else if (n.type == RegExpOpOptionGroup) reach |= static_cast<zet32u>(n.arg3);
        else if (n.type == RegExpOpAlt || n.type == RegExpOpClose) reach |= static_cast<zet32u>(n.arg2);
    }
    return reach;
}

// The repeat node that quantifies the item ending at index, or null.
const RegExpNode* repeatNodeAfter(const RegExpNode* nodes, int count, int index) {
    return index + 1 < count && ownRegExpIsRepeat(nodes[index + 1].type) ? &nodes[index + 1] : nullptr;
}

// Whether the single-character item at index takes the one-byte character b under the options.
bool itemTakesByte(const RegExpNode* nodes, int index, zet8u b, zet32u options) {
    const RegExpNode& n = nodes[index];
    const RegExpSubjectChar ch{b, 1, b};
    switch (n.type) {
        case RegExpOpCharType: return ownRegExpCharTypeTest(n.arg1, b, options);
        case RegExpOpClass: {
            bool in = false;
            for (int k = 1; k <= n.arg2 && !in; ++k) in = ownRegExpClassMemberTest(ch, nodes[index + k], options);
            return in != (n.arg1 < 0);
        }
        case RegExpOpExtChar: {
            const zet32s cat = ownRegExpCategoryOf(b);
            return cat != 0 && (cat & ~0x7F) != 0x100;
        }
        default: return ownRegExpClassMemberTest(ch, n, options);
    }
}

// Walks the program for the first-byte set.
class FirstBytes {
public:
    explicit FirstBytes(const RegExpState* state) : state_(state), nodes_(ownRegExpNodes(state)), count_(state->nodeCount) {
        const zet32u reach = reachableOptions(state);
        // The option combinations under which an item may be tested.
        const zet32u base = state->options & ~(kCaseless | kDotAll);
        for (zet32u extra : {0u, kCaseless, kDotAll, kCaseless | kDotAll})
            if ((extra & ~reach) == 0) combos_[combosUsed_++] = base | extra;
    }

    // The set, or false when the filter cannot be used.
    bool run(RegExpByteSet* set) {
        if (count_ == 0) return false;
        for (int alt = 0;;) {
            int bar = alt;
            while (bar < count_ && !(nodes_[bar].type == RegExpOpAlt && nodes_[bar].arg1 == 0)) ++bar;
            if (sequence(alt, bar, 0) || giveUp_) return false;  // a match may be empty
            if (bar >= count_) break;
            alt = bar + 1;
        }
        *set = set_;
        return true;
    }

private:
    // Adds the first bytes of the sequence [i, stop); true when it can pass without consuming.
    bool sequence(int i, int stop, int depth) {
        if (depth > kMaxWalkDepth) {
            giveUp_ = true;
            return false;
        }
        while (i < stop && !giveUp_) {
            const RegExpNode& n = nodes_[i];
            switch (n.type) {
                case RegExpOpChar:
                case RegExpOpString:
                case RegExpOpCharType:
                case RegExpOpClass:
                case RegExpOpWideChar:
                case RegExpOpCategory:
                case RegExpOpCodeRange:
                case RegExpOpScript:
                case RegExpOpExtChar: {
                    addItem(i);
                    const int last = n.type == RegExpOpClass ? i + n.arg2 : i;
                    const RegExpNode* rep = repeatAfter(last);
                    if (rep == nullptr || rep->arg1 > 0) return false;
                    i = last + 2;
                    break;
                }
                case RegExpOpAssert: i += repeatAfter(i) != nullptr ? 2 : 1; break;
                case RegExpOpSetOptions: ++i; break;
                case RegExpOpLookBehind:
                case RegExpOpNotLookBehind:
                case RegExpOpLookAhead:
                case RegExpOpNotLookAhead: i += n.arg2 + 2; break;
                case RegExpOpCapture:
                case RegExpOpGroup:
                case RegExpOpOptionGroup:
                case RegExpOpAtomic: {
                    const int close = i + n.arg2 + 1;
                    if (n.arg2 < 0 || close >= count_) {
                        giveUp_ = true;
                        return false;
                    }
                    bool empty = false;
                    for (int alt = i + 1;;) {
                        int bar = alt;
                        while (bar < close && !(nodes_[bar].type == RegExpOpAlt && nodes_[bar].arg1 == n.arg1)) ++bar;
                        empty = sequence(alt, bar, depth + 1) || empty;
                        if (bar >= close) break;
                        alt = bar + 1;
                    }
                    const RegExpNode* rep = repeatAfter(close);
                    if (!empty && (rep == nullptr || rep->arg1 > 0)) return false;
                    i = close + (rep != nullptr ? 2 : 1);
                    break;
                }
                case RegExpOpAlt:
                case RegExpOpClose: return true;
                default:  // back-references, \C, conditionals: not modelled
                    giveUp_ = true;
                    return false;
            }
        }
        return true;
    }

    const RegExpNode* repeatAfter(int index) const { return repeatNodeAfter(nodes_, count_, index); }

    void addLiteralByte(zet32s value) {
        if (value < 0 || value > 255) return;  // no byte equals it
        set_.add(static_cast<zet8u>(value));
        if (isAsciiLetter(static_cast<zet32u>(value))) set_.add(static_cast<zet8u>(value ^ 0x20));
    }

    bool takesByte(int index, zet8u b, zet32u options) const { return itemTakesByte(nodes_, index, b, options); }

    void addItem(int index) {
        const RegExpNode& n = nodes_[index];
        if (n.type == RegExpOpChar) return addLiteralByte(n.arg1);
        if (n.type == RegExpOpString) return addLiteralByte(ownRegExpStringBytes(state_, n)[0]);
        for (int b = 0; b < 0x80; ++b)
            for (int c = 0; c < combosUsed_; ++c)
                if (takesByte(index, static_cast<zet8u>(b), combos_[c])) {
                    set_.add(static_cast<zet8u>(b));
                    break;
                }
        // \w, \d and \s judge a character by its first byte, which for any non-ASCII one fails.
        const bool asciiOnly = n.type == RegExpOpCharType && (n.arg1 == 'w' || n.arg1 == 'd' || n.arg1 == 's');
        if (!asciiOnly) set_.addRange(0x80, 0xFF);
    }

    const RegExpState* state_;
    const RegExpNode* nodes_;
    int count_;
    zet32u combos_[4] = {};
    int combosUsed_ = 0;
    RegExpByteSet set_;
    bool giveUp_ = false;
};

// The index of the longest literal (a RegExpOpString, or a RegExpOpChar of a byte value) that
// every match consumes outside all groups, or -1.
int requiredLiteral(const RegExpState* state) {
    const RegExpNode* nodes = ownRegExpNodes(state);
    const int count = state->nodeCount;
    if (state->requiredLiteral == -2) return -1;
    const auto repeatAt = [&](int i) { return i < count && ownRegExpIsRepeat(nodes[i].type); };
    int best = -1, bestLen = 0;
    for (int i = 0; i < count;) {
        const RegExpNode& n = nodes[i];
        if (n.type == RegExpOpAlt) return -1;
        int next = i + 1;
        if (n.type >= RegExpOpLookBehind && n.type <= RegExpOpAtomic) {
            next = i + n.arg2 + 2;  // the whole group, closing node included
        } else if (n.type == RegExpOpClass) {
            next = i + n.arg2 + 1;
        } else {
            int litLen = 0;
            if (n.type == RegExpOpString) litLen = n.arg2;
            else if (n.type == RegExpOpChar && n.arg1 >= 0 && n.arg1 <= 255) litLen = 1;
            const bool optional = repeatAt(i + 1) && nodes[i + 1].arg1 == 0;
            if (litLen > bestLen && !optional) best = i, bestLen = litLen;
        }
        if (repeatAt(next)) ++next;
        i = next;
    }
    return best;
}

// Where every match must hold a literal: the first literal on the path that every match takes
// (outside alternatives, in the first repetition of groups that repeat at least once), with the
// range of byte offsets from the match start at which it can begin. Widths count bytes: an item
// that may take a character longer than one byte counts up to six. Anything not modelled (a
// back-reference, a conditional, a top-level alternative) ends the walk without a literal.
class LiteralWindow {
public:
    static constexpr long long kFar = 1LL << 40;  // an offset with no bound

    explicit LiteralWindow(const RegExpState* state)
        : nodes_(ownRegExpNodes(state)), count_(state->nodeCount),
          caseless_((reachableOptions(state) & kCaseless) != 0) {}

    // The literal's node and its offsets, or false.
    bool run(int* node, long long* lo, long long* hi) {
        for (int i = 0; i < count_; ++i)
            if (nodes_[i].type == RegExpOpAlt && nodes_[i].arg1 == 0) return false;
        Span at{0, 0};
        if (!walk(0, count_, &at, 0) || found_ < 0 || at_.hi >= kFar) return false;
        *node = found_;
        *lo = at_.lo;
        *hi = at_.hi;
        return true;
    }

private:
    struct Span {
        long long lo, hi;
    };

    static long long capped(long long v) { return v < kFar ? v : kFar; }
    static Span times(Span w, const RegExpNode* rep) {
        if (rep == nullptr) return w;
        const long long max = rep->arg2 >= kRegExpUnbounded ? kFar : rep->arg2;
        return Span{capped(w.lo * rep->arg1), w.hi == 0 ? 0 : max >= kFar ? kFar : capped(w.hi * max)};
    }
    static void add(Span* a, Span w) { *a = Span{capped(a->lo + w.lo), capped(a->hi + w.hi)}; }

    const RegExpNode* repeatAfter(int index) const { return repeatNodeAfter(nodes_, count_, index); }

    // Longest byte length of a character the item at index can take.
    int itemWidth(int index) const {
        const RegExpNode& n = nodes_[index];
        switch (n.type) {
            case RegExpOpChar:
            case RegExpOpAnyByte: return 1;
            case RegExpOpCharType: return n.arg1 == 'w' || n.arg1 == 'd' || n.arg1 == 's' ? 1 : 6;
            case RegExpOpClass: {
                if (n.arg1 < 0 || caseless_) return 6;  // case folding reaches beyond ASCII
                for (int k = 1; k <= n.arg2; ++k) {
                    const RegExpNode& m = nodes_[index + k];
                    const bool ascii = (m.type == RegExpOpChar && m.arg1 >= 0 && m.arg1 < 0x80) ||
                                       (m.type == RegExpOpRange && m.arg3 != -1 && m.arg2 < 0x80) ||
                                       (m.type == RegExpOpCharType && m.arg3 != -1 &&
                                        (m.arg1 == 'w' || m.arg1 == 'd' || m.arg1 == 's'));
                    if (!ascii) return 6;
                }
                return 1;
            }
            default: return 6;
        }
    }

    // Adds the widths of the sequence [i, stop) to *at, looking for the literal while `look`.
    // False for a construct that is not modelled.
    bool walk(int i, int stop, Span* at, int depth, bool look = true) {
        if (depth > kMaxWalkDepth) return false;
        while (i < stop) {
            const RegExpNode& n = nodes_[i];
            switch (n.type) {
                case RegExpOpString:
                case RegExpOpChar: {
                    if (n.type == RegExpOpChar && (n.arg1 < 0 || n.arg1 > 255)) return false;
                    const RegExpNode* rep = repeatAfter(i);
                    if (look && found_ < 0 && (rep == nullptr || rep->arg1 > 0)) found_ = i, at_ = *at;
                    add(at, times(Span{n.type == RegExpOpString ? n.arg2 : 1, n.type == RegExpOpString ? n.arg2 : 1}, rep));
                    i += rep != nullptr ? 2 : 1;
                    break;
                }
                case RegExpOpCharType:
                case RegExpOpClass:
                case RegExpOpAnyByte:
                case RegExpOpWideChar:
                case RegExpOpCategory:
                case RegExpOpCodeRange:
                case RegExpOpScript: {
                    const int last = n.type == RegExpOpClass ? i + n.arg2 : i;
                    const RegExpNode* rep = repeatAfter(last);
                    add(at, times(Span{1, itemWidth(i)}, rep));
                    i = last + (rep != nullptr ? 2 : 1);
                    break;
                }
                case RegExpOpAssert: i += repeatAfter(i) != nullptr ? 2 : 1; break;
                case RegExpOpSetOptions: ++i; break;
                case RegExpOpLookBehind:
                case RegExpOpNotLookBehind:
                case RegExpOpLookAhead:
                case RegExpOpNotLookAhead: i += n.arg2 + 2; break;
                case RegExpOpCapture:
                case RegExpOpGroup:
                case RegExpOpOptionGroup:
                case RegExpOpAtomic: {
                    const int close = i + n.arg2 + 1;
                    if (n.arg2 < 0 || close >= count_) return false;
                    const RegExpNode* rep = repeatAfter(close);
                    int alternatives = 0;
                    Span body{kFar, 0};
                    for (int alt = i + 1;;) {
                        int bar = alt;
                        while (bar < close && !(nodes_[bar].type == RegExpOpAlt && nodes_[bar].arg1 == n.arg1)) ++bar;
                        ++alternatives;
                        Span w{0, 0};
                        if (!walk(alt, bar, &w, depth + 1, false)) return false;
                        body = Span{std::min(body.lo, w.lo), std::max(body.hi, w.hi)};
                        if (bar >= close) break;
                        alt = bar + 1;
                    }
                    // One alternative that every match enters: its literal counts.
                    if (look && found_ < 0 && alternatives == 1 && (rep == nullptr || rep->arg1 > 0)) {
                        Span w = *at;
                        if (!walk(i + 1, close, &w, depth + 1)) return false;
                    }
                    add(at, times(body, rep));
                    i = close + (rep != nullptr ? 2 : 1);
                    break;
                }
                default: return false;  // back-references, conditionals, \X
            }
        }
        return true;
    }

    const RegExpNode* nodes_;
    int count_;
    bool caseless_;
    int found_ = -1;
    Span at_{0, 0};
};

}  // namespace

// ---- byte sets ----

RegExpByteSet RegExpByteSet::caselessByte(zet8u b) {
    RegExpByteSet s;
    s.add(b);
    if (isAsciiLetter(b)) s.add(static_cast<zet8u>(b ^ 0x20));
    s.finish();
    return s;
}

int RegExpByteSet::count() const {
    return std::popcount(bits_[0]) + std::popcount(bits_[1]) + std::popcount(bits_[2]) + std::popcount(bits_[3]);
}

void RegExpByteSet::finish() {
    count_ = count();
    int k = 0;
    for (int w = 0; w < 4; ++w)
        for (std::uint64_t bits = bits_[w]; bits != 0; bits &= bits - 1) {
            const int b = w * 64 + std::countr_zero(bits);
            if (k < 3) few_[k++] = static_cast<zet8u>(b);
            const int hi = b >> 4, lo = b & 15;
            if (hi < 8) low_[lo] |= static_cast<zet8u>(1u << hi);
            else high_[lo] |= static_cast<zet8u>(1u << (hi - 8));
        }
    for (; k < 3 && k > 0; ++k) few_[k] = few_[0];
}

int RegExpByteSet::find(const zet8u* src, int len) const {
    if (count_ == 0) return -1;
    if (count_ == 1) return ownFindC(src, len, few_[0]);
    int i = 0;
    if (count_ <= 3) {
        const __m128i a = _mm_set1_epi8(static_cast<char>(few_[0]));
        const __m128i b = _mm_set1_epi8(static_cast<char>(few_[1]));
        const __m128i c = _mm_set1_epi8(static_cast<char>(few_[2]));
        for (; i + 16 <= len; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
            const __m128i m = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, a), _mm_cmpeq_epi8(v, b)), _mm_cmpeq_epi8(v, c));
            const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(m));
            if (bits != 0) return i + std::countr_zero(bits);
        }
    } else {
        // Each byte is split into nibbles: the low nibble picks a table entry, the high nibble the
        // bit in it (and which of the two tables).
        const __m128i low = _mm_load_si128(reinterpret_cast<const __m128i*>(low_));
        const __m128i high = _mm_load_si128(reinterpret_cast<const __m128i*>(high_));
        const __m128i bitOf = _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
        const __m128i nibble = _mm_set1_epi8(0x0F);
        const __m128i seven = _mm_set1_epi8(7);
        const __m128i zero = _mm_setzero_si128();
        for (; i + 16 <= len; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
            const __m128i lo = _mm_and_si128(v, nibble);
            const __m128i hi = _mm_and_si128(_mm_srli_epi16(v, 4), nibble);
            const __m128i row = _mm_blendv_epi8(_mm_shuffle_epi8(low, lo), _mm_shuffle_epi8(high, lo), _mm_cmpgt_epi8(hi, seven));
            const __m128i miss = _mm_cmpeq_epi8(_mm_and_si128(row, _mm_shuffle_epi8(bitOf, hi)), zero);
            const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(miss)) ^ 0xFFFFu;
            if (bits != 0) return i + std::countr_zero(bits);
        }
    }
    for (; i < len; ++i)
        if (has(src[i])) return i;
    return -1;
}

// ---- literal searches ----

int ownRegExpFindLiteral(const zet8u* src, int len, const zet8u* lit, int litLen, bool caseless) {
    if (litLen < 1 || litLen > len) return -1;
    if (!caseless) return litLen == 1 ? ownFindC(src, len, lit[0]) : ownFind(src, len, lit, litLen);
    const RegExpByteSet first = RegExpByteSet::caselessByte(lit[0]);
    for (int i = 0; i <= len - litLen;) {
        const int j = first.find(src + i, len - litLen + 1 - i);
        if (j < 0) return -1;
        i += j;
        if (equalCaseless(src + i, lit, litLen)) return i;
        ++i;
    }
    return -1;
}

int ownRegExpFindLiteralRev(const zet8u* src, int len, const zet8u* lit, int litLen, bool caseless) {
    if (litLen < 1 || litLen > len) return -1;
    if (!caseless) return litLen == 1 ? ownFindRevC(src, len, lit[0]) : ownFindRev(src, len, lit, litLen);
    for (int i = len - litLen; i >= 0; --i)
        if (equalCaseless(src + i, lit, litLen)) return i;
    return -1;
}

// ---- the prefilter ----

// A program of one alternative that begins with \b and whose first bytes are all word bytes:
// \b holds before such a byte only at the start of a word.
bool wordStartOnly(const RegExpState* state, const RegExpByteSet& first) {
    const RegExpNode* nodes = ownRegExpNodes(state);
    const int count = state->nodeCount;
    if (count < 2 || nodes[0].type != RegExpOpAssert || nodes[0].arg1 != 'b' || ownRegExpIsRepeat(nodes[1].type)) return false;
    for (int i = 1; i < count; ++i)
        if (nodes[i].type == RegExpOpAlt && nodes[i].arg1 == 0) return false;
    for (int b = 0; b < 256; ++b)
        if (first.has(static_cast<zet8u>(b)) && !isWordByte(static_cast<zet32u>(b))) return false;
    return true;
}

// The run literal: a program of one alternative that begins, after zero-width assertions, with
// a repeat of a single-character item C and then a literal L. A match from p takes characters of
// C from p up to where L begins, at least `min` of them: so no byte that C cannot take lies
// between p and L's occurrence. With L's first occurrence at or after p + min at a, a byte at q
// in [p, a) that C does not take rules out every start in [p, q]. Only ASCII bytes are judged
// (a longer character counts as taken). The literal's node, or -1.
int runLiteral(const RegExpState* state, int* item) {
    const RegExpNode* nodes = ownRegExpNodes(state);
    const int count = state->nodeCount;
    for (int i = 0; i < count; ++i)
        if (nodes[i].type == RegExpOpAlt && nodes[i].arg1 == 0) return -1;
    int i = 0;
    while (i < count && nodes[i].type == RegExpOpAssert && repeatNodeAfter(nodes, count, i) == nullptr) ++i;
    if (i >= count) return -1;
    const RegExpNode& n = nodes[i];
    if (n.type != RegExpOpCharType && n.type != RegExpOpClass && n.type != RegExpOpChar) return -1;
    const int last = n.type == RegExpOpClass ? i + n.arg2 : i;
    const int lit = last + 2;
    if (lit >= count || repeatNodeAfter(nodes, count, last) == nullptr) return -1;
    const RegExpNode& l = nodes[lit];
    const bool literal = (l.type == RegExpOpChar && l.arg1 >= 0 && l.arg1 <= 255) || (l.type == RegExpOpString && l.arg2 > 0);
    if (!literal || repeatNodeAfter(nodes, count, lit) != nullptr) return -1;
    *item = i;
    return lit;
}

void RegExpPrefilter::init(const RegExpState* state, const zet8u* subjectStart, const zet8u* subjectEnd) {
    useFirst_ = false;
    wordStart_ = false;
    required_ = nullptr;
    if (state == nullptr) return;
    useFirst_ = FirstBytes(state).run(&first_) && first_.count() < 256;
    if (useFirst_) {
        first_.finish();
        firstHasContinuation_ = false;
        for (int b = 0x80; b < 0xC0; ++b) firstHasContinuation_ = firstHasContinuation_ || first_.has(static_cast<zet8u>(b));
        wordStart_ = wordStartOnly(state, first_);
    }
    subjectStart_ = subjectStart;
    window_ = nullptr;
    int node = -1;
    long long lo = 0, hi = 0;
    if (LiteralWindow(state).run(&node, &lo, &hi) && hi < (1 << 30)) {
        const RegExpNode& n = ownRegExpNodes(state)[node];
        windowByte_ = static_cast<zet8u>(n.arg1);
        window_ = n.type == RegExpOpString ? ownRegExpStringBytes(state, n) : &windowByte_;
        windowLen_ = n.type == RegExpOpString ? n.arg2 : 1;
        windowLo_ = static_cast<int>(lo);
        windowHi_ = static_cast<int>(hi);
        windowCaseless_ = (reachableOptions(state) & kCaseless) != 0;
        windowFrom_ = windowAt_ = nullptr;
    }
    run_ = nullptr;
    int item = -1;
    if (const int lit = runLiteral(state, &item); lit >= 0) {
        const RegExpNode* nodes = ownRegExpNodes(state);
        const RegExpNode& n = nodes[lit];
        runByte_ = static_cast<zet8u>(n.arg1);
        run_ = n.type == RegExpOpString ? ownRegExpStringBytes(state, n) : &runByte_;
        runLen_ = n.type == RegExpOpString ? n.arg2 : 1;
        runMin_ = nodes[lit - 1].arg1;
        runCaseless_ = (reachableOptions(state) & kCaseless) != 0;
        runStops_[0] = runStops_[1] = 0;
        for (int b = 0; b < 0x80; ++b)
            if (!itemTakesByte(nodes, item, static_cast<zet8u>(b), state->options)) runStops_[b >> 6] |= std::uint64_t{1} << (b & 63);
        runFrom_ = runAt_ = runClearFrom_ = runClearTo_ = nullptr;
    }
    if (const int lit = requiredLiteral(state); lit >= 0) {
        const RegExpNode& n = ownRegExpNodes(state)[lit];
        requiredByte_ = static_cast<zet8u>(n.arg1);
        required_ = n.type == RegExpOpString ? ownRegExpStringBytes(state, n) : &requiredByte_;
        requiredLen_ = n.type == RegExpOpString ? n.arg2 : 1;
        // Searched without regard to case wherever i may be in force: a superset of the places.
        requiredCaseless_ = (reachableOptions(state) & kCaseless) != 0;
    }
    subjectEnd_ = subjectEnd;
    requiredFrom_ = requiredAt_ = nullptr;
}

// The first position from p on whose byte is in the first-byte set and that may start a match,
// or null; `from` is where the caller's scan began.
const zet8u* RegExpPrefilter::firstFrom(const zet8u* p, const zet8u* from, const zet8u* end, int format) const {
    for (;;) {
        const int j = first_.find(p, static_cast<int>(end - p));
        if (j < 0) return nullptr;  // every match takes a byte of the set
        p += j;
        if (wordStart_ && p != subjectStart_ && isWordByte(p[-1])) {
            // Inside a word \b cannot hold before a word byte: on to the end of the word.
            while (p < end && isWordByte(*p)) ++p;
            continue;
        }
        // With format 1 a continuation byte is a start position only outside any character.
        if (format != 1 || !firstHasContinuation_ || !isContinuation(*p) || !insideCharacter(from, p, end)) return p;
        ++p;
    }
}

// p when a match from p could hold the window's literal; else the first later start that could
// (on a character start with format 1), or null when none can.
const zet8u* RegExpPrefilter::windowStart(const zet8u* p, const zet8u* from, const zet8u* end, int format) {
    if (end - p < static_cast<long long>(windowLo_) + windowLen_) return nullptr;
    const zet8u* lo = p + windowLo_;
    // The first occurrence at or after lo, searched again only when the cached one does not answer.
    if (windowFrom_ == nullptr || windowFrom_ > lo || (windowAt_ != nullptr && windowAt_ < lo)) {
        windowFrom_ = lo;
        const int at = ownRegExpFindLiteral(lo, static_cast<int>(subjectEnd_ - lo), window_, windowLen_, windowCaseless_);
        windowAt_ = at < 0 ? nullptr : lo + at;
    }
    if (windowAt_ == nullptr || end - windowAt_ < windowLen_) return nullptr;
    if (windowAt_ - p <= windowHi_) return p;
    p = windowAt_ - windowHi_;
    if (format == 1)
        while (p < end && isContinuation(*p) && insideCharacter(from, p, end)) ++p;
    return p;
}

// p when the run literal allows a match from p; else the start after the byte that ends the
// run too early, or null when no match can start at p or later.
const zet8u* RegExpPrefilter::runStart(const zet8u* p, const zet8u* end) {
    if (end - p < static_cast<long long>(runMin_) + runLen_) return nullptr;
    const zet8u* lo = p + runMin_;
    if (runFrom_ == nullptr || runFrom_ > lo || (runAt_ != nullptr && runAt_ < lo)) {
        runFrom_ = lo;
        const int at = ownRegExpFindLiteral(lo, static_cast<int>(subjectEnd_ - lo), run_, runLen_, runCaseless_);
        runAt_ = at < 0 ? nullptr : lo + at;
    }
    if (runAt_ == nullptr || end - runAt_ < runLen_) return nullptr;
    // The last stop byte before the literal rules out every start up to it; it is looked for
    // back from the literal, down to p or to the end of [runClearFrom_, runClearTo_), a stretch
    // known to hold none (so that a long run is looked at once, not once per start in it).
    const bool known = runClearFrom_ != nullptr && runClearFrom_ <= p && p <= runClearTo_;
    const zet8u* lowest = known ? runClearTo_ : p;
    const zet8u* q = runAt_;
    while (q > lowest && (q[-1] >= 0x80 || (runStops_[q[-1] >> 6] >> (q[-1] & 63) & 1) == 0)) --q;
    if (q > lowest) return q;  // after an ASCII byte: a character start
    if (!known) runClearFrom_ = p;
    runClearTo_ = runAt_;
    return p;
}

bool RegExpPrefilter::next(const zet8u** pos, const zet8u* end, int format) {
    const zet8u* p = *pos;
    for (;;) {
        if (useFirst_ && (p = firstFrom(p, *pos, end, format)) == nullptr) return false;
        const zet8u* q = p;
        if (window_ != nullptr && (q = windowStart(p, *pos, end, format)) == nullptr) return false;
        if (q == p && run_ != nullptr && (q = runStart(p, end)) == nullptr) return false;
        if (q == p) break;
        p = q;  // too far from a literal's next occurrence: the first byte again from there
    }
    if (required_ != nullptr) {
        const bool cached = requiredFrom_ != nullptr && requiredFrom_ <= p && (requiredAt_ == nullptr || requiredAt_ >= p);
        if (!cached) {
            requiredFrom_ = p;
            const int at = ownRegExpFindLiteral(p, static_cast<int>(subjectEnd_ - p), required_, requiredLen_, requiredCaseless_);
            requiredAt_ = at < 0 ? nullptr : p + at;
        }
        if (requiredAt_ == nullptr || end - requiredAt_ < requiredLen_) return false;
    }
    *pos = p;
    return true;
}

}  // namespace zet::rx
