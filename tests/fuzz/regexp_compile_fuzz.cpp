// libFuzzer target: compiles arbitrary bytes as a pattern, with options chosen by the first byte,
// into a state block of exactly the reported size that ends against an unreadable page; the
// pattern's terminating zero is likewise the last readable byte of its own area. A compiled
// program must keep the layout rules its readers rely on, and an error offset must lie inside
// the pattern.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "support/guarded.h"
#include "support/regexp_program.h"
#include "zetch.h"

namespace {

constexpr std::size_t kMaxPattern = 1 << 17;

[[noreturn]] void failWith(const std::string& what, const std::vector<char>& pattern) {
    std::fprintf(stderr, "regexp compile fuzz: %s\npattern (%zu bytes): ", what.c_str(), pattern.size() - 1);
    for (char c : pattern) std::fprintf(stderr, "\\x%02x", static_cast<unsigned char>(c));
    std::fprintf(stderr, "\n");
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static guarded::Arena patterns(kMaxPattern + 64);
    static guarded::Arena states(40052 + 20 * kMaxPattern + 64);
    static const std::vector<std::uint8_t> fill(40052 + 20 * kMaxPattern, 0xA5);
    if (size == 0) return 0;

    // First byte: bits 0-4 pick the option letters g i m s x, bit 5 adds a letter that is not one,
    // bit 6 passes no options string at all.
    const std::uint8_t sel = data[0];
    std::string options;
    for (int b = 0; b < 5; ++b)
        if (sel & (1 << b)) options += "gimsx"[b];
    if (sel & 0x20) options += 'Q';

    // The pattern ends at the first zero byte of the rest.
    std::vector<char> pattern;
    for (std::size_t i = 1; i < size && data[i] != 0 && pattern.size() < kMaxPattern; ++i)
        pattern.push_back(static_cast<char>(data[i]));
    pattern.push_back(0);
    const int len = static_cast<int>(pattern.size() - 1);
    const char* p = patterns.place(std::span<const char>(pattern), static_cast<int>((16 - pattern.size() % 16) % 16),
                                   guarded::Edge::End, '(');

    zet32s stateSize = 0;
    if (zetsRegExpGetSize(p, &stateSize) != zetStatusOk || stateSize != 40052 + 20 * len)
        failWith("size", pattern);
    auto* state = reinterpret_cast<RegExpState*>(
        states.place(std::span<const std::uint8_t>(fill.data(), static_cast<std::size_t>(stateSize)),
                     (16 - stateSize % 16) % 16, guarded::Edge::End, std::uint8_t{0xA5}));

    zet32s offset = -1;
    const ZetStatus st = zetsRegExpInit(p, (sel & 0x40) ? nullptr : options.c_str(), state, &offset);
    if (st != zetStatusOk) {
        if (st > zetStatusRegExpBadEscape || st < zetStatusRegExpBadOption || st == zetStatusRegExpMatchLimit ||
            st == zetStatusRegExpBadState)
            failWith("unexpected status " + std::to_string(st), pattern);
        if (offset < 0 || offset > len) failWith("error offset " + std::to_string(offset), pattern);
        return 0;
    }
    const std::string broken = regexp_program::checkProgram(state, len);
    if (!broken.empty()) failWith(broken, pattern);
    const std::vector<std::string> lines = regexp_program::listing(state);
    if (lines.size() != static_cast<std::size_t>(state->nodeCount) + 1) failWith("listing", pattern);
    return 0;
}
