// Test helpers for compiled regular expressions: compile into a fresh block and list the program,
// and check a program against the layout rules that its readers rely on (used by the unit tests
// and by the fuzzer).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "regexp/compiler.h"
#include "regexp/explain.h"
#include "regexp/program.h"
#include "zetch.h"

namespace regexp_program {

// The listing of a compiled state, one string per line (the header line first).
inline std::vector<std::string> listing(const RegExpState* s) {
    std::string text(static_cast<std::size_t>(zet::rx::ownRegExpExplain(s, nullptr, 0)) + 1, '\0');
    text.resize(static_cast<std::size_t>(zet::rx::ownRegExpExplain(s, text.data(), static_cast<int>(text.size()))));
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t nl = text.find('\n', at);
        lines.push_back(text.substr(at, nl - at));
        at = nl + 1;
    }
    return lines;
}

// A pattern compiled into a block of exactly the reported size, filled with 0xA5 beforehand.
struct Compiled {
    ZetStatus status = zetStatusOk;
    zet32s offset = -1;  // error offset; -1 when not written
    std::vector<std::uint32_t> block;
    const RegExpState* state() const { return reinterpret_cast<const RegExpState*>(block.data()); }
    std::vector<std::string> lines() const { return listing(state()); }
};

inline Compiled compile(const std::string& pattern, const char* options = nullptr) {
    Compiled c;
    zet32s size = 0;
    zetsRegExpGetSize(pattern.c_str(), &size);
    c.block.assign(static_cast<std::size_t>(size) / 4, 0xA5A5A5A5u);
    c.status = zetsRegExpInit(pattern.c_str(), options, reinterpret_cast<RegExpState*>(c.block.data()), &c.offset);
    return c;
}

