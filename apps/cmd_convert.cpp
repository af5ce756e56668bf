#include <bit>
#include <cstdio>

#include "cli.h"
#include "zetch.h"

namespace cli {

namespace {

enum class Form { Utf8, Utf16le, Utf16be };

std::optional<Form> parseForm(std::string_view s) {
    if (s == "utf8") return Form::Utf8;
    if (s == "utf16le") return Form::Utf16le;
    if (s == "utf16be") return Form::Utf16be;
    return std::nullopt;
}

// The converters take a character cut by the end of their source for malformed input, so a
// block that more input follows holds back the start of a character it cuts, and the next block
// begins with it.

// Bytes at the end of s[0, n) that begin a UTF-8 sequence without all of its continuation bytes:
// a lead byte 0xC0..0xFD followed only by continuation bytes, fewer than it needs (at most 5).
std::size_t cutUtf8(const zet8u* s, std::size_t n) {
    for (std::size_t back = 1; back <= 6 && back <= n; ++back) {
        const unsigned b = s[n - back];
        if ((b & 0xC0) == 0x80) continue;  // continuation byte: look further back
        const int need = std::countl_one(static_cast<zet8u>(b));
        return b >= 0xC0 && b <= 0xFD && static_cast<std::size_t>(need) > back ? back : 0;
    }
    return 0;
}

// Bytes at the end of s[0, n) that are no whole UTF-16 character: an odd last byte, and a high
// surrogate before it.
std::size_t cutUtf16(const zet8u* s, std::size_t n, bool big) {
    const std::size_t odd = n % 2;
    if (n - odd < 2) return odd;
    const zet8u* u = s + n - odd - 2;
    const unsigned unit = big ? (u[0] << 8 | u[1]) : (u[1] << 8 | u[0]);
    return odd + ((unit & 0xFC00) == 0xD800 ? 2 : 0);
}

// Converts s[0, n) into the output, as many calls as the output's room takes; a call stops
// before a character whose encoding does not fit, and the next one, with fresh room, goes on.
template <class Src, class Dst, class Fn>
void convertInto(Output& out, const zet8u* s, std::size_t n, Fn fn) {
    while (n >= sizeof(Src) && !out.failed()) {
        const auto room = out.room(4 * sizeof(Dst));
        int in = static_cast<int>(n / sizeof(Src)), written = static_cast<int>(room.size() / sizeof(Dst));
        fn(reinterpret_cast<const Src*>(s), &in, reinterpret_cast<Dst*>(room.data()), &written);
        out.commit(static_cast<std::size_t>(written) * sizeof(Dst));
        s += static_cast<std::size_t>(in) * sizeof(Src);
        n -= static_cast<std::size_t>(in) * sizeof(Src);
    }
}

}  // namespace

int runConvert(const Args& args, Context& ctx) {
    const Command& self = commandNamed("convert");
    const auto p = parseArgs(self, args, {}, {"--to", "--from"});
    if (!p) return kUsage;
    std::optional<Form> to, from;
    for (const auto& [name, value] : p->options) {
        const auto form = parseForm(value);
        if (!form) return usageError(self, "unknown form '" + std::string(value) + "'");
        (name == "--to" ? to : from) = form;
    }
    if (!to) return usageError(self, "expects --to utf16le, utf16be or utf8");
    if (p->operands.size() > 1) return usageError(self, "expects at most one FILE");
    if (!from) from = *to == Form::Utf8 ? Form::Utf16le : Form::Utf8;
    if ((*from == Form::Utf8) == (*to == Form::Utf8)) return usageError(self, "converts between UTF-8 and UTF-16 only");
    BlockReader in(ctx.blockSize);
    if (!in.open(p->operands.empty() ? "-" : p->operands[0])) return kError;

    const bool toUtf16 = *from == Form::Utf8;
    const zet32s big = (toUtf16 ? *to : *from) == Form::Utf16be;
    std::size_t keep = 0;
    bool odd = false;
    while (in.next(keep) && !ctx.out.failed()) {
        const Block& b = in.block();
        keep = b.last ? 0 : toUtf16 ? cutUtf8(b.data, b.size) : cutUtf16(b.data, b.size, big);
        if (toUtf16) {
            convertInto<zet8u, zet16u>(ctx.out, b.data, b.size - keep, [&](auto s, auto n, auto d, auto m) {
                zetsConvertUTF_8u16u(s, n, d, m, big);
            });
        } else {
            convertInto<zet16u, zet8u>(ctx.out, b.data, b.size - keep, [&](auto s, auto n, auto d, auto m) {
                zetsConvertUTF_16u8u(s, n, d, m, big);
            });
            odd = b.last && b.size % 2;
        }
    }
    if (in.failed()) return kError;
    if (odd) {
        std::fprintf(stderr, "zetch convert: UTF-16 input has an odd number of bytes; the last one is left out\n");
        return kError;
    }
    return kFound;
}

}  // namespace cli
