# The shell-folder lookup component shared by the converter, setup and the uninstaller.
if(TARGET classlib)
  add_library(shellfolders STATIC ${CMAKE_CURRENT_LIST_DIR}/ShellFolders.cpp)
  target_include_directories(shellfolders PUBLIC ${BRASSEL_SOURCE_ROOT})
  target_link_libraries(shellfolders PUBLIC classlib win32_machine)
  if(TARGET classlib_core)
    target_link_libraries(shellfolders PUBLIC classlib_core)
  endif()
endif()
