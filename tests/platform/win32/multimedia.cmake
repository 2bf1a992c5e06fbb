# Wave output and timers, DirectSound, on the virtual device; the keyboard focus calls.
brassel_add_test(MultimediaTest SOURCES ${CMAKE_CURRENT_LIST_DIR}/MultimediaTest.cpp
                 LIBS win32_mmsystem THREADED)
brassel_add_test(DirectSoundTest SOURCES ${CMAKE_CURRENT_LIST_DIR}/DirectSoundTest.cpp
                 LIBS win32_dsound THREADED)
brassel_add_test(WindowFocusTest SOURCES ${CMAKE_CURRENT_LIST_DIR}/WindowFocusTest.cpp
                 LIBS win32_window)
