# The 32-bit Linux build (preset linux-i386: -m32 with Debian's g++-multilib), included after
# src/. Compiling the library checks the record layouts against the System V i386 ABI
# (src/core/layout.h); a test checks libzetch.so's exports with nm. The tests need a kernel that
# starts 32-bit programs: where it does not, they are not built, and a test says why.

# A program that only returns: whether this machine starts the build's programs at all.
set(probe_dir ${PROJECT_BINARY_DIR}/i386-probe)
file(WRITE ${probe_dir}/probe.c "int main(void) { return 42; }\n")
try_run(probe_result probe_built ${probe_dir}/build ${probe_dir}/probe.c
        COMPILE_OUTPUT_VARIABLE probe_compile RUN_OUTPUT_VARIABLE probe_output)
set(ZETCH_I386_SKIP "")
if(NOT probe_built)
  message(FATAL_ERROR "-m32 programs do not build (install Debian's g++-multilib):\n${probe_compile}")
elseif(NOT probe_result EQUAL 42)
  set(ZETCH_I386_SKIP "this kernel cannot start 32-bit programs (${probe_result})")
endif()

enable_testing()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME i386_zetch_exports
         COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/platform/check_exports.py elf $<TARGET_FILE:zetch>
                 --header ${PROJECT_SOURCE_DIR}/include/zetch.h --macro ZETCH_API --nm ${CMAKE_NM}
                 --same-address zetsRegExpFree zetsRegExpMultiFree)
add_test(NAME i386_zetcore_exports
         COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/platform/check_exports.py elf $<TARGET_FILE:zetcore>
                 --header ${PROJECT_SOURCE_DIR}/src/core/zetcore.h --macro ZETCORE_API --nm ${CMAKE_NM})

if(ZETCH_I386_SKIP)
  message(STATUS "i386 tests will not run: ${ZETCH_I386_SKIP}")
  set(ZETCH_BUILD_TESTS OFF)
  set(ZETCH_BUILD_EXAMPLES OFF)
  add_test(NAME i386_tests
           COMMAND ${CMAKE_COMMAND} -E echo "not run: ${ZETCH_I386_SKIP}; the libraries were built and their exports checked")
  set_tests_properties(i386_tests PROPERTIES SKIP_REGULAR_EXPRESSION "not run: ")
endif()
