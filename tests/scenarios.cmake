# Start-up and the quota lookup, driven through the real program.
orvane_window_test(startup_test startup_test.cpp)
orvane_window_test(lookup_test lookup_test.cpp)
