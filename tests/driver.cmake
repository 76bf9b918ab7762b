# The test driver that starts the real Orvane.exe under Wine against the
# stand-in client, and the tests of the driver itself.
add_library(driver STATIC
  driver/Census.cpp driver/Check.cpp driver/Keys.cpp driver/Orvane.cpp driver/Trace.cpp)
target_include_directories(driver PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/driver ${PROJECT_SOURCE_DIR}/window)
target_link_libraries(driver PUBLIC GTest::gtest)
# Where the program and the stand-in DLLs are; the driver hands Wine these
# Unix paths on drive Z:.
target_compile_definitions(driver PRIVATE
  ORVANE_EXE="$<TARGET_FILE:Orvane>"
  SIMCLIENT_DIR="${PROJECT_BINARY_DIR}/simclient"
  DEMO_NETWORK="${PROJECT_SOURCE_DIR}/simclient/demo.ini")
# A test of the window needs the program and the stand-in built.
add_dependencies(driver Orvane)
foreach(dll nwsim calwin32 netwin32)
  if(TARGET ${dll})
    add_dependencies(driver ${dll})
  endif()
endforeach()

# orvane_window_test(NAME SOURCES...): a test program that drives Orvane.exe.
# All such tests share the desktop and its one foreground window, into which
# the driver types, so CTest runs them one at a time.
function(orvane_window_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE driver GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
    PROPERTIES TIMEOUT 120 RESOURCE_LOCK orvane_desktop)
endfunction()

orvane_test(driver_test driver/driver_test.cpp LIBS driver)
