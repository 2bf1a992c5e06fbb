# The player component: players, their collection and manager, callbacks and exception.
add_library(player STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ErrorMessages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/YzSException.cpp
  ${CMAKE_CURRENT_LIST_DIR}/YzPlayerFunctions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/YzPlayer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/YzPlayerCallbacks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/YzPlayers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/YzPlayerMan.cpp)
target_include_directories(player PUBLIC ${BRASSEL_SOURCE_ROOT})
target_link_libraries(player PUBLIC classlib_core win32_library)
