# setup's tests: the gradient painter and the shortcut component on their own, and the wizard
# in a process and platform root of each test's own. The payload is any two programs: the
# picture stands in for the converter, the uninstaller is the real one.
if(BRASSEL_INSTALL_FORMS AND TARGET setupforms AND TARGET uninstall)
  brassel_add_test(SetupTest
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/../InstallProcess.cpp
      ${CMAKE_CURRENT_LIST_DIR}/SetupFixture.cpp
      ${CMAKE_CURRENT_LIST_DIR}/SetupWizardTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/GradTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/ZebShortcutTest.cpp
    LIBS setupforms)
  target_compile_definitions(SetupTest PRIVATE UNINSTALL_PROGRAM="$<TARGET_FILE:uninstall>")
  brassel_add_install_pictures(SetupTest)
  brassel_add_resource(SetupTest TYPE Application NAME File1 FILE ${BRASSEL_INSTALL_PICTURE})
  brassel_add_resource(SetupTest TYPE Application NAME File2 FILE $<TARGET_FILE:uninstall>)

  # A setup without its payload.
  brassel_add_test(SetupWithoutPayloadTest
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/../InstallProcess.cpp
      ${CMAKE_CURRENT_LIST_DIR}/SetupFixture.cpp
      ${CMAKE_CURRENT_LIST_DIR}/SetupWithoutPayloadTest.cpp
    LIBS setupforms)
  brassel_add_install_pictures(SetupWithoutPayloadTest)
endif()
