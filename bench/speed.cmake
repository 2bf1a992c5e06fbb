# The module against libavcodec on three generated 300-second streams; run by hand (see
# SpeedBench.cpp). Only the benchmark links libavcodec, never the module.
if(TARGET teskdec)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(SPEEDBENCH_LIBAV REQUIRED IMPORTED_TARGET libavformat libavcodec libavutil)
  add_executable(SpeedBench ${CMAKE_CURRENT_LIST_DIR}/SpeedBench.cpp)
  target_include_directories(SpeedBench PRIVATE ${BRASSEL_SOURCE_ROOT})
  target_link_libraries(SpeedBench PRIVATE PkgConfig::SPEEDBENCH_LIBAV ${CMAKE_DL_LIBS})
  target_compile_definitions(SpeedBench PRIVATE
    BRASSEL_SOURCE_ROOT="${BRASSEL_SOURCE_ROOT}"
    BRASSEL_BINARY_DIR="${CMAKE_BINARY_DIR}"
    TESKDEC_PATH="$<TARGET_FILE:teskdec>")
  add_dependencies(SpeedBench teskdec)
endif()
