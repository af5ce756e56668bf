#include <cstdio>
#include <cstring>

#include "cli.h"
#include "zetch.h"

namespace cli {

namespace {

// The data of an empty input may be a null pointer, which the library rightly refuses.
zet32u call(ZetStatus (*fn)(const zet8u*, zet32s, zet32u*), const std::uint8_t* p, std::size_t n) {
    static const zet8u none = 0;
    zet32u h = 0;
    fn(n ? p : &none, static_cast<zet32s>(n), &h);
    return h;
}

zet32u pow31(std::size_t e) {
    zet32u r = 1, b = 31;
    for (; e; e >>= 1, b *= b)
        if (e & 1) r *= b;
    return r;
}

}  // namespace

// The library hashes at most kChunk bytes per call here; longer inputs still get the value of the whole:
// shift-xor depends on the last 32 bytes only, multiply-31 values of consecutive pieces combine as
// h(ab) = h(a) * 31^|b| + h(b), and multiply-33-xor stops at the first zero byte.
int runHash(const Args& args) {
    const Command& self = commandNamed("hash");
    std::string_view rule = "shift";
    std::vector<std::string_view> rest;
    for (std::size_t k = 0; k < args.size(); ++k) {
        if (args[k] == "--rule") {
            if (k + 1 == args.size()) return usageError(self, "--rule needs a value");
            rule = args[++k];
        } else {
            rest.push_back(args[k]);
        }
    }
    if (rule != "shift" && rule != "sj2" && rule != "mscs") return usageError(self, "--rule is shift, sj2 or mscs");
    if (rest.size() > 1) return usageError(self, "expects at most one FILE");
    const auto data = readInput(rest.empty() ? "-" : rest[0]);
    if (!data) return kUsage;
    const std::uint8_t* p = data->data();
    const std::size_t size = data->size();
    zet32u h = 0;
    if (rule == "shift") {
        const std::size_t n = size < kChunk ? size : kChunk;
        h = call(zetsHash_8u32u, p + size - n, n);
    } else if (rule == "sj2") {
        std::size_t pos = 0;
        do {
            const std::size_t n = size - pos < kChunk ? size - pos : kChunk;
            h = h * pow31(n) + call(zetsHashSJ2_8u32u, p + pos, n);
            pos += n;
        } while (pos < size);
    } else {
        const void* zero = size > kChunk ? std::memchr(p, 0, kChunk) : nullptr;
        if (size > kChunk && !zero) {
            std::fprintf(stderr, "zetch hash: --rule mscs takes at most %zu bytes before the first zero byte\n", kChunk);
            return kUsage;
        }
        h = call(zetsHashMSCS_8u32u, p, zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - p) : size);
    }
    std::printf("%u\n", h);
    return kFound;
}

}  // namespace cli
