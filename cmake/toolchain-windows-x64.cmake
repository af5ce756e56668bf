# 64-bit Windows (x86-64) with mingw-w64; see mingw-w64.cmake.
set(ZETCH_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
