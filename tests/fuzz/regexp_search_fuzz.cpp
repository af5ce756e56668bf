// libFuzzer target: compiles a pattern and searches a subject, both from the input, with the
// options, the match limit and the subject format chosen by its first three bytes. The subject
// lies against an unreadable page (at its end or, chosen by a bit, at its start), so a read
// outside it crashes. Checked on every search:
// - the status is 0 or 12 and the record count within the array;
// - every record is unset (null, -1) or lies inside the subject;
// - a single search reports at most the groups; record 0 of a single search is set;
// - the prefilters change nothing: the same search without them stores the same records.
//
// Input: [options][limit][format][pattern bytes up to a zero byte][subject bytes].
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "regexp/search.h"
#include "support/guarded.h"
#include "zetch.h"

namespace {

constexpr std::size_t kMaxSubject = 1 << 16;
constexpr int kRecords = 256;

[[noreturn]] void failWith(const char* what, const std::string& pattern, const std::string& opts) {
    std::fprintf(stderr, "regexp search fuzz: %s\npattern /", what);
    for (char c : pattern) std::fprintf(stderr, "\\x%02x", static_cast<unsigned char>(c));
    std::fprintf(stderr, "/%s\n", opts.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static guarded::Arena subjects(kMaxSubject + 64);
    if (size < 3) return 0;
    const std::uint8_t sel = data[0], lim = data[1], fmt = data[2];
    std::string options;
    for (int b = 0; b < 5; ++b)
        if (sel & (1 << b)) options += "gimsx"[b];
    std::size_t i = 3;
    std::string pattern;
    while (i < size && data[i] != 0) pattern += static_cast<char>(data[i++]);
    if (i < size) ++i;
    const std::size_t subjectLen = std::min(size - i, kMaxSubject);
    const std::vector<zet8u> text(data + i, data + i + subjectLen);

    RegExpState* state = nullptr;
    zet32s offset = 0;
    if (zetsRegExpInitAlloc(pattern.c_str(), options.c_str(), &state, &offset) != zetStatusOk) return 0;
    // Small limits only: the limit bounds how deep backtracking nests, not how long it runs, and
    // nested repeated groups can take time exponential in it (large limits and the stack guard
    // are the unit tests' business).
    const zet32s limit = lim & 63;
    zetsRegExpSetMatchLimit(limit, state);
    zetsRegExpSetFormat(fmt & 1, state);
    const zet8u* src = subjects.place(std::span<const zet8u>(text), (fmt >> 1) & 15,
                                      (sel & 0x40) ? guarded::Edge::Start : guarded::Edge::End, zet8u{'a'});
    const int len = static_cast<int>(subjectLen);

    RegExpMatchRecord with[kRecords], without[kRecords];
    zet32s nWith = kRecords, nWithout = kRecords;
    const ZetStatus st = zet::rx::ownRegExpSearch(src, len, state, with, &nWith, 0, zet::rx::RegExpPrefilters::Always);
    const ZetStatus st2 = zet::rx::ownRegExpSearch(src, len, state, without, &nWithout, 0, zet::rx::RegExpPrefilters::Off);
    if (st != zetStatusOk && st != zetStatusRegExpRecordsTruncated) failWith("status", pattern, options);
    if (nWith < 0 || nWith > kRecords) failWith("record count", pattern, options);
    const bool global = (sel & 1) != 0;
    if (!global && nWith > state->groupCount) failWith("more records than groups", pattern, options);
    if (!global && nWith > 0 && with[0].pStr == nullptr) failWith("whole match unset", pattern, options);
    for (int r = 0; r < nWith; ++r) {
        const RegExpMatchRecord& m = with[r];
        const bool unset = m.pStr == nullptr && m.len == -1;
        const bool inside = m.pStr != nullptr && m.pStr >= src && m.len >= 0 && m.len <= src + len - m.pStr;
        if (!unset && !inside) failWith("record outside the subject", pattern, options);
    }
    if (st != st2 || nWith != nWithout) failWith("prefilter changed the status or count", pattern, options);
    for (int r = 0; r < nWith; ++r)
        if (with[r].pStr != without[r].pStr || with[r].len != without[r].len)
            failWith("prefilter changed a record", pattern, options);
    zetsRegExpFree(state);
    return 0;
}
