#include "cli.h"
#include "unit_search.h"
#include "zetch.h"

namespace cli {

// zetch findc [--last|--all] UNIT [FILE]
int runFindc(const Args& args) {
    const Command& self = commandNamed("findc");
    Hits mode = Hits::First;
    std::vector<std::string_view> rest;
    for (auto a : args) {
        if (a == "--last") mode = Hits::Last;
        else if (a == "--all") mode = Hits::All;
        else rest.push_back(a);
    }
    if (rest.empty() || rest.size() > 2) return usageError(self, "expects UNIT and at most one FILE");
    const auto unit = parseUnit(rest[0]);
    if (!unit || *unit > 0xFF) return usageError(self, "UNIT must be one byte");
    const auto data = readInput(rest.size() == 2 ? rest[1] : "-");
    if (!data) return kUsage;
    const zet8u value = static_cast<zet8u>(*unit);
    return printHits(
        *data, mode,
        [&](const zet8u* p, int n) { int i = -1; zetsFindC_8u(p, n, value, &i); return i; },
        [&](const zet8u* p, int n) { int i = -1; zetsFindRevC_8u(p, n, value, &i); return i; });
}

}  // namespace cli
