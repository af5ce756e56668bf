# Writes the module-definition file of zetch.dll from the public header, at build time:
#   cmake -DHEADER=include/zetch.h -DOUTPUT=zetch.def -P write_def.cmake
# Every function the header declares with ZETCH_API is exported by name, and the exports are
# numbered from 1 in ascending byte order of their names (the order of the export table).
file(READ "${HEADER}" text)
string(REGEX MATCHALL "\nZETCH_API [^;(]*[^A-Za-z0-9_][A-Za-z_][A-Za-z0-9_]*\\(" declarations "${text}")
set(names "")
foreach(declaration IN LISTS declarations)
  string(REGEX REPLACE ".*[^A-Za-z0-9_]([A-Za-z_][A-Za-z0-9_]*)\\($" "\\1" name "${declaration}")
  list(APPEND names "${name}")
endforeach()
list(LENGTH names count)
list(REMOVE_DUPLICATES names)
list(LENGTH names unique)
if(count EQUAL 0 OR NOT count EQUAL unique)
  message(FATAL_ERROR "${HEADER}: ${count} ZETCH_API declarations, ${unique} distinct names")
endif()
list(SORT names COMPARE STRING CASE SENSITIVE)

set(def "; Written from ${HEADER} at build time: do not edit.\nEXPORTS\n")
set(ordinal 0)
foreach(name IN LISTS names)
  math(EXPR ordinal "${ordinal} + 1")
  string(APPEND def "    ${name} @${ordinal}\n")
endforeach()
# Unchanged content keeps the file's time, so that the DLL is not linked again for nothing.
file(WRITE "${OUTPUT}.tmp" "${def}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
