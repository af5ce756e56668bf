// Listing of a compiled program, for the tests and the command-line tool.
#include "regexp/explain.h"

#include <cstdarg>
#include <cstdio>

#include "regexp/chars.h"

namespace zet::rx {

namespace {

// Appends formatted text to a caller buffer, keeping the length the whole text needs.
class Out {
public:
    Out(char* buf, int cap) : buf_(buf), cap_(cap > 0 ? cap : 0) {
        if (cap_ > 0) buf_[0] = 0;
    }

    __attribute__((format(printf, 2, 3))) void put(const char* fmt, ...) {
        const int room = len_ < cap_ ? cap_ - len_ : 0;
        va_list ap;
        va_start(ap, fmt);
        const int n = std::vsnprintf(room > 0 ? buf_ + len_ : nullptr, static_cast<std::size_t>(room), fmt, ap);
        va_end(ap);
        if (n > 0) len_ += n;
    }

    int length() const { return len_; }

private:
    char* buf_;
    int cap_;
    int len_ = 0;
};

const char* const kTypeNames[] = {
    "Char",      "String",       "BackRef",       "Class",       "CharType",   "Assert",     "Alt",
    "Range",     "RepeatLazy",   "Repeat",        "LookBehind",  "NotLookBehind", "LookAhead", "NotLookAhead",
    "OptionGroup", "Cond",       "Capture",       "Group",       "Atomic",     "Close",      "SetOptions",
    "AnyByte",   "WideChar",     "Category",      "CodeRange",   "Script",     "ExtChar",
};
static_assert(sizeof(kTypeNames) / sizeof(kTypeNames[0]) == RegExpOpExtChar - RegExpOpChar + 1);

// Option bits as letters in alphabetical order, "-" for none.
void putOptions(Out& out, zet32u options) {
    static const struct {
        char letter;
        zet32u bit;
    } kLetters[] = {{'g', zetRegExpOptionGlobal},
                    {'i', zetRegExpOptionCaseless},
                    {'m', zetRegExpOptionMultiline},
                    {'s', zetRegExpOptionDotAll},
                    {'x', zetRegExpOptionExtended}};
    if ((options & 31u) == 0) out.put("-");
    for (const auto& l : kLetters)
        if (options & l.bit) out.put("%c", l.letter);
}

// A character value: 'a' when printable, else hexadecimal (negative values in decimal).
void putChar(Out& out, zet32s v) {
    if (v >= 0x20 && v <= 0x7e && v != '\'' && v != '\\') out.put("'%c'", v);
    else if (v == '\'' || v == '\\') out.put("'\\%c'", v);
    else if (v < 0) out.put("%d", v);
    else out.put("0x%02x", static_cast<unsigned>(v));
}

void putCodePoint(Out& out, zet32s v) { out.put("U+%04X", static_cast<unsigned>(v)); }

// The arg3 of literals and class members: the options of the required literal, or a negation.
void putMark(Out& out, zet32s arg3) {
    if (arg3 == -1) out.put(" neg");
    else if (arg3 != 0) out.put(" opts="), putOptions(out, static_cast<zet32u>(arg3));
}

void putNode(Out& out, const RegExpState* s, int index) {
    const RegExpNode& n = ownRegExpNodes(s)[index];
    out.put("%d ", index);
    if (n.type < RegExpOpChar || n.type > RegExpOpExtChar) {
        out.put("?0x%08x", n.type);
        return;
    }
    out.put("%s", kTypeNames[n.type - RegExpOpChar]);
    const auto group = [&] { out.put(" link=%d body=%d", n.arg1, n.arg2); };
    switch (n.type) {
        case RegExpOpChar:
            out.put(" "), putChar(out, n.arg1), putMark(out, n.arg3);
            break;
        case RegExpOpString: {
            const zet8u* text = ownRegExpStringBytes(s, n);
            out.put(" \"");
            for (int i = 0; i < n.arg2; ++i) {
                const zet8u c = text[i];
                if (c == '"' || c == '\\') out.put("\\%c", c);
                else if (c >= 0x20 && c <= 0x7e) out.put("%c", c);
                else out.put("\\x%02x", c);
            }
            out.put("\"");
            putMark(out, n.arg3);
            break;
        }
        case RegExpOpBackRef: out.put(" group=%d", n.arg1); break;
        case RegExpOpClass: out.put(" members=%d%s", n.arg2, n.arg1 == -1 ? " neg" : ""); break;
        case RegExpOpCharType:
            out.put(" %c", static_cast<char>(n.arg1)), putMark(out, n.arg3);
            break;
        case RegExpOpAssert:
            if (n.arg1 == 128) out.put(" line-start");
            else out.put(" %c", static_cast<char>(n.arg1));
            break;
        case RegExpOpAlt: out.put(" link=%d opts=", n.arg1), putOptions(out, static_cast<zet32u>(n.arg2)); break;
        case RegExpOpRange:
            out.put(" "), putChar(out, n.arg1), out.put("-"), putChar(out, n.arg2), putMark(out, n.arg3);
            break;
        case RegExpOpRepeatLazy:
        case RegExpOpRepeat:
            if (n.arg2 == kRegExpUnbounded) out.put(" {%d,inf}", n.arg1);
            else out.put(" {%d,%d}", n.arg1, n.arg2);
            break;
        case RegExpOpLookBehind:
        case RegExpOpNotLookBehind: group(), out.put(" width=%d", n.arg3); break;
        case RegExpOpOptionGroup: group(), out.put(" opts="), putOptions(out, static_cast<zet32u>(n.arg3)); break;
        case RegExpOpCapture: group(), out.put(" capture=%d", n.arg3); break;
        case RegExpOpLookAhead:
        case RegExpOpNotLookAhead:
        case RegExpOpCond:
        case RegExpOpGroup:
        case RegExpOpAtomic: group(); break;
        case RegExpOpClose:
            out.put(" link=%d opts=", n.arg1), putOptions(out, static_cast<zet32u>(n.arg2));
            if (n.arg3 != 0) out.put(" simple=%d", n.arg3);
            break;
        case RegExpOpSetOptions: out.put(" opts="), putOptions(out, static_cast<zet32u>(n.arg1)); break;
        case RegExpOpWideChar: out.put(" "), putCodePoint(out, n.arg1); break;
        case RegExpOpCategory: {
            const char* name = ownRegExpCategoryName(n.arg1);
            if (name != nullptr) out.put(" %s", name);
            else out.put(" mask=0x%x", static_cast<unsigned>(n.arg1));
            if (n.arg2 == -1) out.put(" neg");
            break;
        }
        case RegExpOpCodeRange:
            out.put(" "), putCodePoint(out, n.arg1), out.put("-"), putCodePoint(out, n.arg2), putMark(out, n.arg3);
            break;
        case RegExpOpScript: {
            const char* name = ownRegExpScriptName(n.arg4);
            if (name != nullptr) out.put(" %s", name);
            else out.put(" #%u", n.arg4);
            out.put(" pairs=%d%s", n.arg3, n.arg2 == -1 ? " neg" : "");
            break;
        }
        default: break;  // AnyByte, ExtChar: no operands
    }
}

}  // namespace

int ownRegExpExplainNode(const RegExpState* state, int index, char* buf, int cap) {
    Out out(buf, cap);
    putNode(out, state, index);
    return out.length();
}

int ownRegExpExplain(const RegExpState* state, char* buf, int cap) {
    Out out(buf, cap);
    out.put("nodes=%d groups=%d required=", state->nodeCount, state->groupCount);
    if (state->requiredLiteral == -1) out.put("none");
    else if (state->requiredLiteral == -2) out.put("alternation");
    else out.put("%d", state->requiredLiteral);
    static const char* const kKinds[] = {"general", "literal-start", "literal-alternation"};
    const zet32s kind = state->patternKind;
    out.put(" kind=%s options=", kind >= 0 && kind <= 2 ? kKinds[kind] : "?");
    putOptions(out, state->options);
    out.put("\n");
    for (int i = 0; i < state->nodeCount; ++i) {
        putNode(out, state, i);
        out.put("\n");
    }
    return out.length();
}

}  // namespace zet::rx
