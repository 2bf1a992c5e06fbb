brassel_add_test(win32_window_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/WindowTest.cpp LIBS win32_window)
