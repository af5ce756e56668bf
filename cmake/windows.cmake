# Windows builds (mingw-w64; presets windows-x64 and windows-x86), included after src/:
# - zetch.dll and zetcore.dll with their import libraries zetch.lib and zetcore.lib. zetch.dll
#   exports the functions of include/zetch.h by name, numbered 1..N in ascending byte order of
#   the names, through a module-definition file written from the header at build time
#   (write_def.cmake); zetcore.dll exports what zetcore.h marks.
# - The tests run under Wine (wine64 for x64, wine for x86 where Debian's wine32 is installed and
#   the kernel starts 32-bit programs), each program in a throwaway prefix in the build tree.
#   Where they cannot run they are not built, and a test says why.
# - A test reads the DLLs' export and import tables from their files (tests/platform).

foreach(lib zetch zetcore)
  set_target_properties(${lib} PROPERTIES PREFIX "" IMPORT_PREFIX "" IMPORT_SUFFIX ".lib")
endforeach()
target_compile_definitions(zetcore PRIVATE ZETCORE_BUILD)

set(ZETCH_DEF_FILE ${PROJECT_BINARY_DIR}/src/zetch.def)
add_custom_command(OUTPUT ${ZETCH_DEF_FILE}
  COMMAND ${CMAKE_COMMAND} -DHEADER=${PROJECT_SOURCE_DIR}/include/zetch.h -DOUTPUT=${ZETCH_DEF_FILE}
          -P ${CMAKE_CURRENT_LIST_DIR}/write_def.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/include/zetch.h ${CMAKE_CURRENT_LIST_DIR}/write_def.cmake
  COMMENT "Writing the export table of zetch.dll from zetch.h")
add_custom_target(zetch_def DEPENDS ${ZETCH_DEF_FILE})
add_dependencies(zetch zetch_def)
target_link_options(zetch PRIVATE ${ZETCH_DEF_FILE})
set_target_properties(zetch PROPERTIES LINK_DEPENDS ${ZETCH_DEF_FILE})
install(FILES ${ZETCH_DEF_FILE} DESTINATION ${CMAKE_INSTALL_LIBDIR})

# The DLLs, the OpenMP runtime and what it needs (libgomp-1.dll, libgcc_s_*.dll,
# libwinpthread-1.dll) for programs run under Wine: their folders go on the Windows search path.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgomp-1.dll
                OUTPUT_VARIABLE gomp_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(gomp_dir "${gomp_dll}" DIRECTORY)
set(ZETCH_WINE_PATH "Z:${PROJECT_BINARY_DIR}/src;Z:${gomp_dir};Z:/usr/${ZETCH_MINGW_TRIPLE}/lib")

# Which Wine can start this build's programs.
set(ZETCH_WINE_SKIP "")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(ZETCH_WINE_ARCH win64)
  find_program(ZETCH_WINE NAMES wine64 PATHS /usr/lib/wine NO_CACHE)
  if(NOT ZETCH_WINE)
    set(ZETCH_WINE_SKIP "wine64 is not installed (tools/install-deps.sh installs it)")
  endif()
else()
  set(ZETCH_WINE_ARCH win32)
  # Debian's 32-bit loader comes with wine32, which needs the i386 package architecture.
  find_program(ZETCH_WINE NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH NO_CACHE)
  if(NOT ZETCH_WINE)
    set(ZETCH_WINE_SKIP "wine32 is not installed (Debian's wine32 needs the i386 package architecture)")
  endif()
endif()

set(ZETCH_WINE_RUN ${PROJECT_BINARY_DIR}/wine-run.sh)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${ZETCH_WINE_RUN} @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(NOT ZETCH_WINE_SKIP)
  # A program that only returns: whether Wine starts a program of this build here at all.
  set(probe_dir ${PROJECT_BINARY_DIR}/wine-probe)
  file(WRITE ${probe_dir}/probe.c "int main(void) { return 42; }\n")
  try_compile(probe_built ${probe_dir}/build ${probe_dir}/probe.c COPY_FILE ${probe_dir}/probe.exe)
  if(probe_built)
    execute_process(COMMAND ${ZETCH_WINE_RUN} ${probe_dir}/probe.exe RESULT_VARIABLE probe_result
                    OUTPUT_QUIET ERROR_VARIABLE probe_error TIMEOUT 120)
  endif()
  if(NOT probe_result EQUAL 42)
    string(STRIP "${probe_error}" probe_error)
    set(ZETCH_WINE_SKIP "${ZETCH_WINE} cannot start a ${CMAKE_SYSTEM_PROCESSOR} program here (${probe_result}: ${probe_error})")
  endif()
endif()

# Test programs get the main-thread stack Linux gives (8 MiB; mingw's default is 2 MiB): the
# tests that recurse deep on the main thread expect it.
string(APPEND CMAKE_EXE_LINKER_FLAGS " -Wl,--stack,8388608")
# 32-bit test programs may use the whole 4 GiB a 64-bit host gives them: the limit tests reserve
# 2 GiB of address space in one piece, more than the 2 GiB a 32-bit program gets by default.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  string(APPEND CMAKE_EXE_LINKER_FLAGS " -Wl,--large-address-aware")
endif()

enable_testing()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(ZETCH_OBJDUMP NAMES ${ZETCH_MINGW_TRIPLE}-objdump objdump REQUIRED)
# zetch.dll: exactly the public functions, by name and ordinal; it imports only the core library,
# the C runtime and the OpenMP runtime. zetcore.dll: the four functions of zetcore.h.
add_test(NAME windows_zetch_dll_exports
         COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/platform/check_exports.py pe $<TARGET_FILE:zetch>
                 --header ${PROJECT_SOURCE_DIR}/include/zetch.h --macro ZETCH_API --ordinals
                 --same-address zetsRegExpFree zetsRegExpMultiFree
                 --imports zetcore.dll libgomp-1.dll KERNEL32.dll msvcrt.dll)
add_test(NAME windows_zetcore_dll_exports
         COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/platform/check_exports.py pe $<TARGET_FILE:zetcore>
                 --header ${PROJECT_SOURCE_DIR}/src/core/zetcore.h --macro ZETCORE_API
                 --imports libgomp-1.dll KERNEL32.dll msvcrt.dll)
# The module-definition file is what the export table was made from: its ordinals too.
add_test(NAME windows_zetch_def_file
         COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/platform/check_exports.py def ${ZETCH_DEF_FILE}
                 --header ${PROJECT_SOURCE_DIR}/include/zetch.h --macro ZETCH_API --ordinals)

if(ZETCH_WINE_SKIP)
  message(STATUS "Windows tests will not run: ${ZETCH_WINE_SKIP}")
  set(ZETCH_BUILD_TESTS OFF)
  set(ZETCH_BUILD_EXAMPLES OFF)
  add_test(NAME windows_tests_under_wine
           COMMAND ${CMAKE_COMMAND} -E echo "not run: ${ZETCH_WINE_SKIP}; the DLLs were built and their tables checked")
  set_tests_properties(windows_tests_under_wine PROPERTIES SKIP_REGULAR_EXPRESSION "not run: ")
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZETCH_WINE_RUN})
endif()

# A C program linked against the import library as a Windows user links it, run with the DLLs.
add_executable(zetch_dll_client ${PROJECT_SOURCE_DIR}/tests/platform/dll_client.c)
target_link_libraries(zetch_dll_client PRIVATE zetch)
if(NOT ZETCH_WINE_SKIP)
  add_test(NAME windows_dll_client COMMAND zetch_dll_client)
endif()
