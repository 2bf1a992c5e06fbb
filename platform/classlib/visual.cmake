# The class library's visual half over Qt Widgets: graphics, controls, forms, dialogs and the
# application object. Only this library includes Qt headers.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
find_package(JPEG REQUIRED)

set(_classlib_visual_sources
  Animate.cpp Application.cpp Bevel.cpp Bitmap.cpp BitmapResource.cpp Button.cpp Canvas.cpp
  CheckBox.cpp Colors.cpp Control.cpp ControlEventFilter.cpp CustomControl.cpp DialogProvider.cpp
  Edit.cpp Font.cpp Form.cpp Gauge.cpp GraphicControl.cpp Image.cpp ImageList.cpp JpegImage.cpp
  KeyboardState.cpp Label.cpp ListBox.cpp ListView.cpp Memo.cpp Menus.cpp OpenDialog.cpp Panel.cpp
  Picture.cpp ProgressBar.cpp RadioButton.cpp ScriptedDialogs.cpp SpeedButton.cpp Timer.cpp
  ToolBar.cpp WinControl.cpp)
list(TRANSFORM _classlib_visual_sources PREPEND ${CMAKE_CURRENT_LIST_DIR}/)

add_library(classlib STATIC ${_classlib_visual_sources})
target_include_directories(classlib PUBLIC ${BRASSEL_SOURCE_ROOT})
target_link_libraries(classlib PUBLIC Qt6::Widgets JPEG::JPEG)
if(TARGET classlib_core)
  target_link_libraries(classlib PUBLIC classlib_core)
endif()
if(TARGET win32_resources)
  target_link_libraries(classlib PUBLIC win32_resources)
endif()
