# The folder in the user's cache where the scripts that build libraries for Windows
# (scripts/build-qt-mingw.sh, scripts/build-libpng-mingw.sh) install them, as those scripts
# name it: $XDG_CACHE_HOME/glyphwright/<name>, or ~/.cache/glyphwright/<name>.
function(gw_cache_folder out name)
  if(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(cache "$ENV{XDG_CACHE_HOME}")
  else()
    set(cache "$ENV{HOME}/.cache")
  endif()
  set(${out} "${cache}/glyphwright/${name}" PARENT_SCOPE)
endfunction()
