# Brassel, the converter: its code as the library brasselapp (linked by the program and by the
# tests), and the program itself, which carries both decoder modules as resources.
add_library(brasselapp STATIC
  ${CMAKE_CURRENT_LIST_DIR}/OutputBase.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PathParts.cpp)
target_include_directories(brasselapp PUBLIC ${BRASSEL_SOURCE_ROOT})

# Attaches what the converter's forms load from the executable: the two decoder modules and
# the pictures. Every executable that creates the forms calls it (the tests too).
function(brassel_add_converter_resources target)
  if(TARGET teskdec)
    brassel_add_resource(${target} TYPE Module NAME Decoder FILE $<TARGET_FILE:teskdec>)
  endif()
  if(TARGET teskwma)
    brassel_add_resource(${target} TYPE Module NAME WMA FILE $<TARGET_FILE:teskwma>)
  endif()
  brassel_add_resource(${target} TYPE BITMAP NAME TOOLBAR FILE ${BRASSEL_CONVERTER_TOOLBAR})
  brassel_add_resource(${target} TYPE BITMAP NAME MAINICON FILE ${BRASSEL_CONVERTER_ICON})
  brassel_add_resource(${target} TYPE JPEG NAME ABOUT FILE ${BRASSEL_CONVERTER_ABOUT})
  if(COMMAND brassel_add_slider_bitmaps)
    brassel_add_slider_bitmaps(${target})
  endif()
endfunction()

set(BRASSEL_CONVERTER_FORMS ON CACHE INTERNAL "")
foreach(_needed classlib classlib_core player slider shellfolders win32_resources win32_shell
                win32_library)
  if(NOT TARGET ${_needed})
    set(BRASSEL_CONVERTER_FORMS OFF CACHE INTERNAL "")
    message(STATUS "Brassel waits for ${_needed}")
  endif()
endforeach()
if(NOT COMMAND brassel_add_resource)
  set(BRASSEL_CONVERTER_FORMS OFF CACHE INTERNAL "")
endif()

if(BRASSEL_CONVERTER_FORMS)
  target_sources(brasselapp PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ConfigFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Options.cpp
    ${CMAKE_CURRENT_LIST_DIR}/about.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Brassel.cpp)
  target_link_libraries(brasselapp PUBLIC classlib classlib_core player slider shellfolders
                        win32_resources win32_shell win32_library)

  add_executable(Brassel ${CMAKE_CURRENT_LIST_DIR}/BrasselMain.cpp)
  set_target_properties(Brassel PROPERTIES OUTPUT_NAME Brassel)
  target_link_libraries(Brassel PRIVATE brasselapp)
  brassel_add_converter_resources(Brassel)
endif()
