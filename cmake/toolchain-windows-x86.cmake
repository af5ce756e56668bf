# 32-bit Windows (i686) with mingw-w64; see mingw-w64.cmake.
set(ZETCH_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
