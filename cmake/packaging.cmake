# Where `cmake --install` puts the programs, and the packages `cpack` makes from a build tree:
#
#   Windows (the mingw preset, or the windows preset with Qt): one folder with the executables,
#     License.txt and help.htm side by side (plus the Qt libraries the window program needs),
#     packed as packages/glyphwright-<version>-win64.zip;
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

set(GLYPHWRIGHT_PACKAGE_MAINTAINER "Glyphwright contributors" CACHE STRING
  "The Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME glyphwright)
set(CPACK_PACKAGE_VENDOR "Glyphwright contributors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Packs .ico files into icon DLLs for Windows CE applications built with VBCE")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/License.txt)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
# The build type keeps debug information; the packages carry the programs without it.
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(GLYPHWRIGHT_PACKAGE_SYSTEM win64)
  else()
    set(GLYPHWRIGHT_PACKAGE_SYSTEM win32)
  endif()
  set(CPACK_PACKAGE_FILE_NAME glyphwright-${PROJECT_VERSION}-${GLYPHWRIGHT_PACKAGE_SYSTEM})
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # glyphwright_<version>_<architecture>.deb
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${GLYPHWRIGHT_PACKAGE_MAINTAINER})
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Glyphwright gives Windows CE applications written with the Windows CE Toolkit for Visual\n"
    "Basic 6.0 their own icons: it packs .ico files into a resource-only DLL for one or all six\n"
    "Windows CE processors, rewrites the setup directory of the Application Install Wizard and\n"
    "removes images from .ico files. glyphwright is the window program, glyphwright-cli the\n"
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
