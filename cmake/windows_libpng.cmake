# libpng in a MinGW-w64 cross build: the static libpng that scripts/build-libpng-mingw.sh builds
# from Debian's source into GLYPHWRIGHT_LIBPNG_MINGW (default ~/.cache/glyphwright/libpng-mingw),
# with Debian's static zlib for MinGW-w64, so that the programs import no DLL for either.
#
# Included by src/icons/CMakeLists.txt before find_package(PNG), only for cross builds to Windows.

set(GLYPHWRIGHT_LIBPNG_MINGW "$ENV{GLYPHWRIGHT_LIBPNG_MINGW}" CACHE PATH
  "libpng for MinGW-w64 made by scripts/build-libpng-mingw.sh (empty: look in the user's cache)")
set(gw_libpng_prefix "${GLYPHWRIGHT_LIBPNG_MINGW}")
if(NOT gw_libpng_prefix)
  include(${CMAKE_CURRENT_LIST_DIR}/user_cache.cmake)
  gw_cache_folder(gw_libpng_prefix libpng-mingw)
endif()
if(NOT EXISTS "${gw_libpng_prefix}/glyphwright-libpng-complete")
  message(FATAL_ERROR "No libpng for MinGW-w64 in ${gw_libpng_prefix}: run "
                      "scripts/build-libpng-mingw.sh first (about half a minute)")
endif()
set(ZLIB_USE_STATIC_LIBS ON)
set(PNG_PNG_INCLUDE_DIR "${gw_libpng_prefix}/include" CACHE PATH "libpng's headers" FORCE)
set(PNG_LIBRARY "${gw_libpng_prefix}/lib/libpng16.a" CACHE FILEPATH "libpng" FORCE)

# The licences of libpng and zlib travel with the Windows programs, beside those of the other
# libraries they carry.
include(GNUInstallDirs)
file(GLOB gw_libpng_licenses "${gw_libpng_prefix}/glyphwright-licenses/*")
install(FILES ${gw_libpng_licenses} DESTINATION ${CMAKE_INSTALL_BINDIR}/licenses)
install(FILES /usr/share/doc/libz-mingw-w64-dev/copyright DESTINATION ${CMAKE_INSTALL_BINDIR}/licenses
  RENAME zlib-copyright.txt)
