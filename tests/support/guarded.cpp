#include "support/guarded.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace guarded {

Arena::Arena(std::size_t usableBytes) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    usable_ = (usableBytes + page - 1) / page * page;
    mapped_ = usable_ + 2 * page;
    void* m = mmap(nullptr, mapped_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) std::abort();
    map_ = static_cast<char*>(m);
    begin_ = map_ + page;
    if (mprotect(begin_, usable_, PROT_READ | PROT_WRITE) != 0) std::abort();
}

Arena::~Arena() { munmap(map_, mapped_); }

char* Arena::position(std::size_t bytes, int align, Edge edge, int span) const {
    const auto s = static_cast<std::uintptr_t>(span);
    if (bytes + 2 * s > usable_ || align < 0 || align >= span || (s & (s - 1)) != 0) std::abort();
    if (edge == Edge::Start) return begin_ + align;
    const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(begin_ + usable_);
    std::uintptr_t start = ((end - bytes) & ~(s - 1)) + static_cast<std::uintptr_t>(align);
    if (start + bytes > end) start -= s;
    return reinterpret_cast<char*>(start);
}

void Arena::fillPoison(char* p, std::size_t bytes, const void* unit, std::size_t unitSize) const {
    char* lo = p - 64 < begin_ ? begin_ : p - 64;
    char* hi = p + bytes + 64 > begin_ + usable_ ? begin_ + usable_ : p + bytes + 64;
    // Poison is laid out from the string's start so that units keep their phase on both sides.
    const std::uintptr_t phase = static_cast<std::uintptr_t>(p - lo) % unitSize;
    for (char* q = lo; q < hi; ++q)
        *q = static_cast<const char*>(unit)[(static_cast<std::uintptr_t>(q - lo) + unitSize - phase) % unitSize];
}

}  // namespace guarded
