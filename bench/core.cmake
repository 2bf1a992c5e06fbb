# Layer I and II decoding and synthesis throughput; run by hand (see Layer12Bench.cpp).
if(TARGET mpegcore)
  add_executable(Layer12Bench ${CMAKE_CURRENT_LIST_DIR}/Layer12Bench.cpp)
  target_link_libraries(Layer12Bench PRIVATE mpegcore)
  target_compile_definitions(Layer12Bench PRIVATE BRASSEL_VECTORS_DIR="${BRASSEL_VECTORS_DIR}")
endif()
