# Sourced by the scripts that run Windows programs under Wine: a virtual X display of their own
# (Wine's windows need one, even for Qt's offscreen platform) and a Wine prefix with its server
# running, both ended when the script exits.
#
#   start_wine_display           starts Xvfb and exports DISPLAY
#   start_wine_prefix DIR        exports WINEPREFIX=DIR (made if missing) and starts its server
#   stop_wine_session            ends the Wine server and Xvfb (the scripts trap EXIT with it)

wine_display_pid=

start_wine_display() {
  local file
  file=$(mktemp)
  Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$file" 2>/dev/null &
  wine_display_pid=$!
  for _ in $(seq 300); do
    [ -s "$file" ] && break
    sleep 0.1
  done
  local display
  display=$(cat "$file")
  rm -f "$file"
  if [ -z "$display" ]; then
    echo "Xvfb did not start (Debian package xvfb)" >&2
    return 1
  fi
  export DISPLAY=:$display
}

start_wine_prefix() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$WINEPREFIX"
  # The server and services start detached from the caller's output, so that nothing waiting
  # on that output (ctest, a pipe) is held open by them.
  wineserver -p </dev/null >/dev/null 2>&1
  timeout 300 wine wineboot -i </dev/null >/dev/null 2>&1 || true
}

stop_wine_session() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "$wine_display_pid" ]; then
    kill "$wine_display_pid" 2>/dev/null || true
    wine_display_pid=
  fi
}
