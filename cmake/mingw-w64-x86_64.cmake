# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 toolchain (posix threads, for
# std::thread and friends). Programs built with it run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(GLYPHWRIGHT_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${GLYPHWRIGHT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GLYPHWRIGHT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${GLYPHWRIGHT_MINGW_PREFIX}-windres)

# Libraries built for Windows by the project's scripts (Qt, libpng) live in folders of their
# own; GLYPHWRIGHT_MINGW_ROOTS lists them beside the toolchain's root.
set(CMAKE_FIND_ROOT_PATH /usr/${GLYPHWRIGHT_MINGW_PREFIX} ${GLYPHWRIGHT_MINGW_ROOTS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES GLYPHWRIGHT_MINGW_SHARED_RUNTIME
  GLYPHWRIGHT_MINGW_ROOTS)

# Static runtime by default: the programs import only Windows' own DLLs, so they run from a
# plain folder (and under Wine) without the toolchain's DLLs beside them. Libraries whose DLLs
# are shared by several programs (Qt) are built with GLYPHWRIGHT_MINGW_SHARED_RUNTIME=ON, and
# so is everything that links them, so that one C++ runtime serves them all.
if(NOT GLYPHWRIGHT_MINGW_SHARED_RUNTIME)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endif()

# Test programs run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
