// The memory-mapping calls the tests use (anonymous private mappings, page protection), made of
// their Windows equivalents, so that guard pages really are unreadable there too: a mapping is
// one VirtualAlloc block, PROT_NONE is PAGE_NOACCESS, and a read or write the protection forbids
// raises an access violation as it raises SIGSEGV elsewhere. Only what the tests need is here:
// no files, no fixed addresses, whole blocks unmapped at once.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstddef>

#define PROT_NONE 0
#define PROT_READ 1
#define PROT_WRITE 2
#define MAP_PRIVATE 0x02
#define MAP_ANONYMOUS 0x20
#define MAP_NORESERVE 0x4000
#define MAP_FAILED (reinterpret_cast<void*>(-1))

namespace zetch_test_windows {

inline DWORD pageProtection(int prot) {
    if (prot & PROT_WRITE) return PAGE_READWRITE;
    return (prot & PROT_READ) ? PAGE_READONLY : PAGE_NOACCESS;
}

}  // namespace zetch_test_windows

// MAP_NORESERVE reserves the address range without committing memory: every access faults.
inline void* mmap(void* addr, std::size_t length, int prot, int flags, int fd, long offset) {
    if (addr != nullptr || fd != -1 || offset != 0 || !(flags & MAP_ANONYMOUS) || length == 0) return MAP_FAILED;
    const DWORD type = (flags & MAP_NORESERVE) ? MEM_RESERVE : MEM_RESERVE | MEM_COMMIT;
    const DWORD protect = (flags & MAP_NORESERVE) ? PAGE_NOACCESS : zetch_test_windows::pageProtection(prot);
    void* p = VirtualAlloc(nullptr, length, type, protect);
    return p != nullptr ? p : MAP_FAILED;
}

inline int mprotect(void* addr, std::size_t length, int prot) {
    DWORD old = 0;
    return VirtualProtect(addr, length, zetch_test_windows::pageProtection(prot), &old) ? 0 : -1;
}

// Releases the whole block that mmap returned at addr.
inline int munmap(void* addr, std::size_t) { return VirtualFree(addr, 0, MEM_RELEASE) ? 0 : -1; }
