if(TARGET classlib_core)
  brassel_add_test(classlib_streams_test
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/FileStreamTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/ResourceStreamTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/StringsTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/IniFileTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/RegistryObjectTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/InOutErrorTest.cpp
    LIBS classlib_core)
  brassel_add_resource(classlib_streams_test TYPE Module NAME Decoder
                       FILE ${BRASSEL_FIXTURES_DIR}/win32/resource-payload.bin)
  if(TARGET win32_test_library)
    add_dependencies(classlib_streams_test win32_test_library)
    target_compile_definitions(classlib_streams_test PRIVATE
      TEST_LIBRARY="$<TARGET_FILE:win32_test_library>")
  endif()
endif()
