if(TARGET mpegcore)
  brassel_add_test(MpegCoreTest
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/FrameReaderTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/Layer12Test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/SynthesisTest.cpp
    LIBS mpegcore)
endif()

if(TARGET mpegcore)
  brassel_add_test(MpegCoreThreadTest
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/SeekWhileDecodingTest.cpp
    LIBS mpegcore
    THREADED)
endif()
