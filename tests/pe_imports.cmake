# pe_imports.cmake: checks, on the host, how Orvane.exe is linked.
#   cmake -DOBJDUMP=<objdump> -DEXE=<Orvane.exe> -DDEF_DIR=<netware dir> -P pe_imports.cmake
# Orvane.exe must be a 32-bit GUI program that runs on a bare workstation:
# no C++ runtime, libgcc or winpthread DLL beside it, only DLLs that every
# Windows has, and the NetWare client's calwin32.dll and netwin32.dll, whose
# functions it imports by the client's own undecorated names.
cmake_minimum_required(VERSION 3.25)

foreach(var OBJDUMP EXE DEF_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "pe_imports.cmake needs -D${var}=...")
  endif()
endforeach()

# DLLs that come with every Windows Orvane runs on.
set(system_dlls
  kernel32.dll user32.dll gdi32.dll msvcrt.dll advapi32.dll comctl32.dll
  comdlg32.dll shell32.dll shlwapi.dll ole32.dll oleaut32.dll uxtheme.dll
  version.dll imm32.dll winmm.dll ntdll.dll)
set(client_dlls calwin32.dll netwin32.dll)

set(failures "")
macro(fail text)
  string(APPEND failures "  ${text}\n")
endmacro()

execute_process(COMMAND ${OBJDUMP} -f ${EXE} OUTPUT_VARIABLE header RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -f ${EXE} failed (${rc})")
endif()
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE private RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${EXE} failed (${rc})")
endif()

if(NOT header MATCHES "file format pei-i386")
  fail("not a 32-bit PE file (pei-i386)")
endif()
if(NOT header MATCHES "architecture: i386,")
  fail("architecture is not i386")
endif()
if(NOT private MATCHES "Magic[ \t]+010b")
  fail("optional header is not PE32 (magic 010b)")
endif()
if(NOT private MATCHES "Subsystem[ \t]+00000002")
  fail("subsystem is not Windows GUI (2)")
endif()

# The import tables: each "DLL Name:" line, then its members.
string(REPLACE ";" "\\;" private "${private}")
string(REPLACE "\n" ";" lines "${private}")
set(dll "")
set(dlls "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*DLL Name: (.+)$")
    string(STRIP "${CMAKE_MATCH_1}" dll)
    string(TOLOWER "${dll}" dll)
    list(APPEND dlls ${dll})
    set(imports_${dll} "")
  elseif(dll AND line MATCHES "^\t[0-9a-f]+\t +[0-9]+  (.+)$")
    list(APPEND imports_${dll} "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^[^ \t]")
    set(dll "")
  endif()
endforeach()
list(REMOVE_DUPLICATES dlls)
message(STATUS "Orvane.exe imports: ${dlls}")

foreach(dll IN LISTS dlls)
  if(dll MATCHES "^(libstdc\\+\\+|libgcc|libwinpthread)")
    fail("${dll}: a MinGW runtime DLL; link statically")
  elseif(NOT dll IN_LIST system_dlls AND NOT dll IN_LIST client_dlls)
    fail("${dll}: neither a Windows system DLL nor the NetWare client")
  endif()
endforeach()

# Each client DLL: imported, and only by names it exports, undecorated.
foreach(dll IN LISTS client_dlls)
  if(NOT dll IN_LIST dlls)
    fail("${dll}: not imported")
    continue()
  endif()
  string(REGEX REPLACE "\\.dll$" ".def" def ${dll})
  file(STRINGS ${DEF_DIR}/${def} entries REGEX "^NW")
  list(TRANSFORM entries REPLACE "@[0-9]+$" "")
  foreach(name IN LISTS imports_${dll})
    if(name MATCHES "@")
      fail("${dll}: imports ${name}, a decorated name the client does not export")
    elseif(NOT name IN_LIST entries)
      fail("${dll}: imports ${name}, which is not one of its operations")
    endif()
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "${EXE}:\n${failures}")
endif()
message(STATUS "${EXE}: 32-bit GUI, imports only system DLLs and the NetWare client")
