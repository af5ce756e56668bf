// Searches for the tests: compile, set the limit and format, search, and show the records as text
// ("0 (0,3) (2,1) unset": the status, then each record as offset and length into the subject).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "regexp/search.h"
#include "zetch.h"

namespace regexp_search {

struct Options {
    const char* letters = "";
    zet32s limit = -1;   // -1: the default
    zet32s format = -1;  // -1: the default (UTF-8)
    int capacity = 64;
    bool prefilter = true;
};

using StatePtr = std::unique_ptr<RegExpState, void (*)(RegExpState*)>;

inline StatePtr compile(const std::string& pattern, const char* letters = "") {
    RegExpState* s = nullptr;
    zet32s offset = 0;
    zetsRegExpInitAlloc(pattern.c_str(), letters, &s, &offset);
    return StatePtr(s, zetsRegExpFree);
}

// The records of a search as text, offsets counted from `subject`.
inline std::string show(ZetStatus status, const RegExpMatchRecord* rec, int n, const zet8u* subject) {
    std::string s = std::to_string(status);
    for (int i = 0; i < n; ++i)
        s += rec[i].pStr == nullptr ? " unset"
                                    : " (" + std::to_string(rec[i].pStr - subject) + "," + std::to_string(rec[i].len) + ")";
    return s;
}

inline std::string search(RegExpState* state, const std::string& subject, const Options& o = {}) {
    if (state == nullptr) return "no state";
    if (o.limit >= 0) zetsRegExpSetMatchLimit(o.limit, state);
    if (o.format >= 0) zetsRegExpSetFormat(o.format, state);
    std::vector<RegExpMatchRecord> rec(static_cast<std::size_t>(o.capacity));
    zet32s n = o.capacity;
    const auto* p = reinterpret_cast<const zet8u*>(subject.data());
    const ZetStatus st = zet::rx::ownRegExpSearch(p, static_cast<zet32s>(subject.size()), state, rec.data(), &n, 0,
                                                  o.prefilter ? zet::rx::RegExpPrefilters::Always : zet::rx::RegExpPrefilters::Off);
    return show(st, rec.data(), st < 0 ? 0 : n, p);
}

inline std::string search(const std::string& pattern, const std::string& subject, const Options& o = {}) {
    StatePtr state = compile(pattern, o.letters);
    return search(state.get(), subject, o);
}

}  // namespace regexp_search
