# The class library's non-visual core: objects, exceptions, components, collections, the
# hidden window and the application's exception hook. Builds without Qt.
add_library(classlib_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Object.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Format.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Persistent.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Component.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Collection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ExceptionHandler.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HiddenWindow.cpp)
target_include_directories(classlib_core PUBLIC ${BRASSEL_SOURCE_ROOT})
target_link_libraries(classlib_core PUBLIC win32_window)
