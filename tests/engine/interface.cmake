brassel_add_test(plugin_interface_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/PluginInterfaceTest.cpp)
