# simclient_exports.cmake: checks, on the host, the export tables of the
# stand-in's DLLs.
#   cmake -DOBJDUMP=<objdump> -DCALWIN32=<calwin32.dll> -DNETWIN32=<netwin32.dll> -P simclient_exports.cmake
# Each must export exactly the client operations of its library, under the
# undecorated names the real client uses, and nothing else.
cmake_minimum_required(VERSION 3.25)

foreach(var OBJDUMP CALWIN32 NETWIN32)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "simclient_exports.cmake needs -D${var}=...")
  endif()
endforeach()

set(expected_calwin32
  NWCallsInit NWGetDefaultConnectionID NWGetVolumeName NWGetObjDiskRestrictions NWCallsTerm)
set(expected_netwin32
  NWNetInit NWGetDefaultNameContext NWDSCreateContextHandle NWDSSetContext NWDSWhoAmI
  NWDSResolveName NWDSFreeContext NWNetTerm)

set(failures "")
foreach(dll calwin32 netwin32)
  string(TOUPPER ${dll} var)
  execute_process(COMMAND ${OBJDUMP} -p ${${var}} OUTPUT_VARIABLE private RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${${var}} failed (${rc})")
  endif()
  if(NOT private MATCHES "\nName[ \t]+[0-9a-f]+[ \t]+${dll}\\.dll\n")
    string(APPEND failures "  ${dll}: its export directory does not name ${dll}.dll\n")
  endif()

  # The names after "[Ordinal/Name Pointer] Table", up to the blank line.
  string(REPLACE ";" "\\;" private "${private}")
  string(REPLACE "\n" ";" lines "${private}")
  set(in_table FALSE)
  set(exports "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
      set(in_table TRUE)
    elseif(in_table AND line MATCHES "^\t\\[ *[0-9]+\\] (.+)$")
      list(APPEND exports "${CMAKE_MATCH_1}")
    elseif(in_table)
      set(in_table FALSE)
    endif()
  endforeach()

  list(SORT exports)
  set(expected ${expected_${dll}})
  list(SORT expected)
  if(NOT exports STREQUAL expected)
    string(APPEND failures "  ${dll}.dll exports [${exports}]\n    expected [${expected}]\n")
  endif()
endforeach()

if(failures)
  message(FATAL_ERROR "The stand-in client's exports are wrong:\n${failures}")
endif()
message(STATUS "calwin32.dll and netwin32.dll export exactly their operations, undecorated")
