brassel_add_test(ModuleFrameTest SOURCES ${CMAKE_CURRENT_LIST_DIR}/ModuleFrameTest.cpp
                 LIBS modulecommon THREADED)
brassel_add_test(WavFileOutputTest SOURCES ${CMAKE_CURRENT_LIST_DIR}/WavFileOutputTest.cpp
                 LIBS modulecommon)
brassel_add_test(CallbackOutputTest SOURCES ${CMAKE_CURRENT_LIST_DIR}/CallbackOutputTest.cpp
                 LIBS modulecommon)
brassel_add_test(OutputWriterTest SOURCES ${CMAKE_CURRENT_LIST_DIR}/OutputWriterTest.cpp
                 LIBS modulecommon THREADED)
