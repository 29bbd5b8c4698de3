# The window program in a MinGW-w64 cross build: Qt for Windows comes from the cache that
# scripts/build-qt-mingw.sh fills (GLYPHWRIGHT_QT_MINGW, default
# ~/.cache/glyphwright/qt6-mingw-<version>), with the host tools (moc, rcc, uic) of Debian's
# qt6-base-dev-tools. When no complete Qt is there, the window program and its tests are left
# out and the configure step says how to get them; everything else builds as before.
#
# Included by the top-level CMakeLists.txt before the sources, only for cross builds to Windows.

if(NOT GLYPHWRIGHT_UI)
  return() # the window program was turned off by hand (-DGLYPHWRIGHT_UI=OFF)
endif()

set(GLYPHWRIGHT_QT_MINGW "$ENV{GLYPHWRIGHT_QT_MINGW}" CACHE PATH
  "Qt for MinGW-w64 made by scripts/build-qt-mingw.sh (empty: look in the user's cache)")

include(${CMAKE_CURRENT_LIST_DIR}/user_cache.cmake)

# The host tools' version, which the cross-built Qt must match.
set(GLYPHWRIGHT_HOST_QT_VERSION "")
set(gw_host_qt_config /usr/lib/x86_64-linux-gnu/cmake/Qt6/Qt6ConfigVersionImpl.cmake)
if(EXISTS ${gw_host_qt_config})
  file(STRINGS ${gw_host_qt_config} gw_line REGEX "set\\(PACKAGE_VERSION \"[0-9]")
  string(REGEX REPLACE ".*\"([0-9.]+)\".*" "\\1" GLYPHWRIGHT_HOST_QT_VERSION "${gw_line}")
endif()

set(gw_qt_prefix "${GLYPHWRIGHT_QT_MINGW}")
if(NOT gw_qt_prefix)
  gw_cache_folder(gw_qt_prefix "qt6-mingw-${GLYPHWRIGHT_HOST_QT_VERSION}")
endif()

if(gw_qt_prefix AND EXISTS "${gw_qt_prefix}/glyphwright-qt-complete"
   AND GLYPHWRIGHT_HOST_QT_VERSION)
  message(STATUS "Window program for Windows: Qt from ${gw_qt_prefix}")
  set(GLYPHWRIGHT_QT_MINGW_PREFIX "${gw_qt_prefix}")
  list(APPEND CMAKE_FIND_ROOT_PATH "${gw_qt_prefix}")
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
  set(GLYPHWRIGHT_UI ON)
else()
  message(STATUS "The window program is NOT built for Windows: no complete Qt for MinGW-w64 "
    "was found (looked in '${gw_qt_prefix}', GLYPHWRIGHT_QT_MINGW). "
    "scripts/build-qt-mingw.sh makes it (about 30 minutes on two cores), or "
    "scripts/test.sh --with-windows-qt.")
  set(GLYPHWRIGHT_QT_MINGW_PREFIX "")
  set(GLYPHWRIGHT_UI OFF)
endif()

# The DLLs a Qt program of this build needs beside it, relative to the Qt prefix or the
# toolchain: Qt's libraries, the plugins it loads (the Windows and offscreen platforms, the
# Windows style, the .ico reader for the window icon) and the MinGW runtime those DLLs import.
set(GLYPHWRIGHT_QT_RUNTIME_LIBRARIES Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll)
set(GLYPHWRIGHT_QT_RUNTIME_PLUGINS
  platforms/qwindows.dll platforms/qoffscreen.dll styles/qwindowsvistastyle.dll
  imageformats/qico.dll)

# The MinGW runtime DLLs, found where the posix compiler keeps them.
function(gw_find_mingw_runtime out)
  set(files "")
  foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
      OUTPUT_VARIABLE file OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${file}" OR NOT EXISTS "${file}")
      message(FATAL_ERROR "The MinGW runtime ${name} was not found by ${CMAKE_CXX_COMPILER}")
    endif()
    list(APPEND files "${file}")
  endforeach()
  set(${out} "${files}" PARENT_SCOPE)
endfunction()

# Places Qt's DLLs, the plugins and the MinGW runtime beside the executables of the build tree
# (so that they start from build/<preset>/bin, under Wine too) and installs them beside the
# installed target, with Qt's licence and where its source comes from. The copies in the build
# tree are made by the target <target>_qt_runtime.
#
#   gw_deploy_qt_runtime(<target>)
function(gw_deploy_qt_runtime target)
  set(prefix "${GLYPHWRIGHT_QT_MINGW_PREFIX}")
  gw_find_mingw_runtime(runtime)
  set(installed ${runtime})
  foreach(dll IN LISTS GLYPHWRIGHT_QT_RUNTIME_LIBRARIES)
    list(APPEND installed "${prefix}/bin/${dll}")
  endforeach()

  set(outputs "")
  foreach(file IN LISTS installed)
    get_filename_component(name "${file}" NAME)
    set(copy "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${name}")
    add_custom_command(OUTPUT "${copy}"
      COMMAND ${CMAKE_COMMAND} -E copy_if_different "${file}" "${copy}"
      DEPENDS "${file}" COMMENT "Copying ${name} beside the executables")
    list(APPEND outputs "${copy}")
  endforeach()
  foreach(plugin IN LISTS GLYPHWRIGHT_QT_RUNTIME_PLUGINS)
    set(copy "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${plugin}")
    get_filename_component(folder "${copy}" DIRECTORY)
    add_custom_command(OUTPUT "${copy}"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${folder}"
      COMMAND ${CMAKE_COMMAND} -E copy_if_different "${prefix}/plugins/${plugin}" "${copy}"
      DEPENDS "${prefix}/plugins/${plugin}" COMMENT "Copying the Qt plugin ${plugin}")
    list(APPEND outputs "${copy}")
  endforeach()
  add_custom_target(${target}_qt_runtime ALL DEPENDS ${outputs})
  add_dependencies(${target} ${target}_qt_runtime)

  install(FILES ${installed} DESTINATION ${CMAKE_INSTALL_BINDIR})
  foreach(plugin IN LISTS GLYPHWRIGHT_QT_RUNTIME_PLUGINS)
    get_filename_component(folder "${plugin}" DIRECTORY)
    install(FILES "${prefix}/plugins/${plugin}" DESTINATION ${CMAKE_INSTALL_BINDIR}/${folder})
  endforeach()
  file(GLOB licenses "${prefix}/glyphwright-licenses/*")
  install(FILES ${licenses} DESTINATION ${CMAKE_INSTALL_BINDIR}/licenses)
endfunction()
