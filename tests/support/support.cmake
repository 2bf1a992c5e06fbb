# Header-only helpers of the tests, benchmarks and fuzz targets: whole files and fixtures,
# WAV files, a memory stream behind the input callbacks, a module bound with dlopen, a fresh
# folder, waiting with a deadline. They are included from the repository root; this target
# carries that and the loader library for whoever links it.
add_library(testsupport INTERFACE)
target_include_directories(testsupport INTERFACE ${BRASSEL_SOURCE_ROOT})
target_link_libraries(testsupport INTERFACE ${CMAKE_DL_LIBS})
