# The uninstaller: its window as the library uninstallforms (linked by the program and by the
# tests) and the program "Uninstall", which setup carries as its payload "File2".
if(BRASSEL_INSTALL_FORMS)
  add_library(uninstallforms STATIC
    ${CMAKE_CURRENT_LIST_DIR}/PathPart.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Unit1.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Uninstall.cpp)
  target_include_directories(uninstallforms PUBLIC ${BRASSEL_SOURCE_ROOT})
  target_link_libraries(uninstallforms PUBLIC classlib classlib_core shellfolders win32_library
                        win32_registry win32_resources)

  add_executable(uninstall ${CMAKE_CURRENT_LIST_DIR}/UninstallMain.cpp)
  set_target_properties(uninstall PROPERTIES OUTPUT_NAME Uninstall)
  target_link_libraries(uninstall PRIVATE uninstallforms)
  brassel_add_install_pictures(uninstall)
endif()
