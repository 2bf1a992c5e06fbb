# The wave device and DirectSound outputs: on the virtual device, against a scripted
# DirectSound, and through teskdec.dll.
brassel_add_test(WaveDeviceOutputTest SOURCES ${CMAKE_CURRENT_LIST_DIR}/WaveDeviceOutputTest.cpp
                 LIBS modulecommon THREADED)
brassel_add_test(DirectSoundOutputTest
                 SOURCES ${CMAKE_CURRENT_LIST_DIR}/DirectSoundOutputTest.cpp
                 LIBS modulecommon THREADED)

if(TARGET teskdec)
  foreach(test WaveDeviceModuleTest DirectSoundModuleTest)
    brassel_add_test(${test} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${test}.cpp
                     LIBS ${CMAKE_DL_LIBS} THREADED)
    target_compile_definitions(${test} PRIVATE TESKDEC_PATH="$<TARGET_FILE:teskdec>")
    add_dependencies(${test} teskdec)
  endforeach()
endif()

if(TARGET teskwma)
  brassel_add_test(WaveDeviceWmaModuleTest
                   SOURCES ${CMAKE_CURRENT_LIST_DIR}/WaveDeviceWmaModuleTest.cpp
                   LIBS ${CMAKE_DL_LIBS} THREADED)
  target_compile_definitions(WaveDeviceWmaModuleTest PRIVATE
                             TESKWMA_PATH="$<TARGET_FILE:teskwma>")
  add_dependencies(WaveDeviceWmaModuleTest teskwma)
endif()
