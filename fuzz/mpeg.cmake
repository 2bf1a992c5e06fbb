# libFuzzer target for the MPEG decoder core (see the comment at the top of the source).
if(TARGET mpegcore)
  add_executable(MpegFrameFuzz ${CMAKE_CURRENT_LIST_DIR}/MpegFrameFuzz.cpp)
  target_link_libraries(MpegFrameFuzz PRIVATE mpegcore)
  target_link_options(MpegFrameFuzz PRIVATE -fsanitize=fuzzer)
endif()
