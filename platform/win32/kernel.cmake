# Kernel services: windows and messages, the library loader, files.
add_library(win32_window STATIC ${CMAKE_CURRENT_LIST_DIR}/Window.cpp)
target_include_directories(win32_window PUBLIC ${BRASSEL_SOURCE_ROOT})
