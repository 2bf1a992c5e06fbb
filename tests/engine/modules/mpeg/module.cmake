if(TARGET teskdec)
  brassel_add_test(OutputConversionTest
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/OutputConversionTest.cpp
    LIBS ${CMAKE_DL_LIBS} THREADED)
  target_compile_definitions(OutputConversionTest PRIVATE TESKDEC_PATH="$<TARGET_FILE:teskdec>")
  add_dependencies(OutputConversionTest teskdec)
endif()
