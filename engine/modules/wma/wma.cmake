# teskwma.dll: the Windows Media Audio module's frame and exports over the SDK library.
add_library(wmamodule STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CodePage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ModuleState.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PlayerHandle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReaderCallback.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WmaModule.cpp)
target_include_directories(wmamodule PUBLIC ${BRASSEL_SOURCE_ROOT})
find_package(Threads REQUIRED)
target_link_libraries(wmamodule PUBLIC Threads::Threads)
if(TARGET modulecommon)
  target_link_libraries(wmamodule PUBLIC modulecommon)
endif()
if(TARGET wmaudsdk)
  target_link_libraries(wmamodule PUBLIC wmaudsdk)
endif()

add_library(teskwma SHARED ${CMAKE_CURRENT_LIST_DIR}/Exports.cpp)
target_link_libraries(teskwma PRIVATE wmamodule)
set_target_properties(teskwma PROPERTIES PREFIX "" OUTPUT_NAME teskwma SUFFIX .dll)
# Only the QV exports leave the module.
target_link_options(teskwma PRIVATE -Wl,--version-script=${CMAKE_CURRENT_LIST_DIR}/teskwma.map)
set_property(TARGET teskwma APPEND PROPERTY LINK_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/teskwma.map)
# The module needs the SDK library (libwmaudsdk.so is a needed entry, so that without it the
# module does not load at all), but it is loaded from wherever the converter writes it: the
# Windows directory of the platform root, a temporary folder in tests. Its run path names
# $ORIGIN, for an SDK laid beside the module, and the SDK's build location, where a built tree
# keeps it (the converter embeds this very file); past those the loader's default folders
# serve an SDK installed with the system's libraries, as the real platform keeps its SDK in
# its system folder. Nothing installs the module by itself, so there is no install run path.
if(TARGET wmaudsdk)
  set_target_properties(teskwma PROPERTIES BUILD_RPATH "$ORIGIN;$<TARGET_FILE_DIR:wmaudsdk>")
endif()
