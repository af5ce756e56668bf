// The C runtime's unistd.h, with the one query the tests add to it: the page size.
#pragma once

#include_next <unistd.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#define _SC_PAGESIZE 30

inline long sysconf(int name) {
    if (name != _SC_PAGESIZE) return -1;
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return static_cast<long>(info.dwPageSize);
}
