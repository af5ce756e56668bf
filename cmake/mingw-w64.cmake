# Cross-compiling for Windows with Debian's mingw-w64 GCC, included by the two toolchain files
# (toolchain-windows-x64.cmake, toolchain-windows-x86.cmake) after they set ZETCH_MINGW_TRIPLE.
# The compilers of the posix thread model are used: their C++ library has std::thread, which the
# tests need. The GCC and C++ runtimes are linked statically into every DLL and program, so that
# zetch.dll imports nothing but zetcore.dll, the C runtime and the OpenMP runtime.
set(CMAKE_SYSTEM_NAME Windows)
if(ZETCH_MINGW_TRIPLE MATCHES "^x86_64")
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
  set(CMAKE_SYSTEM_PROCESSOR x86)
endif()

set(hint "Debian's g++-mingw-w64-x86-64 and g++-mingw-w64-i686 (tools/install-deps.sh installs them)")
find_program(CMAKE_C_COMPILER ${ZETCH_MINGW_TRIPLE}-gcc-posix)
find_program(CMAKE_CXX_COMPILER ${ZETCH_MINGW_TRIPLE}-g++-posix)
find_program(CMAKE_RC_COMPILER ${ZETCH_MINGW_TRIPLE}-windres)
if(NOT CMAKE_C_COMPILER OR NOT CMAKE_CXX_COMPILER)
  message(FATAL_ERROR "No ${ZETCH_MINGW_TRIPLE} compiler: install ${hint}")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${ZETCH_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
