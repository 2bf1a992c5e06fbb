# Tests of teskdec.dll through the plug-in interface, loaded as a host loads it.
if(TARGET teskdec)
  foreach(test OutputConversionTest ExportsTest ModuleModesTest ModuleRunTest)
    brassel_add_test(${test} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${test}.cpp
                     LIBS ${CMAKE_DL_LIBS} THREADED)
    target_compile_definitions(${test} PRIVATE TESKDEC_PATH="$<TARGET_FILE:teskdec>")
    add_dependencies(${test} teskdec)
  endforeach()
endif()
