#!/usr/bin/env bash
# Wine prefix and virtual display for one test run of a build folder.
#   wine-env.sh start BUILD_DIR   fresh prefix + Xvfb, state in BUILD_DIR/wine/
#   wine-env.sh stop BUILD_DIR    ends wineserver and Xvfb
#   wine-env.sh run BUILD_DIR PROGRAM [ARGS...]   runs a program in that prefix
set -u
cmd=$1 build=$(cd "$2" && pwd); shift 2
state=$build/wine
export WINEPREFIX=$state/prefix WINEDEBUG=-all \
       WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

start_display() {
  local n
  for n in $(seq 90 140); do
    [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    echo $! > "$state/xvfb.pid"
    for _ in $(seq 50); do
      [ -e /tmp/.X11-unix/X$n ] && { echo ":$n" > "$state/display"; return 0; }
      kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null || break
      sleep 0.1
    done
  done
  echo "wine-env: no display could be started" >&2; return 1
}

case $cmd in
start)
  "$0" stop "$build" 2>/dev/null
  rm -rf "$state"; mkdir -p "$state"
  start_display || exit 1
  export DISPLAY=$(cat "$state/display")
  wineboot -i >/dev/null 2>&1 && wineserver -w
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  for v in CaptionFont SmCaptionFont MenuFont MessageFont StatusFont IconFont; do
    wine reg delete 'HKCU\Control Panel\Desktop\WindowMetrics' /v $v /f >/dev/null 2>&1
  done
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
  wineserver -w
  [ -d "$WINEPREFIX/drive_c/windows" ] || { echo "wine-env: prefix not created" >&2; exit 1; }
  echo "wine-env: prefix $WINEPREFIX on display $DISPLAY"
  ;;
stop)
  [ -d "$state/prefix" ] && wineserver -k 2>/dev/null
  if [ -f "$state/xvfb.pid" ]; then kill "$(cat "$state/xvfb.pid")" 2>/dev/null; rm -f "$state/xvfb.pid"; fi
  exit 0
  ;;
run)
  [ -f "$state/display" ] || { echo "wine-env: no prefix; run the wine.start test first" >&2; exit 1; }
  export DISPLAY=$(cat "$state/display")
  # Results and screenshots of a test go under BUILD_DIR/test-output.
  mkdir -p "$build/test-output"
  out=$build/test-output; export SETUP_TEST_OUTPUT="Z:${out//\//\\}"
  exec wine "$@"
  ;;
*) echo "usage: wine-env.sh start|stop|run BUILD_DIR ..." >&2; exit 2 ;;
esac
