# The class library's non-visual services on the platform layer: streams, string lists, INI
# files, the registry object and input/output errors.
if(TARGET classlib_core)
  target_sources(classlib_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Stream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileStream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CustomMemoryStream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ResourceStream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Strings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StringList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StrToInt.cpp
    ${CMAKE_CURRENT_LIST_DIR}/IniFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Registry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RegIniFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/InOutError.cpp)
  target_link_libraries(classlib_core PUBLIC win32_profile win32_registry win32_resources)
  if(TARGET win32_files)
    target_link_libraries(classlib_core PUBLIC win32_files)
  endif()
endif()
