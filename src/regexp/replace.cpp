// Regular-expression replacement: the template parser and the replacement, which writes the
// source to the destination with the first match (or, with the g option, every match) replaced
// by the expanded template, and reports how far it got so that a caller with a small destination
// can go on where it stopped. Tested by tests/regexp/replace_test.cpp.
//
// Template rules: `$&` is the whole match, `$` and one or more digits is that group (all digits are
// taken; $0 is refused), a backslash is dropped and makes the next byte be read by these same
// rules, every other byte is literal text.
//
// Choices where the rules leave room:
// - A group number too large for a signed 32-bit value is kept as the largest such value: like any
//   number past the pattern's groups (no pattern has more than 999) it inserts nothing, so a
//   template does not turn into an error at some arbitrary number of digits.
// - A template whose block size would not fit in a signed 32-bit size (over 178 million bytes) is
//   refused with zetStatusBadLength by both the size and the parse function, as patterns are.
// - A bad reference leaves the replacement state untouched: the template is checked whole before
//   anything is written.
// - A search that fails (a state without its mark) leaves no usable records: the destination is
//   left alone and both lengths become 0, with the search's status. The record count is checked
//   before the search as one of the argument checks, so zetStatusBadSize writes nothing at all.
// - With g, when the record array ends inside the records of a match, that match is not replaced:
//   the call ends at its start (after the gap before it, when that fits), as when its expansion
//   does not fit, so no reference reads a record that was not stored and the output stays what a
//   larger array would give; the caller goes on from there.
#include "regexp/replace.h"

#include <algorithm>
#include <climits>

#include "core/common.h"
#include "core/layout.h"
#include "core/memory.h"
#include "regexp/program.h"
#include "regexp/search.h"
#include "zetch.h"

namespace zet::rx {

namespace {

// Block size for a template of len bytes, or -1 when it does not fit in a signed 32-bit size.
int replaceStateSize(int len) {
    const long long size = static_cast<long long>(sizeof(RegExpReplaceItem)) * len + sizeof(RegExpReplaceState);
    return size > INT_MAX ? -1 : static_cast<int>(size);
}

bool isDigit(zet8u c) { return c >= '0' && c <= '9'; }

// Parses the template into items (only counts them when `items` is null). Returns the number of
// items, or -1 for a bad reference. Each item takes at least one template byte, so a block of
// the template's size always has room.
int parseTemplate(const zet8u* t, RegExpReplaceItem* items) {
    int count = 0;
    int i = 0, run = 0;  // run: first byte of the current literal run
    const auto emit = [&](RegExpReplaceItem item) {
        if (items != nullptr) items[count] = item;
        ++count;
    };
    const auto endRun = [&] {
        if (i > run) emit({RegExpReplaceLiteral, i - run, static_cast<zet32u>(run)});
    };
    while (t[i] != 0) {
        if (t[i] == '\\') {
            endRun();
            run = ++i;
            continue;
        }
        if (t[i] != '$') {
            ++i;
            continue;
        }
        endRun();
        zet32s group = 0;
        if (t[i + 1] == '&') {
            i += 2;
        } else if (isDigit(t[i + 1])) {
            long long value = 0;
            for (++i; isDigit(t[i]); ++i) value = std::min<long long>(value * 10 + (t[i] - '0'), INT_MAX);
            if (value == 0) return -1;
            group = static_cast<zet32s>(value);
        } else {
            return -1;
        }
        emit({RegExpReplaceGroup, group, 0});
        run = i;
    }
    endRun();
    return count;
}

}  // namespace

}  // namespace zet::rx

using namespace zet;
using namespace zet::rx;

ZetStatus zetsRegExpReplaceGetSize(const char* pTemplate, zet32s* pSize) {
    if (pSize == nullptr) return zetStatusNullPointer;
    const int len = pTemplate == nullptr ? 0 : ownLengthZ(reinterpret_cast<const zet8u*>(pTemplate));
    const int size = replaceStateSize(len);
    if (size < 0) return zetStatusBadLength;
    *pSize = size;
    return zetStatusOk;
}

