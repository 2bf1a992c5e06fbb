# The module frame parts and the output writer that both decoder modules carry.
add_library(modulecommon STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CallbackOutput.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DirectSoundOutput.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ModuleCom.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ModuleText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OutputWriter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WavFileOutput.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WaveDeviceOutput.cpp)
target_include_directories(modulecommon PUBLIC ${BRASSEL_SOURCE_ROOT})
target_link_libraries(modulecommon PUBLIC win32_com)
