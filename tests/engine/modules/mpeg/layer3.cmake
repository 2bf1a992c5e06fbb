if(TARGET mpegcore)
  brassel_add_test(Layer3Test
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/Layer3ConformanceTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/Layer3FixtureTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/Layer3FrameTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/Layer3HuffmanTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/Layer3HybridTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/Layer3RequantizeTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/Layer3SideInfoTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/Layer3StereoTest.cpp
    LIBS mpegcore)
endif()
