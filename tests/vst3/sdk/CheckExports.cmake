# cmake -DNM=<nm> -DMODULE=<module.so> -P CheckExports.cmake
# Fails unless the module defines exactly the entry functions in its dynamic symbol table.
# EXPECTED (comma-separated, sorted) names another module's entry functions.
if(DEFINED EXPECTED)
  string(REPLACE "," ";" expected "${EXPECTED}")
else()
  set(expected ExitDll GetPluginFactory InitDll ModuleEntry ModuleExit)
endif()
execute_process(COMMAND ${NM} -D --defined-only ${MODULE}
  OUTPUT_VARIABLE listing RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${MODULE}: ${errors}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(found "")
foreach(line IN LISTS lines)
  # "<address> <type> <name>", possibly with a version suffix on the name.
  if(line MATCHES "^[0-9a-fA-F]+ [A-Za-z] ([^@ ]+)")
    list(APPEND found ${CMAKE_MATCH_1})
  endif()
endforeach()
list(SORT found)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "exported symbols of ${MODULE}:\n  ${found}\nexpected:\n  ${expected}")
endif()
message(STATUS "exports: ${found}")
