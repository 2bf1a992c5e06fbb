# Multimedia: wave output and one-shot timers, DirectSound; both play on the machine's sound
# device (ALSA or a virtual device).
find_package(ALSA REQUIRED)
find_package(Threads REQUIRED)

add_library(win32_sounddevice STATIC ${CMAKE_CURRENT_LIST_DIR}/SoundDevice.cpp)
target_include_directories(win32_sounddevice PUBLIC ${BRASSEL_SOURCE_ROOT})
target_link_libraries(win32_sounddevice PUBLIC ALSA::ALSA Threads::Threads)

add_library(win32_mmsystem STATIC ${CMAKE_CURRENT_LIST_DIR}/Multimedia.cpp)
target_link_libraries(win32_mmsystem PUBLIC win32_sounddevice)

add_library(win32_dsound STATIC ${CMAKE_CURRENT_LIST_DIR}/DirectSound.cpp)
target_link_libraries(win32_dsound PUBLIC win32_sounddevice win32_com)
