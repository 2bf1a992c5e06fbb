# COM apartments and class table; thread priorities.
add_library(win32_com STATIC ${CMAKE_CURRENT_LIST_DIR}/Com.cpp)
target_include_directories(win32_com PUBLIC ${BRASSEL_SOURCE_ROOT})

add_library(win32_threads STATIC ${CMAKE_CURRENT_LIST_DIR}/Threads.cpp)
target_include_directories(win32_threads PUBLIC ${BRASSEL_SOURCE_ROOT})
