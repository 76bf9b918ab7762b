orvane_test(netware_test netware_test.cpp LIBS netware)
