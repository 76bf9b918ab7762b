# Tests of the stand-in NetWare client (simclient/).

# Under Wine, through the client's operations as a program calls them: the
# test program imports calwin32.dll and netwin32.dll and finds them, and
# nwsim.dll, in <build>/simclient through WINEPATH.
orvane_test(simclient_test simclient_test.cpp LIBS nwclient version
            ENVIRONMENT "WINEPATH=Z:${PROJECT_BINARY_DIR}/simclient")
add_dependencies(simclient_test nwsim calwin32 netwin32)

# On the host, from the files: each DLL exports exactly its operations, by
# their undecorated names.
add_test(NAME simclient_exports
         COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP}
                 -DCALWIN32=$<TARGET_FILE:calwin32> -DNETWIN32=$<TARGET_FILE:netwin32>
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/simclient_exports.cmake)
