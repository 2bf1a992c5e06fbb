if(TARGET shellfolders)
  brassel_add_test(shellfolders_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShellFoldersTest.cpp
                   LIBS shellfolders)
endif()
