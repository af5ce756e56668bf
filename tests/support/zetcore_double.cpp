#include "support/zetcore_double.h"

#include <cpuid.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#if defined(_WIN32)
#include <malloc.h>
#endif
#include <thread>

namespace {

std::atomic<int> gFeature{-1};  // -1: the hardware's answer
std::atomic<int> gFeatureQueries{0};
std::atomic<int> gMallocs{0};
std::atomic<int> gFrees{0};
std::atomic<int> gFailing{0};
std::atomic<int> gThreads{0};  // 0: the hardware's count

}  // namespace

namespace zetcore_double {

bool hardwareHasSse42() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_SSE4_2);
}

bool reportSse42(bool on) {
    if (on && !hardwareHasSse42()) return false;
    gFeature = on ? 1 : 0;
    return true;
}

int featureQueries() { return gFeatureQueries; }
int mallocCalls() { return gMallocs; }
int freeCalls() { return gFrees; }
void failNextMallocs(int n) { gFailing = n; }
void setNumThreads(int n) { gThreads = n; }

void reset() {
    gFeature = -1;
    gFeatureQueries = 0;
    gMallocs = 0;
    gFrees = 0;
    gFailing = 0;
    gThreads = 0;
}

}  // namespace zetcore_double

extern "C" {

int ownGetFeature(std::uint64_t mask) {
    ++gFeatureQueries;
    if (mask != 0x80) return 0;
    int f = gFeature;
    return f < 0 ? (zetcore_double::hardwareHasSse42() ? 1 : 0) : f;
}

int ownGetNumThreads(void) {
    int n = gThreads;
    if (n > 0) return n;
    unsigned hw = std::thread::hardware_concurrency();
    return hw > 0 ? static_cast<int>(hw) : 1;
}

void* zetMalloc(int size) {
    ++gMallocs;
    if (gFailing > 0) {
        --gFailing;
        return nullptr;
    }
    if (size < 1) return nullptr;
#if defined(_WIN32)
    return _aligned_malloc(static_cast<std::size_t>(size), 64);
#else
    return std::aligned_alloc(64, (static_cast<std::size_t>(size) + 63) & ~std::size_t{63});
#endif
}

void zetFree(void* ptr) {
    ++gFrees;
#if defined(_WIN32)
    _aligned_free(ptr);
#else
    std::free(ptr);
#endif
}
}
