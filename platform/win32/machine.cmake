# The machine and its services: the platform root, the registry, private profiles, linked
# resources and the shell.
add_library(win32_machine STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Machine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AtomicFile.cpp)
target_include_directories(win32_machine PUBLIC ${BRASSEL_SOURCE_ROOT})

add_library(win32_registry STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RegistryHive.cpp)
target_link_libraries(win32_registry PUBLIC win32_machine)

add_library(win32_profile STATIC ${CMAKE_CURRENT_LIST_DIR}/Profile.cpp)
target_link_libraries(win32_profile PUBLIC win32_machine)

add_library(win32_resources STATIC ${CMAKE_CURRENT_LIST_DIR}/Resources.cpp)
target_include_directories(win32_resources PUBLIC ${BRASSEL_SOURCE_ROOT})

add_library(win32_shell STATIC ${CMAKE_CURRENT_LIST_DIR}/Shell.cpp)
target_include_directories(win32_shell PUBLIC ${BRASSEL_SOURCE_ROOT})

set_property(GLOBAL PROPERTY BRASSEL_RESOURCE_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/ResourceEntry.s.in)

# brassel_add_resource(<target> TYPE <type> NAME <name> FILE <file> [DEPENDS <targets>...])
# Links the file's bytes into <target> (an executable) as the resource <type>/<name>, which
# FindResourceA finds; link <target> with win32_resources to look it up. FILE may be a path
# (relative to the calling folder) or $<TARGET_FILE:producer>; the producer, and any target
# named in DEPENDS, is built first, and the resource follows every change of the file. Call
# it in the folder that defines <target>.
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
  get_property(template GLOBAL PROPERTY BRASSEL_RESOURCE_TEMPLATE)
  file(READ ${template} content)
  file(CONFIGURE OUTPUT ${base}.s CONTENT "${content}" @ONLY)

  add_custom_command(OUTPUT ${copy}
    COMMAND ${CMAKE_COMMAND} -E copy "${source}" "${copy}"
    DEPENDS ${depends}
    COMMENT "Resource ${R_TYPE}/${R_NAME} of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${base}.s ${copy})
  set_source_files_properties(${base}.s PROPERTIES OBJECT_DEPENDS ${copy})
endfunction()
