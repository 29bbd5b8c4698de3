# Run by cpack after each staging install (CPACK_PRE_BUILD_SCRIPTS): the programs and libraries
# lose their symbols, and the sections Debian's own packages leave out (.comment, .note), as
# dh_strip does. The build tree keeps its debug information.
if(CPACK_GW_WINDOWS)
  file(GLOB_RECURSE gw_binaries "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.exe"
    "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.dll")
  set(gw_strip_options --strip-unneeded)
else()
  file(GLOB_RECURSE gw_binaries "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
  set(gw_strip_options --remove-section=.comment --remove-section=.note)
endif()
foreach(binary IN LISTS gw_binaries)
  execute_process(COMMAND "${CPACK_GW_STRIP}" ${gw_strip_options} "${binary}"
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${CPACK_GW_STRIP} failed on ${binary}")
  endif()
endforeach()
