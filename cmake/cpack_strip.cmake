# Run by cpack after the staging install (CPACK_PRE_BUILD_SCRIPTS): the programs lose their
# symbols and the sections Debian's own packages leave out (.comment, .note), as dh_strip does.
file(GLOB_RECURSE gw_programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
foreach(program IN LISTS gw_programs)
  execute_process(COMMAND strip --remove-section=.comment --remove-section=.note "${program}"
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "strip failed on ${program}")
  endif()
endforeach()
