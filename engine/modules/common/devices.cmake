# The device outputs of the output writer play through the platform's wave output and
# DirectSound, and give the keyboard focus to the host's window when DirectSound starts.
target_link_libraries(modulecommon PUBLIC win32_mmsystem win32_dsound win32_window)
