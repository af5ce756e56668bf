// Test double of libzetcore, linked into the tests in its place. It can report the SSE4.2
// feature either way, counts allocations and releases, and fails allocations on demand.
// Tests that change it hold a CoreScope, which restores the defaults when it ends.
#pragma once

#include <initializer_list>

namespace zetcore_double {

// Whether the processor really has SSE4.2 (CPUID), whatever the double reports.
bool hardwareHasSse42();
// Makes ownGetFeature(0x80) answer `on`. Returns false, and changes nothing, when `on` is
// asked for on hardware without SSE4.2 (the kernels would not run).
bool reportSse42(bool on);
// Number of ownGetFeature calls since the last reset.
int featureQueries();
int mallocCalls();
int freeCalls();
// The next `n` zetMalloc calls return null (they are still counted).
void failNextMallocs(int n);
// Thread count ownGetNumThreads reports (default: the hardware's).
void setNumThreads(int n);
// Back to the hardware's answers and zero counters.
void reset();

struct CoreScope {
    CoreScope() { reset(); }
    ~CoreScope() { reset(); }
    CoreScope(const CoreScope&) = delete;
    CoreScope& operator=(const CoreScope&) = delete;
};

// Runs fn once with SSE4.2 reported present (when the hardware has it) and once absent,
// passing the reported answer; the defaults are restored afterwards.
template <class Fn>
void forBothKernels(Fn fn) {
    CoreScope scope;
    for (bool on : {true, false}) {
        if (!reportSse42(on)) continue;
        fn(on);
    }
}

}  // namespace zetcore_double
