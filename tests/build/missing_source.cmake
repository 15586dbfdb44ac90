# A source list that names a file which is not there must stop the configuration.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/sources.cmake)
tessaline_sources(PORTABLE missing_source.cmake renamed_away.cpp)
