// How much machine stack the calling thread has left. Recursive code (the regular-expression
// matcher) compares the address of its own frame with a floor derived from these bounds, so that
// a deep recursion stops a safe distance above the end of the stack instead of running off it.
#pragma once

#include <cstdint>

namespace zet {

// Lowest address of the calling thread's stack (the stack grows down towards it), or 0 when the
// system does not tell. Costs a system query (microseconds on the main thread, where the C
// library reads the process's memory map): call it once per deep recursion, not per call.
std::uintptr_t ownStackLowEnd();

// Bytes kept free below the deepest recursive frame: room for the leaf calls made from the
// deepest level (character tests, library calls) and for a signal handler. Sanitizer builds
// have frames several times larger. On Windows the system keeps the last pages of every stack
// for itself (an access there raises the stack-overflow exception), so 16 KiB more stay free.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr std::uintptr_t kStackReserve = 96 * 1024;
#elif defined(_WIN32)
inline constexpr std::uintptr_t kStackReserve = 32 * 1024;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr std::uintptr_t kStackReserve = 96 * 1024;
#else
inline constexpr std::uintptr_t kStackReserve = 16 * 1024;
#endif
#else
inline constexpr std::uintptr_t kStackReserve = 16 * 1024;
#endif

// The address of the calling function's own frame.
#define ZET_FRAME_ADDRESS() (reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)))

}  // namespace zet
