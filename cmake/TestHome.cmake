# The home that every test is started with stands for the user's: a test program may not write
# into it, since the user's platform root and desktop lie there (each program runs on a machine
# of its own). Run as a script by the first and the last test of the suite:
#   cmake -DHOME_DIR=<folder> -DSTEP=Prepare|Check -P TestHome.cmake
if(STEP STREQUAL "Prepare")
  file(REMOVE_RECURSE "${HOME_DIR}")
  file(MAKE_DIRECTORY "${HOME_DIR}")
elseif(STEP STREQUAL "Check")
  file(GLOB_RECURSE written LIST_DIRECTORIES true RELATIVE "${HOME_DIR}" "${HOME_DIR}/*")
  list(LENGTH written count)
  if(count GREATER 0)
    list(SORT written)
    list(JOIN written "\n  " shown)
    message(FATAL_ERROR
      "Tests wrote into the home they start with, which stands for the user's (${HOME_DIR}):"
      "\n  ${shown}")
  endif()
else()
  message(FATAL_ERROR "TestHome.cmake: STEP is Prepare or Check, not '${STEP}'")
endif()
