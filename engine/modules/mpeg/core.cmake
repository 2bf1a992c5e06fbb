# The MPEG decoder core, linked into teskdec.dll and reached directly by the unit tests.
add_library(mpegcore STATIC
  ${CMAKE_CURRENT_LIST_DIR}/FrameHeader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StreamInput.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FrameReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Layer2Tables.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Layer1Decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Layer2Decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Dct32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PolyphaseSynthesis.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PcmBlock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MpegDecoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Layer3Decoder.cpp)
target_include_directories(mpegcore PUBLIC ${BRASSEL_SOURCE_ROOT})
