#include <cstdio>

#include "cli.h"
#include "zetch.h"

namespace cli {

// Offsets of the bytes of the input that belong to SET: the first, the last (--last) or every
// one (--all). Inputs longer than one library call are searched in pieces of kChunk bytes.
int runFindAny(const Args& args) {
    const Command& self = commandNamed("find-any");
    enum { First, Last, All } mode = First;
    std::vector<std::string_view> rest;
    for (auto a : args) {
        if (a == "--last") mode = Last;
        else if (a == "--all") mode = All;
        else rest.push_back(a);
    }
    if (rest.empty() || rest.size() > 2) return usageError(self, "expects SET and at most one FILE");
    const auto set = parseSet(rest[0]);
    if (!set) return usageError(self, "malformed escape in SET");
    const auto data = readInput(rest.size() == 2 ? rest[1] : "-");
    if (!data) return kUsage;
    const zet8u* text = data->data();
    const int setLen = static_cast<int>(set->size());
    auto piece = [](std::size_t n) { return static_cast<int>(n < kChunk ? n : kChunk); };

    int hits = 0;
    if (mode == Last) {
        for (std::size_t end = data->size(); end > 0 && hits == 0;) {
            const int n = piece(end);
            int idx = -1;
            zetsFindRevCAny_8u(text + end - n, n, unitsOf(*set), setLen, &idx);
            if (idx >= 0) std::printf("%zu\n", end - n + static_cast<std::size_t>(idx)), ++hits;
            end -= static_cast<std::size_t>(n);
        }
    } else {
        for (std::size_t pos = 0; pos < data->size() && (mode == All || hits == 0);) {
            const int n = piece(data->size() - pos);
            int idx = -1;
            zetsFindCAny_8u(text + pos, n, unitsOf(*set), setLen, &idx);
            if (idx >= 0) std::printf("%zu\n", pos + static_cast<std::size_t>(idx)), ++hits;
            pos += idx >= 0 ? static_cast<std::size_t>(idx) + 1 : static_cast<std::size_t>(n);
        }
    }
    return hits > 0 ? kFound : kNotFound;
}

}  // namespace cli
