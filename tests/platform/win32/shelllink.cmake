if(TARGET win32_shelllink)
  brassel_add_test(ShellLinkTest SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShellLinkTest.cpp
                   LIBS win32_shelllink)
endif()
