# libFuzzer target for the Windows Media Audio SDK layer and module (see the comment at the
# top of the source). libav itself is not instrumented; the layer and the module are.
if(TARGET wmamodule AND TARGET wmaudsdk)
  add_executable(WmaReaderFuzz ${CMAKE_CURRENT_LIST_DIR}/WmaReaderFuzz.cpp)
  target_link_libraries(WmaReaderFuzz PRIVATE wmamodule wmaudsdk)
  target_link_options(WmaReaderFuzz PRIVATE -fsanitize=fuzzer)
endif()
