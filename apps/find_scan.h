// Substring search over inputs of any size. The library takes 32-bit lengths, so a long input is
// searched in windows of at most `chunk` bytes that overlap by one byte less than the needle: an
// occurrence that straddles the end of one window lies whole inside the next.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "zetch.h"

namespace cli {

// Calls emit(offset) for every occurrence of needle in data, overlapping ones included, in
// ascending order; returns whether there was any. An empty needle occurs nowhere.
template <class Emit>
bool forEachOccurrence(std::span<const std::uint8_t> data, std::span<const std::uint8_t> needle, std::size_t chunk,
                       Emit emit) {
    const std::size_t n = needle.size();
    if (n == 0) return false;
    chunk = std::max(chunk, n);
    bool found = false;
    for (std::size_t pos = 0; data.size() - pos >= n;) {
        const std::size_t window = std::min(chunk, data.size() - pos);
        int idx = -1;
        zetsFind_8u(data.data() + pos, static_cast<int>(window), needle.data(), static_cast<int>(n), &idx);
        if (idx >= 0) {
            emit(pos + static_cast<std::size_t>(idx));
            found = true;
            pos += static_cast<std::size_t>(idx) + 1;
        } else if (pos + window == data.size()) {
            break;
        } else {
            pos += window - (n - 1);
        }
    }
    return found;
}

// Offset of the last occurrence of needle in data, searched backwards window by window.
inline std::optional<std::size_t> lastOccurrence(std::span<const std::uint8_t> data,
                                                 std::span<const std::uint8_t> needle, std::size_t chunk) {
    const std::size_t n = needle.size();
    if (n == 0) return std::nullopt;
    chunk = std::max(chunk, n);
    for (std::size_t end = data.size(); end >= n;) {
        const std::size_t begin = end > chunk ? end - chunk : 0;
        int idx = -1;
        zetsFindRev_8u(data.data() + begin, static_cast<int>(end - begin), needle.data(), static_cast<int>(n), &idx);
        if (idx >= 0) return begin + static_cast<std::size_t>(idx);
        if (begin == 0) break;
        end = begin + n - 1;
    }
    return std::nullopt;
}

}  // namespace cli
