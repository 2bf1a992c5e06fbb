brassel_add_test(ComTest SOURCES ${CMAKE_CURRENT_LIST_DIR}/ComTest.cpp LIBS win32_com THREADED)
brassel_add_test(ThreadsTest SOURCES ${CMAKE_CURRENT_LIST_DIR}/ThreadsTest.cpp LIBS win32_threads
                 THREADED)
