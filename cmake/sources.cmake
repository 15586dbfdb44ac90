# Each subsystem's sources.cmake names its files here, split into the portable core
# (no Windows header, built in both trees) and the Win32 side (the MinGW tree only).
set_property(GLOBAL PROPERTY TESSALINE_PORTABLE "")
set_property(GLOBAL PROPERTY TESSALINE_WIN "")

function(tessaline_sources)
  cmake_parse_arguments(ARG "" "" "PORTABLE;WIN" ${ARGN})
  foreach(f IN LISTS ARG_PORTABLE ARG_WIN)
    if(NOT EXISTS ${CMAKE_CURRENT_LIST_DIR}/${f})
      message(FATAL_ERROR "${CMAKE_CURRENT_LIST_FILE}: the listed source ${f} does not exist")
    endif()
  endforeach()
  foreach(f IN LISTS ARG_PORTABLE)
    set_property(GLOBAL APPEND PROPERTY TESSALINE_PORTABLE ${CMAKE_CURRENT_LIST_DIR}/${f})
  endforeach()
  foreach(f IN LISTS ARG_WIN)
    set_property(GLOBAL APPEND PROPERTY TESSALINE_WIN ${CMAKE_CURRENT_LIST_DIR}/${f})
  endforeach()
endfunction()
