brassel_add_test(win32_machine_test
                 SOURCES ${CMAKE_CURRENT_LIST_DIR}/MachineTest.cpp
                         ${CMAKE_CURRENT_LIST_DIR}/AtomicFileTest.cpp
                 LIBS win32_machine)
brassel_add_test(win32_registry_test
                 SOURCES ${CMAKE_CURRENT_LIST_DIR}/RegistryTest.cpp
                         ${CMAKE_CURRENT_LIST_DIR}/RegistryHiveTest.cpp
                 LIBS win32_registry THREADED)
brassel_add_test(win32_profile_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProfileTest.cpp
                 LIBS win32_profile THREADED)
brassel_add_test(win32_shell_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShellTest.cpp
                 LIBS win32_shell)

# A resource from a fixture, one from a path with blanks and quotes, and an empty one.
brassel_add_test(win32_resources_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ResourcesTest.cpp
                 LIBS win32_resources)
set(_win32_odd_resource "${CMAKE_CURRENT_BINARY_DIR}/resource dir/it's \"odd\" #1.txt")
# Written once, so that a new configure does not make them look changed.
if(NOT EXISTS "${_win32_odd_resource}")
  file(WRITE "${_win32_odd_resource}" "odd path\n")
endif()
if(NOT EXISTS "${CMAKE_CURRENT_BINARY_DIR}/empty-resource.bin")
  file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/empty-resource.bin" "")
endif()
brassel_add_resource(win32_resources_test TYPE Module NAME Decoder
                     FILE ${BRASSEL_FIXTURES_DIR}/win32/resource-payload.bin)
brassel_add_resource(win32_resources_test TYPE Module NAME Odd FILE "${_win32_odd_resource}")
brassel_add_resource(win32_resources_test TYPE Application NAME Empty
                     FILE ${CMAKE_CURRENT_BINARY_DIR}/empty-resource.bin)
# A resource that is the output of another target, built before it and followed on change.
brassel_add_resource(win32_resources_test TYPE Module NAME Built FILE $<TARGET_FILE:win32_machine>)
target_compile_definitions(win32_resources_test PRIVATE
  BUILT_RESOURCE_FILE="$<TARGET_FILE:win32_machine>")
