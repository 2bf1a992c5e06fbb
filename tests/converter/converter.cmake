# The converter's tests: its naming rules alone, and its forms in-process, each test in a
# program folder and platform root of its own. The batch tests drive the modules' threads
# (ThreadSanitizer runs them); the window pictures only paint, through Qt, which that build
# cannot see into.
if(TARGET brasselapp)
  brassel_add_test(ConverterNamingTest
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/OutputBaseTest.cpp
      ${BRASSEL_SOURCE_ROOT}/converter/OutputBase.cpp
      ${BRASSEL_SOURCE_ROOT}/converter/PathParts.cpp)
endif()

if(TARGET brasselapp AND BRASSEL_CONVERTER_FORMS AND TARGET teskdec AND TARGET teskwma)
  set(_converter_test_support
    ${CMAKE_CURRENT_LIST_DIR}/ProgramFolder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ConverterFixture.cpp)
  brassel_add_test(ConverterFormsTest
    SOURCES
      ${_converter_test_support}
      ${CMAKE_CURRENT_LIST_DIR}/ConverterBatchTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/ConverterCommandsTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/ConverterStartCloseTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/ConverterOptionsTest.cpp
    LIBS brasselapp
    THREADED
    TIMEOUT 600)
  brassel_add_test(ConverterWindowsTest
    SOURCES
      ${_converter_test_support}
      ${CMAKE_CURRENT_LIST_DIR}/ConverterWindowsTest.cpp
    LIBS brasselapp)
  foreach(_test ConverterFormsTest ConverterWindowsTest)
    brassel_add_converter_resources(${_test})
    if(TARGET wmaudsdk)
      target_compile_definitions(${_test} PRIVATE BRASSEL_WMASDK_PATH="$<TARGET_FILE:wmaudsdk>")
      target_link_libraries(${_test} PRIVATE ${CMAKE_DL_LIBS})
    endif()
  endforeach()
endif()
