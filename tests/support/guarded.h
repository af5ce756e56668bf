// Guarded buffers for kernel sweeps: memory mapped with an unreadable page right before and right
// after the usable area, so that a kernel that reads outside its string crashes the test instead
// of passing. Around the placed string the area is filled with a caller-chosen poison unit (say,
// the value being searched for), so that reading it would also change the result.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>
#include <vector>

#ifndef ZETCH_VECTOR_BYTES
#define ZETCH_VECTOR_BYTES 16
#endif

namespace guarded {

enum class Edge { Start, End };

// Alignments a sweep places each string at: the vector width of the library variant under test,
// so that the wide kernels meet every phase of their aligned loops.
inline constexpr int kAlignments = ZETCH_VECTOR_BYTES;

class Arena {
public:
    explicit Arena(std::size_t usableBytes = 1u << 16);
    ~Arena();
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    // Copies the string into the arena so that its first byte lies at `align` modulo
    // kAlignments (0 <= align < kAlignments) and it sits as close as that alignment allows to the
    // unreadable page at its `edge`: with Edge::End it ends 0..kAlignments-1 bytes before the page
    // after it (0 for one alignment per length), with Edge::Start it begins `align` bytes after the
    // page before it. The 64 bytes on either side are filled with `poison`.
    template <class T>
    T* place(std::span<const T> s, int align, Edge edge, T poison) {
        char* p = position(s.size_bytes(), align, edge, kAlignments);
        fillPoison(p, s.size_bytes(), &poison, sizeof(T));
        if (!s.empty()) std::memcpy(p, s.data(), s.size_bytes());
        return reinterpret_cast<T*>(p);
    }

    std::size_t capacity() const { return usable_; }

    // Whether the string at p holds `want` and the poison around it (all bytes `poison`) is intact.
    template <class T>
    bool holds(const T* p, const std::vector<T>& want, char poison) const {
        const char *s = reinterpret_cast<const char*>(p), *e = s + want.size() * sizeof(T);
        for (const char* q = std::max<const char*>(s - 64, begin_); q < std::min<const char*>(e + 64, begin_ + usable_); ++q)
            if (q < s || q >= e ? *q != poison : *q != reinterpret_cast<const char*>(want.data())[q - s]) return false;
        return true;
    }

private:
    char* position(std::size_t bytes, int align, Edge edge, int span) const;
    void fillPoison(char* p, std::size_t bytes, const void* unit, std::size_t unitSize) const;

    char* map_ = nullptr;
    char* begin_ = nullptr;
    std::size_t usable_ = 0;
    std::size_t mapped_ = 0;
};

// Calls fn(T* p, int align, Edge edge) with the string placed at each of the kAlignments
// alignments at both edges of the arena.
template <class T, class Fn>
void forEachPlacement(Arena& arena, std::span<const T> s, T poison, Fn&& fn) {
    for (Edge edge : {Edge::Start, Edge::End})
        for (int align = 0; align < kAlignments; ++align) fn(arena.place(s, align, edge, poison), align, edge);
}

template <class T, class Fn>
void forEachPlacement(Arena& arena, const std::vector<T>& s, T poison, Fn&& fn) {
    forEachPlacement(arena, std::span<const T>(s), poison, fn);
}

}  // namespace guarded
