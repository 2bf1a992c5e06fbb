brassel_add_test(classlib_core_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ComponentTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CollectionTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HiddenWindowTest.cpp
  LIBS classlib_core)
