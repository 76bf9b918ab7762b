# Robustness: Orvane.exe against a hostile client, hostile input, another
# code page, and many lookups in one process, with Wine's heap checking on.

# orvane_robustness_test(NAME SOURCES... [TIMEOUT s]): a test program that
# drives Orvane.exe and reads Wine's reports about it. Wine gives a process
# the Unix standard error of the process that started it, so the test
# program's own standard error is appended to a file of its own, which it
# reads back (robustness_support.h).
function(orvane_robustness_test name)
  cmake_parse_arguments(arg "" "TIMEOUT" "" ${ARGN})
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 300)
  endif()
  add_executable(${name} ${arg_UNPARSED_ARGUMENTS} robustness_support.cpp)
  target_link_libraries(${name} PRIVATE driver GTest::gtest_main)
  set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR
    env ORVANE_CHILD_STDERR=${CMAKE_CURRENT_BINARY_DIR}/${name}.stderr
    sh -c "exec \"$@\" 2>>\"$ORVANE_CHILD_STDERR\"" sh ${CMAKE_CROSSCOMPILING_EMULATOR})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
    PROPERTIES TIMEOUT ${arg_TIMEOUT} RESOURCE_LOCK orvane_desktop)
endfunction()

orvane_robustness_test(robustness_chaos_test robustness_chaos_test.cpp TIMEOUT 600)
orvane_robustness_test(robustness_input_test robustness_input_test.cpp)
orvane_robustness_test(robustness_leak_test robustness_leak_test.cpp TIMEOUT 600)

# The code-page tests once more in code page 1251. Wine gives a program that
# another one starts the code page of the one that starts it, whatever the
# LC_ALL in its own environment, so the test program itself runs with it.
add_test(NAME robustness_input_cp1251
  COMMAND robustness_input_test --gtest_filter=ThisCodePage/*:Input.ClientTexts*:CodePage.*)
set_tests_properties(robustness_input_cp1251 PROPERTIES
  ENVIRONMENT "LC_ALL=ru_RU.UTF-8;ORVANE_EXPECT_CODE_PAGE=1251" TIMEOUT 300 RESOURCE_LOCK orvane_desktop)
