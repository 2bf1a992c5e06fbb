# Layer III throughput; run by hand (see the usage note in Layer3Bench.cpp).
if(TARGET mpegcore)
  add_executable(Layer3Bench ${CMAKE_CURRENT_LIST_DIR}/Layer3Bench.cpp)
  target_link_libraries(Layer3Bench PRIVATE mpegcore)
  target_include_directories(Layer3Bench PRIVATE ${BRASSEL_SOURCE_ROOT})
  target_compile_definitions(Layer3Bench PRIVATE
    BRASSEL_FIXTURES_DIR="${BRASSEL_FIXTURES_DIR}"
    BRASSEL_BINARY_DIR="${CMAKE_BINARY_DIR}")
  if(TARGET teskdec)
    add_dependencies(Layer3Bench teskdec)
    target_compile_definitions(Layer3Bench PRIVATE TESKDEC_PATH="$<TARGET_FILE:teskdec>")
  endif()
  target_link_libraries(Layer3Bench PRIVATE ${CMAKE_DL_LIBS})
endif()
