# The pictures of setup and the uninstaller, made by make_install_pictures.py. The installers'
# own fragments attach them, since this folder is configured before theirs.
set(BRASSEL_INSTALL_PICTURE ${CMAKE_CURRENT_LIST_DIR}/InstallPicture.jpg CACHE INTERNAL "")
set(BRASSEL_INSTALL_FOLDER ${CMAKE_CURRENT_LIST_DIR}/InstallFolder.bmp CACHE INTERNAL "")
