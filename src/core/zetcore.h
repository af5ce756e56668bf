// The four operations zetch takes from its core library (libzetcore): the processor-feature
// query, the thread count and 64-byte-aligned heap blocks. Tests link a double of this library
// (tests/support/zetcore_double.cpp) that can answer the feature question either way and count
// or fail allocations.
#pragma once

#include <cstdint>

#if defined(_WIN32) && defined(ZETCORE_BUILD)
#define ZETCORE_API __declspec(dllexport)
#elif defined(_WIN32)
#define ZETCORE_API
#else
#define ZETCORE_API __attribute__((visibility("default")))
#endif

extern "C" {

// Feature bit of the SSE4.2 string and text instructions, the only one zetch asks about.
inline constexpr std::uint64_t zetFeatureSse42 = 0x80;

// Nonzero when every feature in mask is present and usable.
ZETCORE_API int ownGetFeature(std::uint64_t mask);
// Number of threads zetch may use; always at least 1. It is the OpenMP runtime's count for the
// calling thread (omp_get_max_threads), read at every call: OMP_NUM_THREADS sets it for a process,
// omp_set_num_threads for the thread that calls it.
ZETCORE_API int ownGetNumThreads(void);
// A block of size bytes aligned to 64, or null (also for size < 1).
ZETCORE_API void* zetMalloc(int size);
// Releases a block from zetMalloc; null is ignored.
ZETCORE_API void zetFree(void* ptr);
}
