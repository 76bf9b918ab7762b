# Tests of the resources that Orvane.exe carries, and of how it is linked.

# Read back under Wine from the built Orvane.exe.
orvane_test(resources_test resources_test.cpp LIBS version)
target_include_directories(resources_test PRIVATE ${PROJECT_SOURCE_DIR}/resources)
target_compile_definitions(resources_test PRIVATE ORVANE_EXE="$<TARGET_FILE:Orvane>")
add_dependencies(resources_test Orvane)

# On the host, from the file itself: a 32-bit GUI program that brings no
# runtime DLL along and imports nothing but Windows and the NetWare client.
add_test(NAME pe_imports
         COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DEXE=$<TARGET_FILE:Orvane>
                 -DDEF_DIR=${PROJECT_SOURCE_DIR}/netware -P ${CMAKE_CURRENT_SOURCE_DIR}/pe_imports.cmake)
