# Build helpers shared by every folder.

# brassel_check_fixtures(<owner> <files...>)
# Fails the configure step, naming the file, when a fixture that <owner> reads is missing.
# Files are given by their path inside tests/fixtures.
function(brassel_check_fixtures owner)
  foreach(file IN LISTS ARGN)
    if(NOT EXISTS ${BRASSEL_FIXTURES_DIR}/${file})
      message(FATAL_ERROR "${owner}: fixture ${BRASSEL_FIXTURES_DIR}/${file} is missing")
    endif()
    # A fixture removed after the configure step stops the next build by its name as well.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${BRASSEL_FIXTURES_DIR}/${file})
  endforeach()
endfunction()

# brassel_add_test(NAME SOURCES <files...> [LIBS <targets...>] [FIXTURES <files...>]
#                  [TIMEOUT <seconds>] [THREADED] [LABELS <labels...>])
# A GoogleTest executable whose tests CTest discovers. Tests find the conformance streams and
# the fixtures through BRASSEL_VECTORS_DIR and BRASSEL_FIXTURES_DIR; FIXTURES names the files
# (inside tests/fixtures) the test reads, each of which must exist. THREADED labels the tests
# "threaded": the ThreadSanitizer build runs those; LABELS adds labels of their own. The
# program's main gives it a machine of its own; CTest starts it with HOME at BRASSEL_TEST_HOME,
# which the suite checks stays empty.
function(brassel_add_test name)
  cmake_parse_arguments(T "THREADED" "TIMEOUT" "SOURCES;LIBS;FIXTURES;LABELS" ${ARGN})
  if(T_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "brassel_add_test(${name}): unknown arguments ${T_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  brassel_check_fixtures(${name} ${T_FIXTURES})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock testmain)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE
    BRASSEL_VECTORS_DIR="${BRASSEL_VECTORS_DIR}"
    BRASSEL_FIXTURES_DIR="${BRASSEL_FIXTURES_DIR}"
    BRASSEL_BINARY_DIR="${CMAKE_BINARY_DIR}")
  set(labels unit)
  if(T_THREADED)
    set(labels threaded)
  endif()
  list(APPEND labels ${T_LABELS})
  # A test's name is its suite, test and parameter names only: a printed parameter value (the
  # bytes of a structure, pointers among them) would change the name from build to build.
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 120
    NO_PRETTY_VALUES
    PROPERTIES TIMEOUT ${T_TIMEOUT})
  # The environment and the labels are lists, which the discovered tests get from a script run
  # after the discovery's own. Qt wants a runtime folder of the user's own; without one it makes
  # one in /tmp and leaves it. The user's own root and desktop would lie in the test home, unless
  # XDG variables or BRASSEL_ROOT sent them elsewhere.
  set(environment
    "QT_QPA_PLATFORM=set:offscreen"
    "XDG_RUNTIME_DIR=set:${BRASSEL_TEST_RUNTIME_DIR}"
    "HOME=set:${BRASSEL_TEST_HOME}"
    "XDG_DATA_HOME=unset:" "XDG_CONFIG_HOME=unset:" "BRASSEL_ROOT=unset:")
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake)
  file(CONFIGURE OUTPUT ${script} CONTENT [=[
if(DEFINED @name@_TESTS)
  set_tests_properties(${@name@_TESTS} PROPERTIES
    ENVIRONMENT_MODIFICATION [==[@environment@]==] FIXTURES_REQUIRED TestHome
    LABELS "@labels@")
endif()
]=] @ONLY)
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

# The only assembler sources are the resources' entries (below): directives and an .incbin, not
# preprocessed, holding no code. The defines, include paths, warnings, sanitizers and code
# options of the targets they join are meant for C++, so an entry is assembled with the
# assembler flags alone (clang would name every other one as unused, once per resource).
set(CMAKE_ASM_COMPILE_OBJECT "<CMAKE_ASM_COMPILER> ${CMAKE_ASM_FLAGS} -c -o <OBJECT> <SOURCE>")

# brassel_add_resource(<target> TYPE <type> NAME <name> FILE <file> [DEPENDS <targets>...])
# Links the file's bytes into <target> (an executable) as the resource <type>/<name>, which
# FindResourceA finds; link <target> with win32_resources to look it up. FILE is a path
# (relative to the calling folder), which must exist, or $<TARGET_FILE:producer>; the producer,
# and any target named in DEPENDS, is built first, and the resource follows every change of the
# file. Call it in the folder that defines <target>.
function(brassel_add_resource target)
  cmake_parse_arguments(R "" "TYPE;NAME;FILE" "DEPENDS" ${ARGN})
  if(NOT R_TYPE OR NOT R_NAME OR NOT R_FILE)
    message(FATAL_ERROR "brassel_add_resource(${target}) needs TYPE, NAME and FILE")
  endif()
  # Lookups ignore case, so one target cannot hold two resources that differ only in case.
  string(TOLOWER "${R_TYPE}/${R_NAME}" key)
  get_property(known TARGET ${target} PROPERTY BRASSEL_RESOURCES)
  if(key IN_LIST known)
    message(FATAL_ERROR "brassel_add_resource(${target}): ${R_TYPE}/${R_NAME} twice")
  endif()
  set_property(TARGET ${target} APPEND PROPERTY BRASSEL_RESOURCES "${key}")

  string(MAKE_C_IDENTIFIER "${target}_${R_TYPE}_${R_NAME}" id)
  string(MD5 hash "${target}/${key}")
  string(SUBSTRING "${hash}" 0 8 hash)
  set(base ${CMAKE_CURRENT_BINARY_DIR}/resources/${id}_${hash})
  set(copy ${base}.bin)
  set(depends ${R_DEPENDS})
  if(R_FILE MATCHES "^\\$<TARGET_FILE:([^>]+)>$")
    list(APPEND depends ${CMAKE_MATCH_1})
    set(source ${R_FILE})
  else()
    get_filename_component(source "${R_FILE}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    if(NOT EXISTS "${source}")
      message(FATAL_ERROR
        "brassel_add_resource(${target}): resource file ${source} of ${R_TYPE}/${R_NAME} is missing")
    endif()
    list(APPEND depends "${source}")
  endif()

  # The assembler reads the copy, whose path the build controls; its strings are escaped.
  set(RESOURCE_COPY "${copy}")
  set(RESOURCE_TYPE "${R_TYPE}")
  set(RESOURCE_NAME "${R_NAME}")
  foreach(var RESOURCE_COPY RESOURCE_TYPE RESOURCE_NAME)
    string(REPLACE "\\" "\\\\" ${var} "${${var}}")
    string(REPLACE "\"" "\\\"" ${var} "${${var}}")
  endforeach()
  file(READ ${PROJECT_SOURCE_DIR}/platform/win32/ResourceEntry.s.in content)
  file(CONFIGURE OUTPUT ${base}.s CONTENT "${content}" @ONLY)

  add_custom_command(OUTPUT ${copy}
    COMMAND ${CMAKE_COMMAND} -E copy "${source}" "${copy}"
    DEPENDS ${depends}
    COMMENT "Resource ${R_TYPE}/${R_NAME} of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${base}.s ${copy})
  set_source_files_properties(${base}.s PROPERTIES OBJECT_DEPENDS ${copy})
endfunction()
