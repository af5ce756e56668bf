// Searches an input of any size, block by block, and prints the offsets of the hits, one a line.
// A hit is `width` bytes long (1 for a byte or a byte of a set, the needle's length for a
// substring); the next block starts with the last width - 1 bytes of the current one, so that a
// hit that straddles a block boundary lies whole in the next block. A hit found in a block always
// ends in its new bytes (it is longer than the carried part), so none is reported twice.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>

#include "cli.h"

namespace cli {

enum class Hits { First, Last, All };

// fwd(p, n) and rev(p, n) give the index of the first / last hit that lies whole in p[0, n), or -1.
// Every hit (First: the first, Last: the last) goes to onHit(offset). The result is kFound when
// there was one, kNotFound when not, kError after a read error.
template <class Fwd, class Rev, class OnHit>
int scanHits(BlockReader& in, Hits mode, std::size_t width, Fwd fwd, Rev rev, OnHit onHit) {
    std::optional<std::uint64_t> last;
    bool found = false;
    std::size_t keep = 0;
    while (in.next(keep)) {
        const Block& b = in.block();
        if (b.size >= width && mode == Hits::Last) {
            const int idx = rev(b.data, static_cast<int>(b.size));
            if (idx >= 0) last = b.offset + static_cast<std::uint64_t>(idx);
        } else if (b.size >= width) {
            for (std::size_t pos = 0; b.size - pos >= width;) {
                const int idx = fwd(b.data + pos, static_cast<int>(b.size - pos));
                if (idx < 0) break;
                found = true;
                if (!onHit(b.offset + pos + static_cast<std::uint64_t>(idx)) || mode == Hits::First) return kFound;
                pos += static_cast<std::size_t>(idx) + 1;
            }
        }
        keep = std::min(width - 1, b.size);
    }
    if (in.failed()) return kError;
    if (last) found = true, onHit(*last);
    return found ? kFound : kNotFound;
}

// scanHits with every offset printed on out, stopping early when out has failed.
template <class Fwd, class Rev>
int printHits(BlockReader& in, Output& out, Hits mode, std::size_t width, Fwd fwd, Rev rev) {
    return scanHits(in, mode, width, fwd, rev, [&](std::uint64_t at) {
        out.number(at);
        return !out.failed();
    });
}

}  // namespace cli
