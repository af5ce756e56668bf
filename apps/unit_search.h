// Searches an input of any length for single bytes (one value, or any of a set) and prints the
// offsets of the hits, one a line. The library takes 32-bit lengths, so the input goes to it in
// pieces of at most kChunk bytes; a byte search needs no overlap between pieces.
#pragma once

#include <cstdio>
#include <span>

#include "cli.h"

namespace cli {

enum class Hits { First, Last, All };

// fwd(p, n) and rev(p, n) give the index of the first / last hit in p[0, n), or -1.
// Returns kFound when something was printed, else kNotFound.
template <class Fwd, class Rev>
int printHits(std::span<const std::uint8_t> data, Hits mode, Fwd fwd, Rev rev) {
    auto piece = [](std::size_t n) { return static_cast<int>(n < kChunk ? n : kChunk); };
    bool found = false;
    if (mode == Hits::Last) {
        for (std::size_t end = data.size(); end > 0 && !found;) {
            const int n = piece(end);
            const int idx = rev(data.data() + end - n, n);
            if (idx >= 0) std::printf("%zu\n", end - n + static_cast<std::size_t>(idx)), found = true;
            end -= static_cast<std::size_t>(n);
        }
        return found ? kFound : kNotFound;
    }
    for (std::size_t pos = 0; pos < data.size() && (mode == Hits::All || !found);) {
        const int n = piece(data.size() - pos);
        const int idx = fwd(data.data() + pos, n);
        if (idx >= 0) std::printf("%zu\n", pos + static_cast<std::size_t>(idx)), found = true;
        pos += idx >= 0 ? static_cast<std::size_t>(idx) + 1 : static_cast<std::size_t>(n);
    }
    return found ? kFound : kNotFound;
}

}  // namespace cli
