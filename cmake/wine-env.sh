#!/usr/bin/env bash
# Wine prefix and virtual display for one test run of a build folder.
#   wine-env.sh start BUILD_DIR [RUNNER_DIR]   fresh prefix + Xvfb, state in BUILD_DIR/wine/;
#                                  with RUNNER_DIR (see wine32-runner.sh) 32-bit programs
#                                  run too, the prefix copied from the runner's template;
#                                  with SETUP_DESKTOP_KEEPER naming the test build's
#                                  desktop_keeper.exe, one desktop serves the whole run
#   wine-env.sh stop BUILD_DIR    ends wineserver and Xvfb
#   wine-env.sh run BUILD_DIR PROGRAM [ARGS...]   runs a program in that prefix
set -u
cmd=$1 build=$(cd "$2" && pwd); shift 2
here=$(cd "$(dirname "$0")" && pwd)
state=$build/wine
export WINEPREFIX=$state/prefix WINEDEBUG=-all,err+winediag \
       WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset WINELOADER WINESERVER

# The wine command of this run: the machine's, or the 32-bit runner's.
wine=wine
[ -f "$state/runner" ] && wine=$(cat "$state/runner")/wine

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

# Starts the keeper of the prefix's desktop and waits until a window can be made, so
# that no test meets a desktop that is starting or going. Two tries: its first start
# on a busy machine can outlast the wait of the program that starts it.
hold_desktop() {
  local ready=$state/desktop-ready pid _
  for _ in 1 2; do
    rm -f "$ready"
    "$wine" "$1" "Z:${ready//\//\\}" </dev/null >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 300); do
      [ -e "$ready" ] && return 0
      kill -0 $pid 2>/dev/null || break
      sleep 0.1
    done
    kill $pid 2>/dev/null
    wait $pid 2>/dev/null
  done
  echo "wine-env: the prefix's desktop did not come up" >&2; return 1
}

# The machine field of a PE file's header: 014c for i386, 8664 for x86_64.
pe_machine() {
  local offset
  offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 1
  [ -n "$offset" ] && od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}

# The machine's wine without the 32-bit loader starts a 32-bit program, prints nothing
# and exits 0: such a run would pass without a test having run.
refuse_without_runner() {
  [ -f "$1" ] && [ "$(pe_machine "$1")" = 014c ] && [ ! -f "$state/runner" ] || return 0
  echo "wine-env: $1 is a 32-bit program and this prefix has no 32-bit runner" \
       "(start it with: wine-env.sh start BUILD_DIR RUNNER_DIR)" >&2
  return 1
}

case $cmd in
start)
  runner=${1:-}
  "$0" stop "$build" 2>/dev/null
  rm -rf "$state"; mkdir -p "$state"
  if [ -n "$runner" ]; then
    runner=$(cd "$runner" 2>/dev/null && pwd) || runner=$1
    "$here/wine32-runner.sh" check "$runner" || exit 1
    cp -a "$runner/prefix" "$WINEPREFIX" || { echo "wine-env: cannot copy $runner/prefix" >&2; exit 1; }
    echo "$runner" > "$state/runner"
    wine=$runner/wine
  fi
  start_display || exit 1
  export DISPLAY=$(cat "$state/display")
  [ -n "$runner" ] || { wineboot -i >/dev/null 2>&1 && wineserver -w; }
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  for v in CaptionFont SmCaptionFont MenuFont MessageFont StatusFont IconFont; do
    "$wine" reg delete 'HKCU\Control Panel\Desktop\WindowMetrics' /v $v /f >/dev/null 2>&1
  done
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
  wineserver -w
  [ -d "$WINEPREFIX/drive_c/windows" ] || { echo "wine-env: prefix not created" >&2; exit 1; }
  if [ -n "${SETUP_DESKTOP_KEEPER:-}" ]; then hold_desktop "$SETUP_DESKTOP_KEEPER" || exit 1; fi
  echo "wine-env: prefix $WINEPREFIX on display $DISPLAY${runner:+, 32-bit runner $runner}"
  ;;
stop)
  [ -d "$state/prefix" ] && wineserver -k 2>/dev/null
  if [ -f "$state/xvfb.pid" ]; then kill "$(cat "$state/xvfb.pid")" 2>/dev/null; rm -f "$state/xvfb.pid"; fi
  exit 0
  ;;
run)
  [ -f "$state/display" ] || { echo "wine-env: no prefix; run the wine.start test first" >&2; exit 1; }
  refuse_without_runner "$1" || exit 1
  export DISPLAY=$(cat "$state/display")
  # Results and screenshots of a test go under BUILD_DIR/test-output.
  mkdir -p "$build/test-output"
  out=$build/test-output; export SETUP_TEST_OUTPUT="Z:${out//\//\\}"
  [ -f "$1" ] || exec "$wine" "$@"
  # A test program proves that it ran by writing its report; an exit code of 0 alone
  # could come from a loader that never started it.
  mkdir -p "$state/reports"
  report=$state/reports/$(basename "$1" .exe).$$.xml
  rm -f "$report"
  GTEST_OUTPUT="xml:Z:${report//\//\\}" "$wine" "$@"
  status=$?
  if [ $status = 0 ] && [ ! -s "$report" ]; then
    echo "wine-env: $1 exited 0 but wrote no test report: it did not run" >&2
    status=1
  fi
  rm -f "$report"
  exit $status
  ;;
*) echo "usage: wine-env.sh start|stop|run BUILD_DIR ..." >&2; exit 2 ;;
esac
