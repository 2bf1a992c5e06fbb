# The wave device and DirectSound outputs: on the virtual device, against a scripted
# DirectSound, and through teskdec.dll.
brassel_add_test(WaveDeviceOutputTest SOURCES ${CMAKE_CURRENT_LIST_DIR}/WaveDeviceOutputTest.cpp
                 LIBS modulecommon THREADED)
brassel_add_test(DirectSoundOutputTest
                 SOURCES ${CMAKE_CURRENT_LIST_DIR}/DirectSoundOutputTest.cpp
                 LIBS modulecommon THREADED)
