brassel_add_test(win32_window_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/WindowTest.cpp LIBS win32_window)
brassel_add_test(win32_files_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/FilesTest.cpp LIBS win32_files)

add_library(win32_test_library SHARED ${CMAKE_CURRENT_LIST_DIR}/LibraryTestModule.cpp)
add_executable(win32_library_holder ${CMAKE_CURRENT_LIST_DIR}/LibraryHolder.cpp)
target_link_libraries(win32_library_holder PRIVATE win32_library)
brassel_add_test(win32_library_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/LibraryTest.cpp LIBS win32_library)
add_dependencies(win32_library_test win32_test_library win32_library_holder)
target_compile_definitions(win32_library_test PRIVATE
  TEST_LIBRARY="$<TARGET_FILE:win32_test_library>"
  LIBRARY_HOLDER="$<TARGET_FILE:win32_library_holder>")
