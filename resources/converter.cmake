# The converter's pictures, made by make_converter_pictures.py. The converter's own fragment
# attaches them to its executables, since this folder is configured before it.
set(BRASSEL_CONVERTER_TOOLBAR ${CMAKE_CURRENT_LIST_DIR}/ConverterToolbar.bmp CACHE INTERNAL "")
set(BRASSEL_CONVERTER_ICON ${CMAKE_CURRENT_LIST_DIR}/ConverterIcon.bmp CACHE INTERNAL "")
set(BRASSEL_CONVERTER_ABOUT ${CMAKE_CURRENT_LIST_DIR}/ConverterAbout.jpg CACHE INTERNAL "")
