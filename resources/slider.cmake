# The slider's built-in pictures (drawn by make_slider_bitmaps.py). A program that shows a
# slider links them with brassel_add_slider_bitmaps(<executable>).
set(BRASSEL_SLIDER_BITMAPS_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE INTERNAL "")

function(brassel_add_slider_bitmaps target)
  foreach(name W95_HTB W95_HRL W95_VTB W95_VRL W95_VTBP W95_HTBP)
    string(TOLOWER ${name} file)
    brassel_add_resource(${target} TYPE BITMAP NAME ${name}
      FILE ${BRASSEL_SLIDER_BITMAPS_DIR}/slider_${file}.bmp)
  endforeach()
endfunction()
