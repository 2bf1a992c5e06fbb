# Build helpers shared by every folder.

# Each folder's CMakeLists.txt includes the *.cmake fragments beside it, one per area of the
# folder, so that the pieces of a folder can grow independently.
macro(brassel_include_fragments)
  file(GLOB _brassel_fragments CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cmake)
  list(SORT _brassel_fragments)
  foreach(_brassel_fragment IN LISTS _brassel_fragments)
    include(${_brassel_fragment})
  endforeach()
endmacro()

# brassel_add_test(NAME SOURCES <files...> [LIBS <targets...>] [TIMEOUT <seconds>] [THREADED])
# THREADED labels the tests "threaded": the ThreadSanitizer build runs those.
# A GoogleTest executable whose tests CTest discovers. Tests find the conformance streams and
# the fixtures through BRASSEL_VECTORS_DIR and BRASSEL_FIXTURES_DIR.
function(brassel_add_test name)
  cmake_parse_arguments(T "THREADED" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${BRASSEL_SOURCE_ROOT})
  target_compile_definitions(${name} PRIVATE
    BRASSEL_VECTORS_DIR="${BRASSEL_VECTORS_DIR}"
    BRASSEL_FIXTURES_DIR="${BRASSEL_FIXTURES_DIR}"
    BRASSEL_BINARY_DIR="${CMAKE_BINARY_DIR}")
  set(labels unit)
  if(T_THREADED)
    set(labels threaded)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS ${labels} ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
