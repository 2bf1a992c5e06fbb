# The bitmap slider of the options dialog. A program that shows one links the built-in
# pictures with brassel_add_slider_bitmaps (resources/slider.cmake).
add_library(slider STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Slider.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SliderThumb.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TransparentBitmap.cpp)
target_include_directories(slider PUBLIC ${BRASSEL_SOURCE_ROOT})
if(TARGET classlib)
  target_link_libraries(slider PUBLIC classlib)
endif()
