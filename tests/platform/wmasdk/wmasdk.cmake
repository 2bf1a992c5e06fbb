brassel_add_test(wmasdk_reader_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/CreateReaderTest.cpp ${CMAKE_CURRENT_LIST_DIR}/AudioReaderTest.cpp
  LIBS wmaudsdk
  THREADED)
