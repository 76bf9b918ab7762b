# Tests that drive the real Orvane.exe: the main window's layout, keys,
# closing and failure report.
orvane_window_test(window_test window_test.cpp)
orvane_window_test(window_layout_test window_layout_test.cpp)

# The layout once more at 144 DPI. Wine takes the DPI from the registry
# (HKCU\Control Panel\Desktop, LogPixels) for the whole prefix, so this run
# has a prefix of its own rather than changing the one the other tests share.
set(dpi144_dir ${CMAKE_CURRENT_BINARY_DIR}/dpi144)
file(MAKE_DIRECTORY ${dpi144_dir})
add_test(NAME window_dpi144_prefix
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-run ${dpi144_dir}
          reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d 144 /f)
add_test(NAME window_layout_at_144dpi
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-run ${dpi144_dir} $<TARGET_FILE:window_layout_test>)
set_tests_properties(window_dpi144_prefix PROPERTIES
  FIXTURES_SETUP dpi144 TIMEOUT 300 RESOURCE_LOCK orvane_desktop)
set_tests_properties(window_layout_at_144dpi PROPERTIES
  FIXTURES_REQUIRED dpi144 ENVIRONMENT ORVANE_TEST_DPI=144 TIMEOUT 300 RESOURCE_LOCK orvane_desktop)
