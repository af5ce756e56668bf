// Compiled regular expressions for the tests and the fuzzer: compile into a fresh block, dump the
// program, and check it against the layout rules its readers rely on.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "regexp/compiler.h"
#include "regexp/explain.h"
#include "regexp/program.h"
#include "zetch.h"

namespace regexp_program {

inline std::string dump(const RegExpState* s) {
    std::string text(static_cast<std::size_t>(zet::rx::ownRegExpExplain(s, nullptr, 0)) + 1, '\0');
    text.resize(static_cast<std::size_t>(zet::rx::ownRegExpExplain(s, text.data(), static_cast<int>(text.size()))));
    return text;
}

inline std::vector<std::string> listing(const RegExpState* s) {
    std::istringstream text(dump(s));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

// A pattern compiled into a block of exactly the reported size, filled with 0xA5 beforehand.
struct Compiled {
    ZetStatus status = zetStatusOk;
    zet32s offset = -1;
    std::vector<std::uint32_t> block;
    const RegExpState* state() const { return reinterpret_cast<const RegExpState*>(block.data()); }
    std::string dump() const { return regexp_program::dump(state()); }
};

inline Compiled compile(const std::string& pattern, const char* options = nullptr) {
    Compiled c;
    zet32s size = 0;
    zetsRegExpGetSize(pattern.c_str(), &size);
    c.block.assign(static_cast<std::size_t>(size) / 4, 0xA5A5A5A5u);
    c.status = zetsRegExpInit(pattern.c_str(), options, reinterpret_cast<RegExpState*>(c.block.data()), &c.offset);
    return c;
}

// Empty when the program of `s` (from a pattern of len bytes) keeps the layout rules its readers
// rely on; otherwise where it breaks them.
inline std::string checkProgram(const RegExpState* s, int len) {
    using namespace zet::rx;
    const RegExpNode* n = ownRegExpNodes(s);
    const int count = s->nodeCount;
    if (s->magic != kRegExpMagic || s->format != 1 || s->matchLimit != kRegExpDefaultMatchLimit || count < 0 ||
        count > len + 1 || s->groupCount < 1 || s->groupCount > 1000 || s->requiredLiteral < -2 ||
        s->requiredLiteral >= count || s->patternKind < 0 || s->patternKind > 2)
        return "header";
    std::vector<int> open;
    long long pool = static_cast<long long>(sizeof(RegExpState)) + kRegExpNodeBytes * static_cast<long long>(count);
    for (int i = 0; i < count; ++i) {
        const RegExpNode& x = n[i];
        const zet32u t = x.type, prev = i > 0 ? n[i - 1].type : 0;
        const bool opener = prev >= RegExpOpLookBehind && prev <= RegExpOpAtomic;
        const bool ok =
            t == RegExpOpString    ? x.arg2 >= 2 && x.arg4 == pool && (pool += x.arg2) <= kRegExpFixedSize + 20LL * len
            : t == RegExpOpBackRef ? x.arg1 >= 1 && (prev == RegExpOpCond || x.arg1 < s->groupCount)
            : t == RegExpOpClass   ? (x.arg1 == 0 || x.arg1 == -1) && x.arg2 >= 1 && i + x.arg2 < count
            : (t & ~1u) == RegExpOpRepeatLazy
                ? i > 0 && (prev & ~1u) != RegExpOpRepeatLazy && prev != RegExpOpAlt && prev != RegExpOpSetOptions &&
                      !opener && 0 <= x.arg1 && x.arg1 <= x.arg2 && x.arg2 <= kRegExpUnbounded
            : t == RegExpOpAlt   ? x.arg1 == (open.empty() ? 0 : n[open.back()].arg1)
            : t == RegExpOpClose ? !open.empty() && n[open.back()].arg1 == x.arg1 && open.back() + n[open.back()].arg2 + 1 == i
                                 : t >= RegExpOpChar && t <= RegExpOpExtChar && t != RegExpOpRange;
        if (!ok) return "node " + std::to_string(i);
        if (t == RegExpOpClass) {
            for (const int end = i + x.arg2; i < end;) {
                const RegExpNode& m = n[++i];
                if (m.type == RegExpOpRange ? m.arg1 > m.arg2 : m.type != RegExpOpChar && m.type != RegExpOpCharType &&
                                                                    (m.type < RegExpOpWideChar || m.type > RegExpOpScript))
                    return "class member " + std::to_string(i);
            }
        } else if (t >= RegExpOpLookBehind && t <= RegExpOpAtomic) {
            open.push_back(i);
        } else if (t == RegExpOpClose) {
            const RegExpNode& o = n[open.back()];
            if (o.arg1 == 0 || o.arg1 <= -1000 || o.arg1 >= 1000 ||
                (o.type == RegExpOpCapture && (o.arg3 < 1 || o.arg3 >= s->groupCount)) ||
                ((o.type & ~1u) == RegExpOpLookBehind && o.arg3 != ownRegExpFixedLength(&o + 1, o.arg2)))
                return "group " + std::to_string(open.back());
            open.pop_back();
        }
    }
    return open.empty() ? "" : "group never closed";
}

}  // namespace regexp_program
