if(TARGET mpegcore)
  brassel_add_test(Layer3Test
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/Layer3ConformanceTest.cpp
    LIBS mpegcore)
endif()
