# Tests of teskwma.dll through the plug-in interface, loaded as a host loads it.
if(TARGET teskwma)
  foreach(test WmaConversionTest WmaExportsTest WmaRunTest)
    brassel_add_test(${test} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${test}.cpp
                     LIBS ${CMAKE_DL_LIBS} THREADED)
    target_compile_definitions(${test} PRIVATE TESKWMA_PATH="$<TARGET_FILE:teskwma>")
    add_dependencies(${test} teskwma)
  endforeach()

  # Loading a copy of the module with and without a way to the SDK library.
  add_executable(WmaLoadProbe ${CMAKE_CURRENT_LIST_DIR}/WmaLoadProbe.cpp)
  target_link_libraries(WmaLoadProbe PRIVATE ${CMAKE_DL_LIBS})
  brassel_add_test(WmaLoadTest SOURCES ${CMAKE_CURRENT_LIST_DIR}/WmaLoadTest.cpp
                   LIBS ${CMAKE_DL_LIBS})
  target_compile_definitions(WmaLoadTest PRIVATE TESKWMA_PATH="$<TARGET_FILE:teskwma>"
                             WMA_LOAD_PROBE="$<TARGET_FILE:WmaLoadProbe>")
  add_dependencies(WmaLoadTest teskwma WmaLoadProbe)
endif()

# The module's reader callback and operations against a scripted reader in place of the SDK.
if(TARGET wmamodule)
  brassel_add_test(WmaReaderCallbackTest
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CodePageTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/ScriptedReader.cpp
            ${CMAKE_CURRENT_LIST_DIR}/WmaReaderCallbackTest.cpp
    LIBS wmamodule)
endif()
