# The uninstaller's tests, each run from a copy of the test program inside an installation
# directory of its own.
if(BRASSEL_INSTALL_FORMS AND TARGET uninstallforms)
  brassel_add_test(UninstallTest
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/../InstallProcess.cpp
      ${CMAKE_CURRENT_LIST_DIR}/UninstallTest.cpp
    LIBS uninstallforms win32_com)
  brassel_add_install_pictures(UninstallTest)
endif()
