#include "core/zetcore.h"

#include <omp.h>

#include <cstdlib>
#if defined(_WIN32)
#include <malloc.h>
#endif

extern "C" {

int ownGetFeature(std::uint64_t mask) {
    // Only SSE4.2 is known here; any other bit answers "absent". The answer comes from the
    // processor model that the compiler's runtime reads once at load time: a CPUID instruction
    // on every call costs microseconds under a hypervisor, and the set searches and trims ask on
    // every call. A model not yet read (a caller that runs before the runtime's own initialiser)
    // shows no features, so the init call is made only when the answer would be "absent": it is
    // a call into another library, and it doubled the cost of a question (4 ns against 2).
    if (mask != zetFeatureSse42) return 0;
    if (__builtin_cpu_supports("sse4.2")) return 1;
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse4.2") ? 1 : 0;
}

int ownGetNumThreads(void) {
    int n = omp_get_max_threads();
    return n > 0 ? n : 1;
}

void* zetMalloc(int size) {
    if (size < 1) return nullptr;
#if defined(_WIN32)
    // The Windows C runtime has no aligned_alloc; its aligned blocks have their own release.
    return _aligned_malloc(static_cast<std::size_t>(size), 64);
#else
    // aligned_alloc wants a multiple of the alignment.
    std::size_t rounded = (static_cast<std::size_t>(size) + 63) & ~std::size_t{63};
    return std::aligned_alloc(64, rounded);
#endif
}

#if defined(_WIN32)
void zetFree(void* ptr) { _aligned_free(ptr); }
#else
void zetFree(void* ptr) { std::free(ptr); }
#endif
}
