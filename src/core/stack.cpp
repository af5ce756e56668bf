#include "core/stack.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace zet {

#if defined(_WIN32)

// A thread's stack is one reservation that is committed downwards as it is used: its base is
// the lowest address of the stack (the system's own guard pages lie just above it, which
// kStackReserve allows for).
std::uintptr_t ownStackLowEnd() {
    MEMORY_BASIC_INFORMATION info;
    const int here = 0;
    if (VirtualQuery(&here, &info, sizeof info) == 0) return 0;
    return reinterpret_cast<std::uintptr_t>(info.AllocationBase);
}

#else

std::uintptr_t ownStackLowEnd() {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return 0;
    void* low = nullptr;
    std::size_t size = 0;
    const int rc = pthread_attr_getstack(&attr, &low, &size);
    pthread_attr_destroy(&attr);
    return rc == 0 ? reinterpret_cast<std::uintptr_t>(low) : 0;
}

#endif

}  // namespace zet
