// libFuzzer target: a template and a pattern from the input replace in a source against unreadable
// pages, with the destination capacity and record count from its first bytes. Checked: a refused
// template (-185) writes nothing; the status is 0 or 12 (-6 writing nothing for an empty source);
// lengths stay in bounds; without a match both are min(source, capacity) over a copy, with one a
// byte of room is left; nothing is written outside the destination; a small destination writes a
// start of what a large one writes; with g, no look-behind or empty match, resumed calls give the
// large call's output.
// Input: [options][capacity][records][format][pattern bytes][0][template bytes][0][source bytes].
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "regexp/program.h"
#include "support/guarded.h"
#include "zetch.h"

namespace {

constexpr std::size_t kMaxSource = 1 << 13;
constexpr std::size_t kMaxTemplate = 1 << 10;
constexpr int kLargeCapacity = 1 << 20;
constexpr int kResumedCalls = 32;

[[noreturn]] void failWith(const char* what, const std::string& pattern, const std::string& opts, const std::string& tmpl) {
    std::fprintf(stderr, "regexp replace fuzz: %s\npattern /", what);
    for (char c : pattern + "/" + opts + "\ntemplate " + tmpl)
        std::fprintf(stderr, c < ' ' || c > '~' ? "\\x%02x" : "%c", static_cast<unsigned char>(c));
    std::fprintf(stderr, "\n");
    std::abort();
}

struct Result {
    ZetStatus status;
    zet32s consumed, written, stored;
    std::vector<RegExpMatchRecord> records;
};

Result replace(const zet8u* src, int len, zet8u* dst, int capacity, int records, RegExpState* re, RegExpReplaceState* rs) {
    Result r{};
    r.records.assign(static_cast<std::size_t>(records), RegExpMatchRecord{nullptr, -7});
    r.consumed = len, r.written = capacity, r.stored = records;
    r.status = zetsRegExpReplace_8u(src, &r.consumed, dst, &r.written, r.records.data(), &r.stored, re, rs);
    return r;
}

// Whether any node looks at the subject before the position it is matched at.
bool looksBack(const RegExpState* re) {
    const zet::rx::RegExpNode* nodes = zet::rx::ownRegExpNodes(re);
    for (int i = 0; i < re->nodeCount; ++i)
        if (nodes[i].type == zet::rx::RegExpOpAssert || nodes[i].type == zet::rx::RegExpOpLookBehind ||
            nodes[i].type == zet::rx::RegExpOpNotLookBehind)
            return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static guarded::Arena sources(kMaxSource + 64), templates(kMaxTemplate + 64), destinations(1 << 12);
    if (size < 4) return 0;
    const std::uint8_t sel = data[0], cap = data[1], rec = data[2], fmt = data[3];
    std::string options;
    for (int b = 0; b < 5; ++b)
        if (sel & (1 << b)) options += "gimsx"[b];
    std::size_t i = 4;
    std::string pattern, tmpl;
    while (i < size && data[i] != 0) pattern += static_cast<char>(data[i++]);
    if (i < size) ++i;
    while (i < size && data[i] != 0 && tmpl.size() < kMaxTemplate) tmpl += static_cast<char>(data[i++]);
    if (i < size) ++i;
    const std::size_t srcLen = std::min(size - i, kMaxSource);
    const std::vector<zet8u> source(data + i, data + i + srcLen);

    RegExpState* re = nullptr;
    zet32s offset = 0;
    if (zetsRegExpInitAlloc(pattern.c_str(), options.c_str(), &re, &offset) != zetStatusOk) return 0;
    zetsRegExpSetMatchLimit(1 + (fmt & 63), re);  // small: the limit bounds depth, not time
    zetsRegExpSetFormat((fmt >> 6) & 1, re);

    std::vector<char> tmplZ(tmpl.begin(), tmpl.end());
    tmplZ.push_back('\0');
    const guarded::Edge tmplEdge = (sel & 0x40) ? guarded::Edge::Start : guarded::Edge::End;
    const char* tp = templates.place(std::span<const char>(tmplZ), fmt & 15, tmplEdge, '$');
    zet32s stateSize = 0;
    if (zetsRegExpReplaceGetSize(tp, &stateSize) != zetStatusOk || stateSize != 12 + 12 * static_cast<zet32s>(tmpl.size()))
        failWith("template state size", pattern, options, tmpl);
    std::vector<std::uint32_t> block(static_cast<std::size_t>(stateSize) / 4, 0x5a5a5a5a);
    auto* rs = reinterpret_cast<RegExpReplaceState*>(block.data());
    const ZetStatus parsed = zetsRegExpReplaceInit(tp, rs);
    if (parsed == zetStatusRegExpBadReference) {
        for (std::uint32_t w : block)
            if (w != 0x5a5a5a5a) failWith("refused template written", pattern, options, tmpl);
        zetsRegExpFree(re);
        return 0;
    }
    if (parsed != zetStatusOk) failWith("template status", pattern, options, tmpl);

    const zet8u* src = sources.place(std::span<const zet8u>(source), (fmt >> 4) & 15,
                                     (sel & 0x80) ? guarded::Edge::Start : guarded::Edge::End, zet8u{'$'});
    const int len = static_cast<int>(srcLen);
    const int capacity = 1 + cap;  // 1 .. 256
    const int records = rec == 255 ? 4096 : 1 + rec;
    const std::vector<zet8u> blank(static_cast<std::size_t>(capacity), '#');
    zet8u* dst = destinations.place(std::span<const zet8u>(blank), cap & 15, guarded::Edge::End, zet8u{'%'});

    const Result small = replace(src, len, dst, capacity, records, re, rs);
    for (int b = 1; b <= 64; ++b)
        if (dst[-b] != '%') failWith("written before the destination", pattern, options, tmpl);
    for (const zet8u* q = dst + capacity; q < dst + capacity + 64 && reinterpret_cast<std::uintptr_t>(q) % 4096 != 0; ++q)
        if (*q != '%') failWith("written after the destination", pattern, options, tmpl);
    if (len == 0) {
        if (small.status != zetStatusBadSize || small.consumed != 0 || small.written != capacity || dst[0] != '#')
            failWith("empty source", pattern, options, tmpl);
        zetsRegExpFree(re);
        return 0;
    }
    if (small.status != zetStatusOk && small.status != zetStatusRegExpRecordsTruncated) failWith("status", pattern, options, tmpl);
    if (small.consumed < 0 || small.consumed > len || small.written < 0 || small.written > capacity || small.stored < 0 ||
        small.stored > records)
        failWith("lengths out of bounds", pattern, options, tmpl);
    if (small.stored == 0) {
        const int n = std::min(len, capacity);
        if (small.consumed != n || small.written != n || !std::equal(src, src + n, dst))
            failWith("no match, not a copy", pattern, options, tmpl);
    } else if (small.written > capacity - 1) {
        failWith("no byte of room left after a match", pattern, options, tmpl);
    }

    static std::vector<zet8u> big(kLargeCapacity), rest(kLargeCapacity);
    const Result large = replace(src, len, big.data(), kLargeCapacity, records, re, rs);
    if (large.status != small.status || large.stored != small.stored) failWith("a different search", pattern, options, tmpl);
    if (small.consumed > large.consumed || small.written > large.written || !std::equal(dst, dst + small.written, big.data()))
        failWith("small destination not a start of the large one", pattern, options, tmpl);

    // Resumed calls, with UTF-8 on ASCII sources only: a later start may find a leading literal
    // inside a character that the one-call search stepped over.
    const bool global = (sel & 1) != 0;
    const int per = std::max(re->groupCount, 1);
    const bool everyByteStarts = re->format == 0 || std::all_of(src, src + len, [](zet8u b) { return b < 0x80; });
    bool plain = global && everyByteStarts && large.consumed == len && large.stored < records && !looksBack(re);
    for (int m = 0; plain && m < large.stored; m += per) plain = large.records[static_cast<std::size_t>(m)].len > 0;
    if (plain) {
        std::vector<zet8u> joined(dst, dst + small.written);
        int done = small.consumed;
        for (int c = 0; c < kResumedCalls && done < len; ++c) {
            const Result r = replace(src + done, len - done, rest.data(), capacity, records, re, rs);
            if (r.consumed == 0) break;  // allowed: the next piece does not fit this destination
            joined.insert(joined.end(), rest.begin(), rest.begin() + r.written);
            done += r.consumed;
        }
        if (done < len) {
            const Result r = replace(src + done, len - done, rest.data(), kLargeCapacity, records, re, rs);
            if (r.consumed != len - done) failWith("the rest not replaced in one call", pattern, options, tmpl);
            joined.insert(joined.end(), rest.begin(), rest.begin() + r.written);
        }
        if (!std::equal(joined.begin(), joined.end(), big.begin(), big.begin() + large.written))
            failWith("resumed calls differ from one call", pattern, options, tmpl);
    }
    zetsRegExpFree(re);
    return 0;
}
