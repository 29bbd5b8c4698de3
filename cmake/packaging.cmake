# Where `cmake --install` puts the programs, and the packages `cpack` makes from a build tree:
#
#   Windows (the mingw preset, or the windows preset with Qt): one folder with the executables,
#     License.txt and help.htm side by side (plus the Qt libraries, plugins and runtime the window
#     program needs), packed as packages/glyphwright-<version>-win64.zip, a portable program, and,
#     when the window program is built and NSIS's makensis is there, as the installer
#     packages/glyphwright-<version>-win64-setup.exe;
#   elsewhere (the default preset on Debian): the executables in <prefix>/bin, License.txt and
#     help.htm in <prefix>/share/glyphwright, the desktop entry and the hicolor icons, packed
#     as packages/glyphwright_<version>_amd64.deb (prefix /usr).
#
# Included before the sources so that their install() rules see the folders chosen here.

if(WIN32)
  # A Windows program lives in one folder: no bin/ below the installed or unpacked folder.
  set(CMAKE_INSTALL_BINDIR "." CACHE PATH "Executables, License.txt and help.htm")
endif()
include(GNUInstallDirs)

# Where the window program looks for License.txt and help.htm (see src/ui/help.h).
if(WIN32)
  set(GLYPHWRIGHT_DOCUMENT_INSTALL_DIR ${CMAKE_INSTALL_BINDIR})
else()
  set(GLYPHWRIGHT_DOCUMENT_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/glyphwright)
endif()

# The project has no mailbox: the contact is plainly not a person's, in the reserved .invalid
# domain.
# -DGLYPHWRIGHT_PACKAGE_MAINTAINER=... names another.
if(NOT GLYPHWRIGHT_PACKAGE_MAINTAINER)
  set(GLYPHWRIGHT_PACKAGE_MAINTAINER "Glyphwright maintainers <maintainers@glyphwright.invalid>")
endif()

set(CPACK_PACKAGE_NAME glyphwright)
set(CPACK_PACKAGE_VENDOR "Glyphwright contributors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Packs .ico files into icon DLLs for Windows CE applications built with VBCE")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/License.txt)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
# The build type keeps debug information; the packages carry the programs and libraries without
# it, and a Debian package without the sections Debian's own packages leave out.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/cpack_strip.cmake)
set(CPACK_GW_STRIP ${CMAKE_STRIP})
set(CPACK_GW_WINDOWS ${WIN32})

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(GLYPHWRIGHT_PACKAGE_SYSTEM win64)
  else()
    set(GLYPHWRIGHT_PACKAGE_SYSTEM win32)
  endif()
  set(CPACK_PACKAGE_FILE_NAME glyphwright-${PROJECT_VERSION}-${GLYPHWRIGHT_PACKAGE_SYSTEM})
  # The installer, from the project's own NSIS template (packaging/windows/NSIS.template.in):
  # per user or for all users, a Start-menu entry, an uninstaller that removes what it made.
  find_program(GLYPHWRIGHT_MAKENSIS makensis)
  if(GLYPHWRIGHT_UI AND GLYPHWRIGHT_MAKENSIS)
    list(APPEND CPACK_GENERATOR NSIS)
    list(APPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/packaging/windows)
    set(CPACK_NSIS_EXECUTABLE ${GLYPHWRIGHT_MAKENSIS})
    set(CPACK_NSIS_PACKAGE_NAME Glyphwright)
    set(CPACK_PACKAGE_INSTALL_DIRECTORY Glyphwright)
    set(CPACK_GW_NSIS_ICON ${PROJECT_SOURCE_DIR}/packaging/windows/glyphwright.ico)
    set(CPACK_GW_COPYRIGHT "Copyright (c) 2026 Glyphwright contributors, MIT License")
    # The installer is named apart from the ZIP: glyphwright-<version>-win64-setup.exe.
    set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack_per_generator.cmake)
  endif()
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # glyphwright_<version>_<architecture>.deb
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${GLYPHWRIGHT_PACKAGE_MAINTAINER})
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Glyphwright gives Windows CE applications written with the Windows CE Toolkit\n"
    "for Visual Basic 6.0 their own icons: it packs .ico files into a resource-only\n"
    "DLL for one or all six Windows CE processors, rewrites the setup directory of\n"
    "the Application Install Wizard, removes images from .ico files and converts\n"
    "pictures for handhelds. glyphwright is the window program, glyphwright-cli the\n"
    "command-line tool.")
  string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
  # The libraries the programs link come from dpkg-shlibdeps (Debian package dpkg-dev).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  if(GLYPHWRIGHT_UI)
    # Qt loads its platform plugins (xcb, wayland) at run time, unseen by dpkg-shlibdeps; Help
    # and Edit Icon open the page and the icon through xdg-open.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
  endif()
endif()

include(CPack)

# What a Debian package carries beside the programs: the machine-readable copyright, the
# changelog, the lintian overrides (with their reasons) and the AppStream metainfo.
if(NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/glyphwright)
  set(GW_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
  add_custom_command(OUTPUT ${GW_CHANGELOG_GZ}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/debian/changelog > ${GW_CHANGELOG_GZ}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog
    COMMENT "Compressing the changelog")
  add_custom_target(gw_changelog ALL DEPENDS ${GW_CHANGELOG_GZ})
  install(FILES ${GW_CHANGELOG_GZ} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/glyphwright)
  # Shell completion where bash, zsh and fish look for it.
  set(gw_completion ${PROJECT_SOURCE_DIR}/packaging/completion)
  foreach(command glyphwright-cli glyphwright)
    install(FILES ${gw_completion}/glyphwright-cli.bash
      DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${command})
  endforeach()
  install(FILES ${gw_completion}/_glyphwright-cli
    DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
  install(FILES ${gw_completion}/glyphwright-cli.fish
    DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME glyphwright)
  if(GLYPHWRIGHT_UI)
    # The release date is the changelog's newest entry's.
    execute_process(COMMAND dpkg-parsechangelog -l ${PROJECT_SOURCE_DIR}/packaging/debian/changelog
      -S Timestamp OUTPUT_VARIABLE gw_timestamp OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE gw_result)
    if(NOT gw_result EQUAL 0)
      message(FATAL_ERROR "dpkg-parsechangelog (Debian package dpkg-dev) could not read "
        "packaging/debian/changelog")
    endif()
    set(ENV{SOURCE_DATE_EPOCH} ${gw_timestamp})
    string(TIMESTAMP GLYPHWRIGHT_RELEASE_DATE "%Y-%m-%d" UTC)
    unset(ENV{SOURCE_DATE_EPOCH})
    configure_file(${PROJECT_SOURCE_DIR}/packaging/glyphwright.metainfo.xml.in
      ${CMAKE_BINARY_DIR}/packaging/invalid.glyphwright.glyphwright.metainfo.xml @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/invalid.glyphwright.glyphwright.metainfo.xml
      DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  endif()
endif()