// Empty when the compiled program of `s` (from a pattern of len bytes) keeps every layout rule;
// otherwise what is broken where.
inline std::string checkProgram(const RegExpState* s, int len) {
    using namespace zet::rx;
    const RegExpNode* n = ownRegExpNodes(s);
    const int count = s->nodeCount;
    char msg[200];
    const auto bad = [&](int i, const char* what) {
        std::snprintf(msg, sizeof msg, "node %d (of %d): %s", i, count, what);
        return std::string(msg);
    };
    const auto isRepeat = [](zet32u t) { return t == RegExpOpRepeat || t == RegExpOpRepeatLazy; };
    const auto isOpener = [](zet32u t) { return t >= RegExpOpLookBehind && t <= RegExpOpAtomic; };
    const auto isLookAround = [](zet32u t) { return t >= RegExpOpLookBehind && t <= RegExpOpNotLookAhead; };
    const auto isLiteral = [&](int i) { return n[i].type == RegExpOpChar || n[i].type == RegExpOpString; };

    if (s->magic != kRegExpMagic || s->format != 1 || s->matchLimit != kRegExpDefaultMatchLimit) return "header";
    if (count < 0 || count > len + 1) return bad(count, "node count above the pattern length plus one");
    if (s->groupCount < 1 || s->groupCount > 1000) return "group count";

    struct Open {
        int index;
        int bars;
    };
    std::vector<Open> open;
    const long long blockEnd = kRegExpFixedSize + static_cast<long long>(kRegExpNodeBytes) * len;
    long long pool = static_cast<long long>(sizeof(RegExpState)) + kRegExpNodeBytes * static_cast<long long>(count);
    bool topBar = false, anyBar = false;
    int requiredDepth = -1;
    zet32u lastClosedType = 0;  // opener type of the group whose close is the previous node
    for (int i = 0; i < count; ++i) {
        const RegExpNode& x = n[i];
        if (i == s->requiredLiteral) requiredDepth = static_cast<int>(open.size());
        const zet32u prev = i > 0 ? n[i - 1].type : 0;
        switch (x.type) {
            case RegExpOpString:
                if (x.arg2 < 2 || x.arg4 != pool) return bad(i, "string length or pool offset");
                pool += x.arg2;
                if (pool > blockEnd) return bad(i, "string pool past the block");
                break;
            case RegExpOpAssert:
                if (x.arg1 == 128 ? i != 0 : std::strchr("^$ABGZbz", x.arg1) == nullptr || x.arg1 == 0)
                    return bad(i, "assertion");
                break;
            case RegExpOpCharType:
                if (x.arg1 == 0 || std::strchr(".dDsSwW", x.arg1) == nullptr) return bad(i, "type letter");
                break;
            case RegExpOpBackRef:
                if (x.arg1 < 1 || (prev != RegExpOpCond && x.arg1 >= s->groupCount)) return bad(i, "group number");
                break;
            case RegExpOpClass: {
                if ((x.arg1 != 0 && x.arg1 != -1) || x.arg2 < 1 || i + x.arg2 >= count) return bad(i, "class header");
                for (int m = i + 1; m <= i + x.arg2; ++m) {
                    const zet32u t = n[m].type;
                    if (t != RegExpOpChar && t != RegExpOpWideChar && t != RegExpOpRange && t != RegExpOpCharType &&
                        t != RegExpOpCategory && t != RegExpOpCodeRange && t != RegExpOpScript)
                        return bad(m, "class member type");
                    if (t == RegExpOpRange && n[m].arg1 > n[m].arg2) return bad(m, "range ends");
                }
                if (x.arg1 == 0 && x.arg2 == 1 && (n[i + 1].type == RegExpOpChar || n[i + 1].type == RegExpOpCharType))
                    return bad(i, "single-member class kept");
                i += x.arg2;
                break;
            }
            case RegExpOpRange: return bad(i, "range outside a class");
            case RegExpOpRepeat:
            case RegExpOpRepeatLazy:
                if (i == 0 || isRepeat(prev) || prev == RegExpOpAlt || isOpener(prev) || prev == RegExpOpSetOptions)
                    return bad(i, "repeat of nothing");
                if (prev == RegExpOpClose && isLookAround(lastClosedType)) return bad(i, "repeated look-around");
                if (x.arg1 < 0 || x.arg1 > x.arg2 || x.arg2 > kRegExpUnbounded) return bad(i, "repeat bounds");
                break;
            case RegExpOpAlt:
                if (open.empty()) {
                    topBar = true;
                    if (x.arg1 != 0) return bad(i, "top-level bar link");
                } else {
                    const RegExpNode& o = n[open.back().index];
                    if (x.arg1 != o.arg1) return bad(i, "bar link");
                    ++open.back().bars;
                }
                anyBar = true;
                break;
            case RegExpOpClose: {
                if (open.empty()) return bad(i, "close without opener");
                const Open g = open.back();
                open.pop_back();
                const RegExpNode& o = n[g.index];
                const bool negative = isLookAround(o.type) || o.type == RegExpOpAtomic;
                if (o.arg1 != x.arg1 || g.index + o.arg2 + 1 != i) return bad(i, "close does not match its opener");
                if (negative ? !(o.arg1 < 0 && o.arg1 > -1000) : !(o.arg1 > 0 && o.arg1 < 1000))
                    return bad(g.index, "link value");
                if (o.type == RegExpOpCapture && (o.arg3 < 1 || o.arg3 >= s->groupCount))
                    return bad(g.index, "capture number");
                if (o.type == RegExpOpCond) {
                    const RegExpNode& c = n[g.index + 1];
                    int after;
                    if (c.type == RegExpOpBackRef) after = g.index + 2;
                    else if (isLookAround(c.type)) after = g.index + c.arg2 + 3;
                    else return bad(g.index, "condition");
                    if (after < i && isRepeat(n[after].type)) return bad(after, "repeat after the condition");
                    if (g.bars > 1) return bad(g.index, "conditional with several bars");
                }
                if (o.type == RegExpOpLookBehind || o.type == RegExpOpNotLookBehind) {
                    for (int b = g.index + 1; b < i; ++b)
                        if (n[b].type == RegExpOpBackRef || (isRepeat(n[b].type) && n[b].arg1 != n[b].arg2))
                            return bad(b, "variable width inside a look-behind");
                    if (o.arg3 != ownRegExpFixedLength(n + g.index + 1, o.arg2))
                        return bad(g.index, "look-behind width");
                }
                lastClosedType = o.type;
                break;
            }
            default:
                if (isOpener(x.type)) open.push_back({i, 0});
                else if (x.type > RegExpOpExtChar || x.type < RegExpOpChar) return bad(i, "node type");
        }
    }
    if (!open.empty()) return bad(open.back().index, "group never closed");

    const zet32s rl = s->requiredLiteral;
    if (topBar ? rl != -2 : rl < -1) return "required literal and top-level bars disagree";
    if (rl >= 0) {
        if (rl >= count || !isLiteral(rl) || requiredDepth != 0)
            return bad(rl, "required literal is no top-level literal");
        if (rl + 2 < count || (rl + 1 < count && !isRepeat(n[rl + 1].type)))
            return bad(rl, "required literal is not last");
    }
    zet32s kind = 0;
    const bool optionalStart = count > 1 && isRepeat(n[1].type) && n[1].arg1 == 0;
    if (count > 0 && rl != -2 && isLiteral(0) && !anyBar && !optionalStart) kind = 1;
    if (kind == 0 && count >= 3 && count % 2 == 1) {
        kind = 2;
        for (int i = 0; i < count; ++i)
            if (i % 2 == 0 ? !isLiteral(i) : n[i].type != RegExpOpAlt) kind = 0;
    }
    if (s->patternKind != kind) return "pattern kind";
    return {};
}

}  // namespace regexp_program
