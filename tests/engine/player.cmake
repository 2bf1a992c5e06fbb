# Test-only decoder modules, one source built in four variants.
set(_test_module_source ${CMAKE_CURRENT_LIST_DIR}/TestModule.cpp)
foreach(variant recording without_qveq init_fails refuses)
  add_library(test_module_${variant} SHARED ${_test_module_source})
  target_include_directories(test_module_${variant} PRIVATE ${BRASSEL_SOURCE_ROOT})
endforeach()
target_compile_definitions(test_module_without_qveq PRIVATE TEST_MODULE_WITHOUT_QVEQ)
target_compile_definitions(test_module_init_fails PRIVATE TEST_MODULE_INIT_FAILS)
target_compile_definitions(test_module_refuses PRIVATE TEST_MODULE_REFUSES)

brassel_add_test(player_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/YzSExceptionTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/YzPlayerTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/YzPlayerCallbacksTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/YzPlayerManTest.cpp
  LIBS player)
add_dependencies(player_test test_module_recording test_module_without_qveq
                 test_module_init_fails test_module_refuses)
target_compile_definitions(player_test PRIVATE
  RECORDING_MODULE="$<TARGET_FILE:test_module_recording>"
  WITHOUT_QVEQ_MODULE="$<TARGET_FILE:test_module_without_qveq>"
  INIT_FAILS_MODULE="$<TARGET_FILE:test_module_init_fails>"
  REFUSING_MODULE="$<TARGET_FILE:test_module_refuses>")
