#include "core/zetcore.h"

#include <cpuid.h>
#include <omp.h>

#include <cstdlib>

extern "C" {

int ownGetFeature(std::uint64_t mask) {
    // Only SSE4.2 is known here; any other bit answers "absent".
    if (mask != zetFeatureSse42) return 0;
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return 0;
    return (ecx & bit_SSE4_2) ? 1 : 0;
}

int ownGetNumThreads(void) {
    int n = omp_get_max_threads();
    return n > 0 ? n : 1;
}

void* zetMalloc(int size) {
    if (size < 1) return nullptr;
    // aligned_alloc wants a multiple of the alignment.
    std::size_t rounded = (static_cast<std::size_t>(size) + 63) & ~std::size_t{63};
    return std::aligned_alloc(64, rounded);
}

void zetFree(void* ptr) { std::free(ptr); }
}
