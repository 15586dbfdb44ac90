# What the include checks share: every #include line of their files, each judged by a
# function of the check's own, and the build failed with every complaint (or the stamp
# touched when there is none).
#   check_includes(FILES <file>... JUDGE <function> HEADING <text> STAMP <file>)
# JUDGE is called as <function>(<file> <line> <out-var>) and sets <out-var> to the complaint
# about that line, or to nothing.
function(check_includes)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "JUDGE;HEADING;STAMP" "FILES")
  set(bad "")
  foreach(f IN LISTS arg_FILES)
    file(STRINGS "${f}" lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
      cmake_language(CALL ${arg_JUDGE} "${f}" "${line}" complaint)
      if(complaint)
        list(APPEND bad "${complaint}")
      endif()
    endforeach()
  endforeach()
  if(bad)
    string(REPLACE ";" "\n" msg "${bad}")
    message(FATAL_ERROR "${arg_HEADING}:\n${msg}")
  endif()
  file(TOUCH "${arg_STAMP}")
endfunction()
