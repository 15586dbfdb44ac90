# MinGW-w64 tree: the control (tessaline.ocx), the Windows tests run under Wine, the host
# program and the Windows benchmarks. The i686 tree is the one that ships; an x86_64 tree of
# the same sources runs the tests on machines that cannot run 32-bit programs.
get_property(PORTABLE GLOBAL PROPERTY TESSALINE_PORTABLE)
get_property(WINSRC GLOBAL PROPERTY TESSALINE_WIN)
list(FILTER PORTABLE INCLUDE REGEX "\\.cpp$")
list(FILTER WINSRC INCLUDE REGEX "\\.cpp$")

set(NATIVE_BIN "" CACHE PATH "bin folder of the native tree (servers for the tests)")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(WIN_TRIPLE x86_64-w64-mingw32)
  set(CACHE_SUFFIX -x86_64)
  set(WIDL_ARCH --win64)
  set(WINE_PE_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
  set(WINE_ARCH win64)
else()
  set(WIN_TRIPLE i686-w64-mingw32)
  set(CACHE_SUFFIX "")
  set(WIDL_ARCH --win32)
  set(WINE_PE_DIR /usr/lib/i386-linux-gnu/wine/i386-windows)
  set(WINE_ARCH win32)
endif()
set(JPEG_PREFIX ${TESSALINE_CACHE}/libjpeg-turbo${CACHE_SUFFIX})
set(GTEST_PREFIX ${TESSALINE_CACHE}/googletest-mingw${CACHE_SUFFIX})

# Type library and the identifiers generated from the same IDL.
set(IDL ${CMAKE_SOURCE_DIR}/res/tessaline.idl)
set(GEN ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${GEN})
add_custom_command(
  OUTPUT ${GEN}/tessaline.tlb ${GEN}/tessaline_h.h ${GEN}/tessaline_i.c
  COMMAND ${WIN_TRIPLE}-widl ${WIDL_ARCH} -I/usr/include/wine/wine/windows
          -L ${WINE_PE_DIR}
          -t -o ${GEN}/tessaline.tlb ${IDL}
  COMMAND ${WIN_TRIPLE}-widl ${WIDL_ARCH} -I/usr/include/wine/wine/windows
          -h -H ${GEN}/tessaline_h.h -u -U ${GEN}/tessaline_i.c ${IDL}
  DEPENDS ${IDL}
  COMMENT "widl: type library and identifiers")
add_custom_target(typelib DEPENDS ${GEN}/tessaline.tlb)
set_source_files_properties(${GEN}/tessaline_i.c PROPERTIES LANGUAGE CXX)

add_library(tessaline_win STATIC ${PORTABLE} ${WINSRC} ${GEN}/tessaline_i.c)
target_include_directories(tessaline_win PUBLIC ${CMAKE_SOURCE_DIR} ${GEN})
target_link_libraries(tessaline_win PUBLIC
  ${JPEG_PREFIX}/lib/libjpeg.a
  wininet shlwapi comctl32 oleacc oleaut32 ole32 uuid shell32 gdi32 user32 winmm advapi32)
target_include_directories(tessaline_win PUBLIC ${JPEG_PREFIX}/include)

# The resource script embeds the type library, so widl must have run first, and the artwork:
# a face or a cursor drawn again compiles it again.
set(RC ${CMAKE_SOURCE_DIR}/res/tessaline.rc)
file(GLOB RC_ARTWORK CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*.bmp ${CMAKE_SOURCE_DIR}/res/buttons/*.bmp
  ${CMAKE_SOURCE_DIR}/res/*.cur ${CMAKE_SOURCE_DIR}/res/*.ico)
set(RC_DEPENDS ${GEN}/tessaline.tlb ${RC_ARTWORK})
set_source_files_properties(${RC} PROPERTIES OBJECT_DEPENDS "${RC_DEPENDS}")
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${GEN} -I${CMAKE_SOURCE_DIR}/res -c 65001")
set(CMAKE_RC_COMPILE_OBJECT
  "<CMAKE_RC_COMPILER> <DEFINES> <INCLUDES> <FLAGS> -O coff -i <SOURCE> -o <OBJECT>")

# The control's module: the library, the resources and the exports, into the folder bin.
function(tessaline_control_module target bin)
  add_library(${target} SHARED ${CMAKE_SOURCE_DIR}/control/dll_exports.cpp ${RC} ${CMAKE_SOURCE_DIR}/control/tessaline.def)
  target_link_libraries(${target} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,tessaline_win>")
  set_target_properties(${target} PROPERTIES OUTPUT_NAME tessaline PREFIX "" SUFFIX ".ocx"
    RUNTIME_OUTPUT_DIRECTORY ${bin} LIBRARY_OUTPUT_DIRECTORY ${bin} ARCHIVE_OUTPUT_DIRECTORY ${bin})
  target_link_options(${target} PRIVATE -s -Wl,--enable-stdcall-fixup)
  add_dependencies(${target} typelib)
endfunction()
tessaline_control_module(tessaline_ocx ${CMAKE_BINARY_DIR}/bin)
# The progress dialog plays the animation that lies beside the control's module.
add_custom_command(TARGET tessaline_ocx POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/res/Upload.gif ${CMAKE_BINARY_DIR}/bin/Upload.gif)

# The control `make dist` packs: the same module, locked to the pages of TESSALINE_SITES
# (origins such as https://album.example.com or https://*.example.com:8443; empty: any page).
set(TESSALINE_SITES "" CACHE STRING "Origins of the pages the packed control may be scripted from")
string(REGEX REPLACE "[ \t\n]+" ";" site_entries "${TESSALINE_SITES}")
foreach(site IN LISTS site_entries)
  if(site AND NOT site MATCHES "^[Hh][Tt][Tt][Pp][Ss]?://(\\*\\.)?[A-Za-z0-9-]+(\\.[A-Za-z0-9-]+)*(:[0-9]+)?/?$")
    message(FATAL_ERROR "TESSALINE_SITES: \"${site}\" is not an origin (scheme://host[:port])")
  endif()
endforeach()
list(REMOVE_ITEM site_entries "")
string(JOIN " " site_list ${site_entries})
tessaline_control_module(tessaline_dist_ocx ${CMAKE_BINARY_DIR}/dist-bin)
target_compile_definitions(tessaline_dist_ocx PRIVATE
  "$<$<COMPILE_LANGUAGE:CXX>:TESSALINE_ALLOWED_SITES=\"${site_list}\">")
# What the packing script reports: the list this module was built with.
file(WRITE ${CMAKE_BINARY_DIR}/dist-bin/allowed-sites.txt "${site_list}\n")

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# GoogleTest built by the set-up script with the posix MinGW compilers.
add_library(gtest_win INTERFACE)
target_include_directories(gtest_win INTERFACE ${GTEST_PREFIX}/include)
target_link_libraries(gtest_win INTERFACE ${GTEST_PREFIX}/lib/libgtest_main.a ${GTEST_PREFIX}/lib/libgtest.a)

# Every Windows test runs under Wine through this script: one prefix for the tree,
# code page 936, the tree's virtual display.
set(WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh)
set(WINE_ENV WINEARCH=${WINE_ARCH} WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix TESSALINE_DISPLAY_FILE=${CMAKE_BINARY_DIR}/display
             TESSALINE_OCX=${CMAKE_BINARY_DIR}/bin/tessaline.ocx TESSALINE_NATIVE_BIN=${NATIVE_BIN})

# Scripts given only the tree's folder read the prefix's architecture from here.
file(WRITE ${CMAKE_BINARY_DIR}/wine-arch ${WINE_ARCH})
add_test(NAME wine.setup COMMAND ${CMAKE_COMMAND} -E env ${WINE_ENV} ${WINE_RUN} --start)
add_test(NAME wine.cleanup COMMAND ${CMAKE_COMMAND} -E env ${WINE_ENV} ${WINE_RUN} --stop)
set_tests_properties(wine.setup PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine.cleanup PROPERTIES FIXTURES_CLEANUP wine)

# COMMAND runs a Windows program under Wine; SCRIPT runs a shell script that drives Wine
# itself. Both get the tree's Wine environment.
function(tessaline_wine_test name)
  cmake_parse_arguments(ARG "" "" "COMMAND;SCRIPT;PROPERTIES" ${ARGN})
  if(ARG_SCRIPT)
    add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E env ${WINE_ENV} ${ARG_SCRIPT})
  else()
    add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E env ${WINE_ENV} ${WINE_RUN} ${ARG_COMMAND})
  endif()
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine LABELS wine ${ARG_PROPERTIES})
endfunction()

add_subdirectory(tests/win)
add_subdirectory(tests/e2e)
# The shipped control is the i686 one: only its tree packs and installs it.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_subdirectory(tests/dist)
endif()
add_subdirectory(tools/host)
add_subdirectory(tools/desktop-keeper)
add_subdirectory(bench/win)
