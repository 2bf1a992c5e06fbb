# Brassel, the converter: its code as the library brasselapp (linked by the program and by the
# tests), and the program itself, which carries both decoder modules as resources.
add_library(brasselapp STATIC
  ${CMAKE_CURRENT_LIST_DIR}/OutputBase.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PathParts.cpp)
target_include_directories(brasselapp PUBLIC ${BRASSEL_SOURCE_ROOT})
