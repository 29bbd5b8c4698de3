# Windows resources of an executable: the application icon Explorer shows, the version
# information (file properties, the installed-programs list) and the application manifest (UTF-8
# as the process code page, long paths, per-monitor DPI awareness, common controls 6).
#
#   gw_windows_resources(<target> NAME <file name without .exe> DESCRIPTION <text>)
function(gw_windows_resources target)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 GW "" "NAME;DESCRIPTION" "")
  enable_language(RC)
  set(GLYPHWRIGHT_RC_NAME ${GW_NAME})
  set(GLYPHWRIGHT_RC_DESCRIPTION ${GW_DESCRIPTION})
  set(GLYPHWRIGHT_RC_ICON ${PROJECT_SOURCE_DIR}/packaging/windows/glyphwright.ico)
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/generated/${GW_NAME})
  set(GLYPHWRIGHT_RC_MANIFEST ${generated}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/glyphwright.manifest.in
    ${GLYPHWRIGHT_RC_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/glyphwright.rc.in ${generated}.rc @ONLY)
  target_sources(${target} PRIVATE ${generated}.rc)
  set_property(SOURCE ${generated}.rc APPEND PROPERTY
    OBJECT_DEPENDS ${GLYPHWRIGHT_RC_ICON} ${GLYPHWRIGHT_RC_MANIFEST})
  if(MSVC)
    # The manifest comes from the resource file; the linker adds none of its own.
    target_link_options(${target} PRIVATE /MANIFEST:NO)
  endif()
endfunction()
