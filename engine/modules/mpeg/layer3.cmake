# Layer III stages of the decoder core (the entry points in Layer3Decoder.cpp are listed with
# the core itself).
if(TARGET mpegcore)
  target_sources(mpegcore PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Layer3Frame.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Layer3Huffman.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Layer3Hybrid.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Layer3Requantize.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Layer3ScaleFactors.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Layer3SideInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Layer3Stereo.cpp)
endif()
