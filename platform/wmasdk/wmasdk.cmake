# The Windows Media Audio SDK stand-in: a shared library of its own (the module links against
# it), exporting only WMAudioCreateReader.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(WMASDK_LIBAV REQUIRED IMPORTED_TARGET libavformat libavcodec libswresample libavutil)

add_library(wmaudsdk SHARED
  ${CMAKE_CURRENT_LIST_DIR}/AudioAttributes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AudioDecoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AudioReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CreateReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Utf16.cpp)
target_include_directories(wmaudsdk PUBLIC ${BRASSEL_SOURCE_ROOT})
target_link_libraries(wmaudsdk PRIVATE PkgConfig::WMASDK_LIBAV Threads::Threads)
