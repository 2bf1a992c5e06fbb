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

# Layer III through teskdec.dll into WAV files, loaded as a host loads it.
if(TARGET teskdec)
  brassel_add_test(Layer3ModuleTest SOURCES ${CMAKE_CURRENT_LIST_DIR}/Layer3ModuleTest.cpp
                   LIBS ${CMAKE_DL_LIBS} THREADED)
  target_compile_definitions(Layer3ModuleTest PRIVATE TESKDEC_PATH="$<TARGET_FILE:teskdec>")
  add_dependencies(Layer3ModuleTest teskdec)
endif()
