# setup: the wizard's code as the library setupforms (linked by the program and by the tests),
# and the program, which carries the converter and the uninstaller as its payload.
set(BRASSEL_INSTALL_FORMS ON CACHE INTERNAL "")
foreach(_needed classlib classlib_core shellfolders win32_shelllink win32_com win32_shell
                win32_library win32_resources)
  if(NOT TARGET ${_needed})
    set(BRASSEL_INSTALL_FORMS OFF CACHE INTERNAL "")
    message(STATUS "setup and uninstall wait for ${_needed}")
  endif()
endforeach()
if(NOT COMMAND brassel_add_resource)
  set(BRASSEL_INSTALL_FORMS OFF CACHE INTERNAL "")
endif()

# The pictures of the wizard and of the uninstaller's window; every executable that makes
# their forms calls it (the tests too).
function(brassel_add_install_pictures target)
  brassel_add_resource(${target} TYPE JPEG NAME INSTALL FILE ${BRASSEL_INSTALL_PICTURE})
  brassel_add_resource(${target} TYPE BITMAP NAME FOLDER FILE ${BRASSEL_INSTALL_FOLDER})
endfunction()

if(BRASSEL_INSTALL_FORMS)
  add_library(setupforms STATIC
    ${CMAKE_CURRENT_LIST_DIR}/Grad.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Unit1.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Unit2.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ZebShortcut.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Setup.cpp)
  target_include_directories(setupforms PUBLIC ${BRASSEL_SOURCE_ROOT})
  target_link_libraries(setupforms PUBLIC classlib classlib_core shellfolders win32_shelllink
                        win32_com win32_shell win32_library win32_resources)

  add_executable(setup ${CMAKE_CURRENT_LIST_DIR}/SetupMain.cpp)
  target_link_libraries(setup PRIVATE setupforms)
  brassel_add_install_pictures(setup)
  if(TARGET Brassel)
    brassel_add_resource(setup TYPE Application NAME File1 FILE $<TARGET_FILE:Brassel>)
  endif()
  # install/uninstall, configured next, makes the uninstaller under the same conditions; the
  # generator expression finds it when the build is generated.
  brassel_add_resource(setup TYPE Application NAME File2 FILE $<TARGET_FILE:uninstall>)
endif()
