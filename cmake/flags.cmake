# The one place that sets language level, warnings and platform definitions for both trees.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()

add_compile_options(-Wall -Wextra)

if(WIN32)
  # Multibyte build: narrow literals are stored in the Chinese ANSI code page so that
  # texts compare and display as the system's own strings do.
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fexec-charset=GBK>)
  add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800 NOMINMAX STRICT)
  # Any page may drive the control: a smashed stack ends the process instead of running
  # on, and the module loads at a random base and never runs code from data pages.
  add_compile_options(-fstack-protector-strong)
  # No runtime DLLs for a user's machine to miss (libssp for the stack checks included).
  add_link_options(-static -static-libgcc -static-libstdc++ -fstack-protector-strong
                   -Wl,--dynamicbase -Wl,--nxcompat)
  set(TESSALINE_SANITIZE "" CACHE INTERNAL "")
else()
  set(TESSALINE_SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
endif()
