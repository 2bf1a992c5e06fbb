# The converter's tests: its naming rules alone, and its forms in-process.
if(TARGET brasselapp)
  brassel_add_test(ConverterNamingTest
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/OutputBaseTest.cpp
    LIBS brasselapp)
endif()
