# The player driving the real MPEG module.
if(TARGET teskdec)
  brassel_add_test(player_conversion_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ConversionTest.cpp
    LIBS player THREADED)
  brassel_add_test(player_callback_conversion_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CallbackConversionTest.cpp
    LIBS player THREADED)
  foreach(test player_conversion_test player_callback_conversion_test)
    add_dependencies(${test} teskdec)
    target_compile_definitions(${test} PRIVATE TESKDEC_MODULE="$<TARGET_FILE:teskdec>")
  endforeach()
endif()
