// Characters beyond single bytes for the regular-expression engine: UTF-8 decoding, case folding,
// category/block/script properties, the \p parser, POSIX classes and the class-member test.
// The choices this file makes are listed at the top of chars.h.
#include "regexp/chars.h"

#include <array>
#include <bit>
#include <cstring>

#include "regexp/unicode_tables.h"

namespace zet::rx {

namespace {

// ---- UTF-8 ------------------------------------------------------------------------------------

// The one decoding rule: the length of the valid sequence at p, of which avail bytes may be read,
// with its value in *cp; 0 when the sequence is invalid or cut short (nothing beyond avail read).
int decodeAt(const zet8u* p, std::ptrdiff_t avail, zet32u* cp) {
    if (avail < 1) return 0;
    const zet32u lead = p[0];
    if (lead < 0x80) {
        *cp = lead;
        return 1;
    }
    // Leading one bits announce the length; one (a continuation byte) or seven and more are no lead.
    const int n = std::countl_one(static_cast<zet8u>(lead));
    if (n == 1 || n > 6 || n > avail) return 0;
    zet32u v = lead & (0x7Fu >> n);
    for (int i = 1; i < n; ++i) {
        const zet32u c = p[i];
        if ((c & 0xC0) != 0x80) return 0;
        v = (v << 6) | (c & 0x3F);
    }
    // The smallest value that needs n bytes; anything below is an overlong form.
    static constexpr zet32u kLeast[7] = {0, 0, 0x80, 0x800, 0x10000, 0x200000, 0x4000000};
    if (v < kLeast[n]) return 0;
    *cp = v;
    return n;
}

bool isAsciiLetter(zet32u b) { return ((b | 0x20) - 'a') < 26; }

// A one-byte character whose byte is 0x80 or above is a stray byte of invalid UTF-8.
bool isInvalid(const RegExpSubjectChar& ch) { return ch.length == 1 && ch.firstByte >= 0x80; }

// ---- Character data ---------------------------------------------------------------------------

const UnicodeCharacter* findRecord(zet32u cp) {
    if (cp < kCharacterDirect) return &kCharacterTable[cp];
    if (cp > kCharacterTable[kCharacterCount - 1].cp) return nullptr;
    // The page index narrows the search to the records of cp's 256-code-point page.
    int lo = kCharacterIndex[cp >> 8];
    int hi = kCharacterIndex[(cp >> 8) + 1];
    while (lo < hi) {
        const int mid = (lo + hi) >> 1;
        if (kCharacterTable[mid].cp < cp)
            lo = mid + 1;
        else
            hi = mid;
    }
    return (lo < kCharacterCount && kCharacterTable[lo].cp == cp) ? &kCharacterTable[lo] : nullptr;
}

constexpr zet32s kMajorBits = ~0x7F;

// Whether category e (a record's or range row's) belongs to category m: same major part, and m is
// a whole major category or shares a minor bit with e (L& shares one with each of Ll, Lu, Lt).
bool categoryContains(zet32s m, zet32s e) {
    if ((e & kMajorBits) != (m & kMajorBits)) return false;
    return (m & 0x7F) == 0 || (m & e & 0x7F) != 0;
}

bool inScript(zet32u cp, zet32u script, zet32s count) {
    if (script >= static_cast<zet32u>(kScriptCount)) return false;
    const UnicodeScript& s = kScripts[script];
    const UnicodePair* pairs = kScriptRanges + s.first;
    // Never look past the script's own pairs, whatever the node claims.
    const int n = count < static_cast<zet32s>(s.count) ? count : static_cast<zet32s>(s.count);
    int lo = 0, hi = n;
    while (lo < hi) {  // the first pair that ends at or after cp
        const int mid = (lo + hi) >> 1;
        if (pairs[mid].last < cp)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo < n && pairs[lo].first <= cp;
}

// ---- Byte classes of the character types ------------------------------------------------------

enum : zet8u { kDigit = 1, kSpace = 2, kWord = 4 };

constexpr std::array<zet8u, 256> kByteClass = [] {
    std::array<zet8u, 256> t{};
    for (int b = '0'; b <= '9'; ++b) t[b] = kDigit | kWord;
    for (int b = 'A'; b <= 'Z'; ++b) t[b] = kWord;
    for (int b = 'a'; b <= 'z'; ++b) t[b] = kWord;
    t['_'] = kWord;
    for (int b : {9, 10, 12, 13, 32}) t[b] = kSpace;
    return t;
}();

// ---- \p{...} names ----------------------------------------------------------------------------

// The category names in the order they are tried for each first letter. A braced name is
// compared together with the '}' after it, so that "Co" does not catch "Common"; the single
// letters come last for the same reason.
struct CategoryName {
    char name[3];
    zet32s mask;
    bool braced;
};
constexpr CategoryName kCategoryNames[] = {
    {"Cc", RegExpCatCc, false}, {"Cf", RegExpCatCf, false}, {"Co", RegExpCatCo, true},  {"Cn", RegExpCatCn, false},
    {"Cs", RegExpCatCs, false}, {"C", RegExpCatC, true},    {"Ll", RegExpCatLl, false}, {"Lu", RegExpCatLu, false},
    {"Lt", RegExpCatLt, false}, {"Lm", RegExpCatLm, false}, {"Lo", RegExpCatLo, false}, {"L&", RegExpCatLAmp, false},
    {"L", RegExpCatL, true},    {"Mn", RegExpCatMn, false}, {"Mc", RegExpCatMc, false}, {"Me", RegExpCatMe, false},
    {"M", RegExpCatM, true},    {"Nd", RegExpCatNd, false}, {"Nl", RegExpCatNl, false}, {"No", RegExpCatNo, false},
    {"N", RegExpCatN, true},    {"Pc", RegExpCatPc, false}, {"Pd", RegExpCatPd, false}, {"Pe", RegExpCatPe, false},
    {"Pf", RegExpCatPf, false}, {"Pi", RegExpCatPi, false}, {"Po", RegExpCatPo, false}, {"Ps", RegExpCatPs, false},
    {"P", RegExpCatP, true},    {"Sc", RegExpCatSc, false}, {"Sk", RegExpCatSk, false}, {"So", RegExpCatSo, false},
    {"Sm", RegExpCatSm, false}, {"S", RegExpCatS, true},    {"Zl", RegExpCatZl, false}, {"Zp", RegExpCatZp, false},
    {"Zs", RegExpCatZs, false}, {"Z", RegExpCatZ, true},
};

// The mask of a major category letter (\pL), or 0.
zet32s majorCategory(zet8u letter) {
    for (const CategoryName& c : kCategoryNames)
        if (static_cast<zet8u>(c.name[0]) == letter && c.name[1] == 0) return c.mask;
    return 0;
}

// The length of the zero-terminated text when the pattern at p begins with it, else -1. Stops at
// the first difference, so nothing after the pattern's terminator is read.
int matchesText(const zet8u* p, const char* text) {
    int i = 0;
    for (; text[i] != 0; ++i)
        if (p[i] != static_cast<zet8u>(text[i])) return -1;
    return i;
}

RegExpNode makeNode(zet32u type, zet32s a1, zet32s a2, zet32s a3, zet32u a4 = 0) { return {type, a1, a2, a3, a4}; }

// A block whose name begins with the text from p up to the next '}' (the first such block in
// table order). On success the node is written and p advanced to the brace.
int ownRegExpParseBlock(const zet8u** p, zet32s negation, RegExpNode* node) {
    const zet8u* name = *p;
    int len = 0;
    while (name[len] != '}') {
        if (name[len] == 0) return -1;
        ++len;
    }
    for (const UnicodeBlock& b : kBlocks) {
        const char* row = kBlockNames + b.name;
        int i = 0;
        while (i < len && row[i] != 0 && static_cast<zet8u>(row[i]) == name[i]) ++i;
        if (i == len) {
            *node = makeNode(RegExpOpCodeRange, static_cast<zet32s>(b.first), static_cast<zet32s>(b.last), negation);
            *p = name + len;
            return 0;
        }
    }
    return -1;
}

// A script whose name, followed by '}', is exactly the text at p. On success the node is written
// and p advanced to the brace.
int ownRegExpParseScript(const zet8u** p, zet32s negation, RegExpNode* node) {
    for (zet32u s = 0; s < static_cast<zet32u>(kScriptCount); ++s) {
        const int len = matchesText(*p, kScriptNames + kScripts[s].name);
        if (len > 0 && (*p)[len] == '}') {
            *node = makeNode(RegExpOpScript, 1, negation, static_cast<zet32s>(kScripts[s].count), s);
            *p += len;
            return 0;
        }
    }
    return -1;
}

// The name of a braced property at p (after '{' and an optional '^'). On success p is left on
// the byte after the name, which the caller requires to be '}'.
int parsePropertyName(const zet8u** p, zet32s negation, RegExpNode* node) {
    const zet8u* name = *p;
    const zet8u first = name[0];
    if (first == 'A') {
        if (matchesText(name, "Any") == 3) {
            *node = makeNode(RegExpOpCodeRange, 0, 0x10FFFF, negation);
            *p = name + 3;
            return 0;
        }
    } else if (first == 'I') {
        if (ownRegExpParseBlock(p, negation, node) == 0) return 0;
    } else {
        for (const CategoryName& c : kCategoryNames) {
            if (static_cast<zet8u>(c.name[0]) != first) continue;
            const int len = matchesText(name, c.name);
            if (len < 0 || (c.braced && name[len] != '}')) continue;
            *node = makeNode(RegExpOpCategory, c.mask, negation, 0);
            *p = name + len;
            return 0;
        }
    }
    return ownRegExpParseScript(p, negation, node);
}

// ---- POSIX classes ----------------------------------------------------------------------------

constexpr zet32s kTop = 0x7FFFFFFF;  // the largest value a subject character decodes to

constexpr RegExpPosixMember range(zet32s a, zet32s b, zet32s negation = 0) { return {RegExpOpRange, a, b, negation}; }
constexpr RegExpPosixMember chr(zet32s c) { return {RegExpOpChar, c, 0, 0}; }
constexpr RegExpPosixMember type(char letter) { return {RegExpOpCharType, letter, 0, 0}; }

// The negated forms of the classes of several members list the gaps between the members. The
// stretch above 255 is a range of its own: a range that ends above 255 is tested by code point,
// and stray bytes of invalid UTF-8 are meant to be judged as bytes, as the plain form judges them.
constexpr RegExpPosixClass kPosixClasses[] = {
    {"alnum", 3, {range('a', 'z'), range('A', 'Z'), range('0', '9')},
     5, {range(0, 47), range(58, 64), range(91, 96), range(123, 255), range(256, kTop)}},
    {"alpha", 2, {range('a', 'z'), range('A', 'Z')},
     4, {range(0, 64), range(91, 96), range(123, 255), range(256, kTop)}},
    {"ascii", 1, {range(0, 127)}, 1, {range(0, 127, -1)}},
    {"blank", 2, {chr(32), chr(9)},
     4, {range(0, 8), range(10, 31), range(33, 255), range(256, kTop)}},
    {"cntrl", 1, {range(0, 31)}, 1, {range(0, 31, -1)}},
    {"digit", 1, {range('0', '9')}, 1, {range('0', '9', -1)}},
    {"graph", 1, {range(33, 255)}, 1, {range(33, 255, -1)}},
    {"lower", 1, {range('a', 'z')}, 1, {range('a', 'z', -1)}},
    {"print", 1, {range(32, 255)}, 1, {range(32, 255, -1)}},
    {"punct", 4, {range(32, 47), range(58, 64), range(91, 96), range(123, 255)},
     5, {range(0, 31), range(48, 57), range(65, 90), range(97, 122), range(256, kTop)}},
    {"space", 2, {range(9, 13), chr(32)},
     4, {range(0, 8), range(14, 31), range(33, 255), range(256, kTop)}},
    {"upper", 1, {range('A', 'Z')}, 1, {range('A', 'Z', -1)}},
    {"word", 1, {type('w')}, 1, {type('W')}},
    {"xdigit", 3, {range('a', 'f'), range('A', 'F'), range('0', '9')},
     5, {range(0, 47), range(58, 64), range(71, 96), range(103, 255), range(256, kTop)}},
};

}  // namespace

// ---- Exported to the compiler and the matcher -------------------------------------------------

int ownRegExpDecodeUtf8(const zet8u* p, const zet8u* end, zet32u* cp) { return decodeAt(p, end - p, cp); }

int ownRegExpUtf8LengthMulti(const zet8u* p, zet32s remaining) {
    zet32u cp;
    const int n = decodeAt(p, remaining, &cp);
    return n > 0 ? n : 1;
}

RegExpSubjectChar ownRegExpReadChar(const zet8u* p, zet32s remaining) {
    RegExpSubjectChar ch{p[0], 1, p[0]};
    const int n = decodeAt(p, remaining, &ch.cp);
    if (n > 0) ch.length = n;
    return ch;
}

zet32u ownRegExpFoldCase(zet32u cp) {
    if (cp < 0x80) return (cp - 'A') < 26 ? cp + 0x20 : cp;
    const UnicodeCharacter* r = findRecord(cp);
    return (r != nullptr && r->lower != 0) ? r->lower : cp;
}

zet32s ownRegExpCategoryOf(zet32u cp) {
    if (cp >= kCharacterRanges[0].first) {
        for (const UnicodeRange& r : kCharacterRanges)
            if (cp >= r.first && cp <= r.last) return static_cast<zet32s>(r.category);
    }
    const UnicodeCharacter* r = findRecord(cp);
    return r != nullptr ? static_cast<zet32s>(r->category) : 0;
}

bool ownRegExpPropertyTest(zet32u cp, const RegExpNode& node) {
    switch (node.type) {
        case RegExpOpCodeRange:
            return (static_cast<zet32u>(node.arg1) <= cp && cp <= static_cast<zet32u>(node.arg2)) != (node.arg3 < 0);
        case RegExpOpScript:
            return inScript(cp, node.arg4, node.arg3) != (node.arg2 < 0);
        case RegExpOpCategory: {
            const zet32s e = ownRegExpCategoryOf(cp);
            return categoryContains(node.arg1, e != 0 ? e : RegExpCatCn) != (node.arg2 < 0);
        }
        default:
            return false;
    }
}

bool ownRegExpCharTypeTest(zet32s letter, zet8u b, zet32u options) {
    const zet8u c = kByteClass[b];
    switch (letter) {
        case '.': return b != 10 || (options & zetRegExpOptionDotAll) != 0;
        case 'd': return (c & kDigit) != 0;
        case 'D': return (c & kDigit) == 0;
        case 's': return (c & kSpace) != 0;
        case 'S': return (c & kSpace) == 0;
        case 'w': return (c & kWord) != 0;
        case 'W': return (c & kWord) == 0;
        default: return false;
    }
}

bool ownRegExpClassMemberTest(const RegExpSubjectChar& ch, const RegExpNode& member, zet32u options) {
    const bool caseless = (options & zetRegExpOptionCaseless) != 0;
    const zet32u b = ch.firstByte;
    bool in;
    switch (member.type) {
        case RegExpOpChar:
            in = static_cast<zet32s>(b) == member.arg1 ||
                 (caseless && isAsciiLetter(b) && static_cast<zet32s>(b ^ 0x20) == member.arg1);
            break;
        case RegExpOpCharType:
            in = ownRegExpCharTypeTest(member.arg1, ch.firstByte, options);
            break;
        case RegExpOpRange: {
            zet32u lo = static_cast<zet32u>(member.arg1), hi = static_cast<zet32u>(member.arg2);
            if (lo < 256 && hi <= 255 && ch.length == 1) {
                // A byte range on a one-byte character: no decoding, no table.
                in = (lo <= b && b <= hi) || (caseless && isAsciiLetter(b) && lo <= (b ^ 0x20) && (b ^ 0x20) <= hi);
            } else if (isInvalid(ch)) {
                in = false;
            } else {
                zet32u cp = ch.cp;
                if (caseless) {
                    cp = ownRegExpFoldCase(cp);
                    lo = ownRegExpFoldCase(lo);
                    hi = ownRegExpFoldCase(hi);
                }
                in = lo <= cp && cp <= hi;
            }
            break;
        }
        case RegExpOpWideChar: {
            const zet32u want = static_cast<zet32u>(member.arg1);
            in = !isInvalid(ch) &&
                 (ch.cp == want || (caseless && ownRegExpFoldCase(ch.cp) == ownRegExpFoldCase(want)));
            break;
        }
        case RegExpOpCategory:
        case RegExpOpCodeRange:
        case RegExpOpScript:
            return ownRegExpPropertyTest(ch.cp, member);
        default:
            return false;
    }
    return in != (member.arg3 < 0);
}

int ownRegExpParseProperty(const zet8u** cursor, zet32s negated, RegExpNode* node) {
    const zet8u* p = *cursor;
    if (p[0] != '{') {
        const zet32s mask = majorCategory(p[0]);
        if (mask == 0) return -1;
        *node = makeNode(RegExpOpCategory, mask, negated, 0);
        *cursor = p + 1;
        return 0;
    }
    ++p;
    zet32s negation = negated;
    if (*p == '^') {
        if (negated != 0) {  // \P{^...} would negate twice
            *cursor = p;
            return -1;
        }
        negation = -1;
        ++p;
    }
    const zet8u* name = p;
    if (parsePropertyName(&p, negation, node) != 0) {
        *cursor = name;
        return -1;
    }
    if (*p != '}') {
        *cursor = p;
        return -1;
    }
    *cursor = p + 1;
    return 0;
}

const RegExpPosixClass* ownRegExpFindPosixClass(const zet8u* name, int len) {
    for (const RegExpPosixClass& c : kPosixClasses)
        if (std::strlen(c.name) == static_cast<std::size_t>(len) && std::memcmp(c.name, name, len) == 0) return &c;
    return nullptr;
}

const char* ownRegExpScriptName(zet32u script) {
    return script < static_cast<zet32u>(kScriptCount) ? kScriptNames + kScripts[script].name : nullptr;
}

const char* ownRegExpCategoryName(zet32s mask) {
    for (const CategoryName& c : kCategoryNames)
        if (c.mask == mask) return c.name;
    return nullptr;
}

}  // namespace zet::rx
