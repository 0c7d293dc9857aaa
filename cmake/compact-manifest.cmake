# qb_compact_manifest(SOURCE OUTPUT): the manifest without its comments and
# with its blanks collapsed, for the resource compiler. The comments are for
# the reader of the source; in the program every byte counts (setup.exe has
# a size budget). Rewritten only when its text changes.
function(qb_compact_manifest source output)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  file(READ ${source} text)
  string(REGEX REPLACE "<!--([^-]|-[^-])*-->" "" text "${text}")
  string(REGEX REPLACE "[ \t\r\n]+" " " text "${text}")
  string(REGEX REPLACE "> <" "><" text "${text}")
  string(STRIP "${text}" text)
  file(WRITE ${output}.new "${text}\n")
  configure_file(${output}.new ${output} COPYONLY)
endfunction()
