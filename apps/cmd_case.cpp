#include <cstdio>

#include "cli.h"
#include "zetch.h"

namespace cli {

// Converts the input in place, in pieces of at most kChunk units, and writes it to stdout. A
// UTF-16 input of odd length keeps its last byte unchanged (it is no whole unit), so nothing of
// the input is ever lost.
int runCase(const Args& args) {
    const Command& self = commandNamed("case");
    int upper = -1;
    bool latin = false;
    std::vector<std::string_view> files;
    for (auto a : args) {
        if (a == "--upper" || a == "--lower") {
            if (upper >= 0) return usageError(self, "give one of --upper and --lower");
            upper = a == "--upper";
        } else if (a == "--latin") {
            latin = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return usageError(self, "unknown option " + std::string(a));
        } else {
            files.push_back(a);
        }
    }
    if (upper < 0) return usageError(self, "expects --upper or --lower");
    if (files.size() > 1) return usageError(self, "expects at most one FILE");
    auto data = readInput(files.empty() ? "-" : files[0]);
    if (!data) return kUsage;

    zet8u* bytes = data->data();
    const std::size_t unitSize = latin ? 1 : 2;
    const std::size_t count = data->size() / unitSize;
    for (std::size_t pos = 0; pos < count; pos += kChunk) {
        const int n = static_cast<int>(count - pos < kChunk ? count - pos : kChunk);
        if (latin) {
            (upper ? zetsUppercaseLatin_8u_I : zetsLowercaseLatin_8u_I)(bytes + pos, n);
        } else {
            zet16u* units = reinterpret_cast<zet16u*>(bytes + 2 * pos);
            (upper ? zetsUppercase_16u_I : zetsLowercase_16u_I)(units, n);
        }
    }
    if (!data->empty() && std::fwrite(bytes, 1, data->size(), stdout) != data->size()) {
        std::fprintf(stderr, "zetch case: cannot write standard output\n");
        return kUsage;
    }
    return kFound;
}

}  // namespace cli