ZetStatus zetsRegExpReplaceInit(const char* pTemplate, RegExpReplaceState* pReplaceState) {
    if (pReplaceState == nullptr) return zetStatusNullPointer;
    const auto* t = reinterpret_cast<const zet8u*>(pTemplate);
    if (t != nullptr) {
        if (replaceStateSize(ownLengthZ(t)) < 0) return zetStatusBadLength;
        if (parseTemplate(t, nullptr) < 0) return zetStatusRegExpBadReference;
    }
    const std::uint64_t address = reinterpret_cast<std::uintptr_t>(t);
    pReplaceState->templateLow = static_cast<zet32u>(address);
    pReplaceState->templateHigh = static_cast<zet32u>(address >> 32);
    pReplaceState->itemCount = t == nullptr ? 0 : parseTemplate(t, ownRegExpReplaceItems(pReplaceState));
    return zetStatusOk;
}

ZetStatus zetsRegExpReplace_8u(const zet8u* pSrc, zet32s* pSrcLen, zet8u* pDst, zet32s* pDstLen, RegExpMatchRecord* pMatch,
                               zet32s* pNumMatch, RegExpState* pRegExpState, RegExpReplaceState* pReplaceState) {
    if (anyNull(pSrc, pSrcLen, pRegExpState, pDst, pReplaceState, pDstLen, pNumMatch, pMatch)) return zetStatusNullPointer;
    if (*pSrcLen <= 0 || *pDstLen <= 0 || *pNumMatch < 1) return zetStatusBadSize;

    const zet32s srcLen = *pSrcLen;
    const zet32s capacity = *pDstLen;
    const bool global = (pRegExpState->options & zetRegExpOptionGlobal) != 0;
    const ZetStatus status = ownRegExpSearch(pSrc, srcLen, pRegExpState, pMatch, pNumMatch, global ? 1 : 0);
    if (status < 0) {
        *pSrcLen = 0;
        *pDstLen = 0;
        return status;
    }
    const zet32s stored = *pNumMatch;
    if (stored <= 0) {
        const zet32s n = std::min(srcLen, capacity);
        ownCopy(pSrc, pDst, n);
        *pSrcLen = n;
        *pDstLen = n;
        return status;
    }

    // Records per match as the search stored them, and the numbers a reference may use.
    const int groupCount = std::clamp(pRegExpState->groupCount, 1, kRegExpMaxGroups);
    const int perMatch = global ? groupCount : stored;
    const RegExpReplaceItem* const items = ownRegExpReplaceItems(pReplaceState);
    const int itemCount = std::max(pReplaceState->itemCount, 0);
    const zet8u* const text = ownRegExpReplaceTemplate(pReplaceState);
    const zet8u* const end = pSrc + srcLen;

    // Every piece is written only when it leaves at least one byte of room (length < room).
    zet32s room = capacity;
    zet8u* out = pDst;
    const zet8u* cur = pSrc;
    const auto finish = [&](const zet8u* resume) {
        *pSrcLen = static_cast<zet32s>(resume - pSrc);
        *pDstLen = capacity - room;
        return status;
    };
    for (int i = 0; i < stored; i += perMatch) {
        const RegExpMatchRecord whole = pMatch[i];
        if (whole.pStr == nullptr || whole.pStr < cur || whole.len < 0 || whole.len > end - whole.pStr) return finish(cur);
        const zet32s gap = static_cast<zet32s>(whole.pStr - cur);
        if (gap > 0) {
            if (gap >= room) return finish(cur);
            ownCopy(cur, out, gap);
            out += gap;
            room -= gap;
        }
        // A match whose records were cut off by the array's end is left to the next call.
        if (stored - i < perMatch) return finish(whole.pStr);
        zet32s t = 0;  // bytes of this expansion so far; counted only once it is complete
        for (int k = 0; k < itemCount; ++k) {
            const RegExpReplaceItem& item = items[k];
            const zet8u* piece;
            zet32s len;
            if (item.code == RegExpReplaceLiteral) {
                piece = text + item.offset;
                len = item.arg;
            } else {
                if (item.arg < 0 || item.arg >= perMatch) continue;
                const RegExpMatchRecord& group = pMatch[i + item.arg];
                if (group.pStr == nullptr || group.len < 0) continue;
                piece = group.pStr;
                len = group.len;
            }
            if (len >= room - t) return finish(whole.pStr);
            ownCopy(piece, out + t, len);
            t += len;
        }
        out += t;
        room -= t;
        cur = whole.pStr + whole.len;
    }
    const zet32s tail = static_cast<zet32s>(end - cur);
    if (tail >= room) return finish(cur);
    ownCopy(cur, out, tail);
    room -= tail;
    return finish(end);
}
