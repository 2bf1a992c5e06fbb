# Layer II throughput of teskdec.dll through its exports; run by hand (see Layer2Bench.cpp).
if(TARGET teskdec)
  add_executable(Layer2Bench ${CMAKE_CURRENT_LIST_DIR}/Layer2Bench.cpp)
  target_include_directories(Layer2Bench PRIVATE ${BRASSEL_SOURCE_ROOT})
  target_link_libraries(Layer2Bench PRIVATE ${CMAKE_DL_LIBS})
  target_compile_definitions(Layer2Bench PRIVATE
    BRASSEL_VECTORS_DIR="${BRASSEL_VECTORS_DIR}"
    TESKDEC_PATH="$<TARGET_FILE:teskdec>")
  add_dependencies(Layer2Bench teskdec)
endif()
