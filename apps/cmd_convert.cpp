#include <cstdio>
#include <cstring>

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

// Output goes through a buffer this large, so that long inputs take many resumed calls.
constexpr int kOutUnits = 1 << 16;

// Length of the next piece of at most kChunk units that ends on a character boundary: a piece that
// stops short of the end must not cut a UTF-8 sequence or a surrogate pair, which the library
// would take for malformed input.
std::size_t pieceLength(const zet8u* s, std::size_t left) {
    if (left <= kChunk) return left;
    std::size_t n = kChunk;
    for (std::size_t back = 1; back <= 6; ++back) {
        const zet8u b = s[n - back];
        if ((b & 0xC0) == 0x80) continue;  // continuation byte: look further back
        const int need = b >= 0xFC ? 6 : b >= 0xF8 ? 5 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        if (static_cast<std::size_t>(need) > back) n -= back;  // the sequence runs past the piece
        break;
    }
    return n;
}

std::size_t pieceLength(const zet16u* s, std::size_t left, bool big) {
    if (left <= kChunk) return left;
    zet16u last = s[kChunk - 1];
    if (big) last = static_cast<zet16u>((last >> 8) | (last << 8));
    return (last & 0xFC00) == 0xD800 ? kChunk - 1 : kChunk;
}

bool write(const void* p, std::size_t bytes) { return std::fwrite(p, 1, bytes, stdout) == bytes; }

int toUtf16(const std::vector<std::uint8_t>& in, bool big) {
    std::vector<zet16u> out(kOutUnits);
    for (std::size_t pos = 0; pos < in.size();) {
        int n = static_cast<int>(pieceLength(in.data() + pos, in.size() - pos)), m = kOutUnits;
        zetsConvertUTF_8u16u(in.data() + pos, &n, out.data(), &m, big);
        if (!write(out.data(), 2 * static_cast<std::size_t>(m))) return kUsage;
        pos += static_cast<std::size_t>(n);
    }
    return kFound;
}

int toUtf8(const std::vector<std::uint8_t>& bytes, bool big) {
    std::vector<zet16u> in(bytes.size() / 2);
    if (!in.empty()) std::memcpy(in.data(), bytes.data(), 2 * in.size());
    std::vector<zet8u> out(kOutUnits);
    for (std::size_t pos = 0; pos < in.size();) {
        int n = static_cast<int>(pieceLength(in.data() + pos, in.size() - pos, big)), m = kOutUnits;
        zetsConvertUTF_16u8u(in.data() + pos, &n, out.data(), &m, big);
        if (!write(out.data(), static_cast<std::size_t>(m))) return kUsage;
        pos += static_cast<std::size_t>(n);
    }
    return kFound;
}

}  // namespace

int runConvert(const Args& args) {
    const Command& self = commandNamed("convert");
    std::optional<Form> to, from;
    std::vector<std::string_view> rest;
    for (std::size_t k = 0; k < args.size(); ++k) {
        if (args[k] == "--to" || args[k] == "--from") {
            if (k + 1 == args.size()) return usageError(self, std::string(args[k]) + " needs a value");
            const auto form = parseForm(args[k + 1]);
            if (!form) return usageError(self, "unknown form '" + std::string(args[k + 1]) + "'");
            (args[k] == "--to" ? to : from) = form;
            ++k;
        } else {
            rest.push_back(args[k]);
        }
    }
    if (!to) return usageError(self, "expects --to utf16le, utf16be or utf8");
    if (rest.size() > 1) return usageError(self, "expects at most one FILE");
    if (!from) from = *to == Form::Utf8 ? Form::Utf16le : Form::Utf8;
    if ((*from == Form::Utf8) == (*to == Form::Utf8))
        return usageError(self, "converts between UTF-8 and UTF-16 only");
    const auto data = readInput(rest.empty() ? "-" : rest[0]);
    if (!data) return kUsage;
    if (*from == Form::Utf8) return toUtf16(*data, *to == Form::Utf16be);
    if (data->size() % 2) {
        std::fprintf(stderr, "zetch convert: UTF-16 input has an odd number of bytes\n");
        return kUsage;
    }
    return toUtf8(*data, *from == Form::Utf16be);
}

}  // namespace cli
