# Fails the build when a portable-core file includes a Windows header.
# Called with -DLIST=<file naming one source per line> -DSTAMP=<file>.
include(${CMAKE_CURRENT_LIST_DIR}/include_check.cmake)
file(STRINGS "${LIST}" FILES)
set(forbidden "windows\\.h|winbase\\.h|windef\\.h|winuser\\.h|wingdi\\.h|winnt\\.h|winerror\\.h|winreg\\.h|wininet\\.h|ole2\\.h|olectl\\.h|oleauto\\.h|objbase\\.h|objidl\\.h|ocidl\\.h|unknwn\\.h|shlobj\\.h|shellapi\\.h|commctrl\\.h|mmsystem\\.h|tchar\\.h|atl[a-z]*\\.h|afx[a-z]*\\.h|framework/")
function(judge_portable f line out)
  string(TOLOWER "${line}" low)
  if(low MATCHES "[<\"/](${forbidden})")
    set(${out} "${f}: ${line}" PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()
check_includes(FILES ${FILES} JUDGE judge_portable HEADING "portable core includes a Windows header" STAMP "${STAMP}")
