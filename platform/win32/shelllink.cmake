# Shell links: the shell-link COM object and the binary ".lnk" format. Naming CLSID_ShellLink
# links the class's registration into a program.
add_library(win32_shelllink STATIC ${CMAKE_CURRENT_LIST_DIR}/ShellLink.cpp)
target_include_directories(win32_shelllink PUBLIC ${BRASSEL_SOURCE_ROOT})
target_link_libraries(win32_shelllink PUBLIC win32_com win32_library)
