# Native tree: the portable core, its unit tests under sanitizers, fuzzers, native tools
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
# (servers for the Windows tests) and native benchmarks.
get_property(PORTABLE GLOBAL PROPERTY TESSALINE_PORTABLE)

set(portable_cpp ${PORTABLE})
list(FILTER portable_cpp INCLUDE REGEX "\\.cpp$")

string(REPLACE ";" "\n" portable_lines "${PORTABLE}")
file(WRITE ${CMAKE_BINARY_DIR}/portable_files.txt "${portable_lines}\n")
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/portable.checked
  COMMAND ${CMAKE_COMMAND} -DLIST=${CMAKE_BINARY_DIR}/portable_files.txt -DSTAMP=${CMAKE_BINARY_DIR}/portable.checked
          -P ${CMAKE_SOURCE_DIR}/cmake/check_portable.cmake
  DEPENDS ${PORTABLE} ${CMAKE_SOURCE_DIR}/cmake/check_portable.cmake ${CMAKE_SOURCE_DIR}/cmake/include_check.cmake
  COMMENT "Checking that the portable core includes no Windows header")
add_custom_target(check_portable ALL DEPENDS ${CMAKE_BINARY_DIR}/portable.checked)

# Every file of the layered folders, both sides, against the layer order.
set(layered "")
foreach(layer base framework transport imaging upload ui control)
  file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${layer}/*.h ${CMAKE_SOURCE_DIR}/${layer}/*.cpp)
  list(APPEND layered ${found})
endforeach()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/layers.checked
  COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_SOURCE_DIR} -DSTAMP=${CMAKE_BINARY_DIR}/layers.checked
          -P ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake
  DEPENDS ${layered} ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake ${CMAKE_SOURCE_DIR}/cmake/include_check.cmake
  COMMENT "Checking that every include follows the layer order")
add_custom_target(check_layers ALL DEPENDS ${CMAKE_BINARY_DIR}/layers.checked)

add_library(tessaline_core STATIC ${portable_cpp})
target_include_directories(tessaline_core PUBLIC ${CMAKE_SOURCE_DIR})
add_dependencies(tessaline_core check_portable check_layers)

add_library(tessaline_core_san STATIC ${portable_cpp})
target_include_directories(tessaline_core_san PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(tessaline_core_san PUBLIC ${TESSALINE_SANITIZE})
target_link_options(tessaline_core_san PUBLIC ${TESSALINE_SANITIZE})

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

add_subdirectory(tests/unit)
add_test(NAME build.missing_source COMMAND ${CMAKE_COMMAND} -P ${CMAKE_SOURCE_DIR}/tests/build/missing_source.cmake)
set_tests_properties(build.missing_source PROPERTIES LABELS native
  PASS_REGULAR_EXPRESSION "renamed_away.cpp does not exist")
add_test(NAME build.bench_report COMMAND ${CMAKE_SOURCE_DIR}/tests/build/bench_report_test.sh)
set_tests_properties(build.bench_report PROPERTIES LABELS native)
add_test(NAME build.format COMMAND ${CMAKE_SOURCE_DIR}/tests/build/check_format.sh)
set_tests_properties(build.format PROPERTIES LABELS native)
add_test(NAME build.upward_include
  COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_SOURCE_DIR}/tests/build/upward_tree -DSTAMP=${CMAKE_BINARY_DIR}/upward.checked
          -P ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake)
set_tests_properties(build.upward_include PROPERTIES LABELS native
  PASS_REGULAR_EXPRESSION "imaging/reaches_up.h: #include \"ui/thumb_item.h\": imaging/ may include only")
add_subdirectory(tools)
option(TESSALINE_FUZZ "Build the libFuzzer targets" ON)
if(TESSALINE_FUZZ)
  add_subdirectory(tests/fuzz)
endif()
add_subdirectory(bench/native)
