# Kernel services: windows and messages, the library loader, files.
add_library(win32_window STATIC ${CMAKE_CURRENT_LIST_DIR}/Window.cpp)
target_include_directories(win32_window PUBLIC ${BRASSEL_SOURCE_ROOT})

# The loader and the file calls share the sharing rule and the last error, so they are one
# library under both names.
add_library(win32_library STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Library.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Files.cpp)
target_include_directories(win32_library PUBLIC ${BRASSEL_SOURCE_ROOT})
target_link_libraries(win32_library PUBLIC ${CMAKE_DL_LIBS})
add_library(win32_files ALIAS win32_library)
