# teskdec.dll: the MPEG module's frame, decode thread and exports over the decoder core.
add_library(mpegmodule STATIC
  ${CMAKE_CURRENT_LIST_DIR}/DecodeThread.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ModuleState.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MpegModule.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PlayerHandle.cpp)
target_include_directories(mpegmodule PUBLIC ${BRASSEL_SOURCE_ROOT})
target_link_libraries(mpegmodule PUBLIC modulecommon win32_threads)
if(TARGET mpegcore)
  target_link_libraries(mpegmodule PUBLIC mpegcore)
endif()
find_package(Threads REQUIRED)
target_link_libraries(mpegmodule PUBLIC Threads::Threads)

add_library(teskdec SHARED ${CMAKE_CURRENT_LIST_DIR}/Exports.cpp)
target_link_libraries(teskdec PRIVATE mpegmodule)
set_target_properties(teskdec PROPERTIES PREFIX "" OUTPUT_NAME teskdec SUFFIX .dll)
# Only the QV exports leave the module; everything linked into it stays hidden.
target_link_options(teskdec PRIVATE
  -Wl,--version-script=${CMAKE_CURRENT_LIST_DIR}/teskdec.map)
set_property(TARGET teskdec APPEND PROPERTY LINK_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/teskdec.map)
