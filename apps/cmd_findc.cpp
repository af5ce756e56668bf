#include <cstdio>

#include "cli.h"
#include "zetch.h"

namespace cli {

int runFindc(const Args& args) {
    const Command& self = commandNamed("findc");
    enum { First, Last, All } mode = First;
    std::vector<std::string_view> rest;
    for (auto a : args) {
        if (a == "--last") mode = Last;
        else if (a == "--all") mode = All;
        else rest.push_back(a);
    }
    if (rest.empty() || rest.size() > 2) return usageError(self, "expects UNIT and at most one FILE");
    const auto unit = parseUnit(rest[0]);
    if (!unit || *unit > 0xFF) return usageError(self, "UNIT must be one byte");
    const auto data = readInput(rest.size() == 2 ? rest[1] : "-");
    if (!data) return kUsage;
    const zet8u value = static_cast<zet8u>(*unit);
    const std::size_t size = data->size();

    // The library takes 32-bit lengths, so long inputs go through in pieces.
    bool found = false;
    if (mode == Last) {
        for (std::size_t end = size; end > 0 && !found;) {
            const std::size_t begin = end > kChunk ? end - kChunk : 0;
            int idx = -1;
            zetsFindRevC_8u(data->data() + begin, static_cast<int>(end - begin), value, &idx);
            if (idx >= 0) std::printf("%zu\n", begin + static_cast<std::size_t>(idx)), found = true;
            end = begin;
        }
        return found ? kFound : kNotFound;
    }
    for (std::size_t pos = 0; pos < size;) {
        const std::size_t n = size - pos < kChunk ? size - pos : kChunk;
        int idx = -1;
        zetsFindC_8u(data->data() + pos, static_cast<int>(n), value, &idx);
        if (idx < 0) {
            pos += n;
            continue;
        }
        std::printf("%zu\n", pos + static_cast<std::size_t>(idx));
        found = true;
        if (mode == First) break;
        pos += static_cast<std::size_t>(idx) + 1;
    }
    return found ? kFound : kNotFound;
}

}  // namespace cli
