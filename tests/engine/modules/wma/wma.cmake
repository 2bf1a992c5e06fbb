# Tests of teskwma.dll through the plug-in interface, loaded as a host loads it.
if(TARGET teskwma)
  foreach(test WmaConversionTest)
    brassel_add_test(${test} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${test}.cpp
                     LIBS ${CMAKE_DL_LIBS} THREADED)
    target_compile_definitions(${test} PRIVATE TESKWMA_PATH="$<TARGET_FILE:teskwma>")
    add_dependencies(${test} teskwma)
  endforeach()
endif()
