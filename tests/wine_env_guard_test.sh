#!/usr/bin/env bash
# A test run of the i686 build must fail when nothing ran, never pass in silence:
#   - a 32-bit program started in a prefix without the 32-bit runner is refused;
#   - a program that exits 0 without writing its test report fails.
#   wine_env_guard_test.sh WINE_ENV BUILD_DIR PROGRAM32   (with the build's wine fixture up)
set -u
wine_env=$1 build=$(cd "$2" && pwd) program=$3
passed=0 failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

# ExpectFailure NAME MESSAGE BUILD ARGS...: the run exits non-zero and says MESSAGE.
ExpectFailure() {
  local name=$1 message=$2 dir=$3 output status; shift 3
  output=$("$wine_env" run "$dir" "$@" 2>&1); status=$?
  if [ $status = 0 ]; then fail "$name: exited 0"; return; fi
  if ! grep -q "$message" <<<"$output"; then fail "$name: no \"$message\" in: $output"; return; fi
  echo "ok: $name"; passed=$((passed + 1))
}

# The fixture's display and prefix, as a build folder whose fixture lacks the runner.
bare=$(mktemp -d "$build/wine-guard.XXXXXX")
trap 'rm -rf "$bare"' EXIT
mkdir -p "$bare/wine"
cp "$build/wine/display" "$bare/wine/"
ln -s "$build/wine/prefix" "$bare/wine/prefix"
ExpectFailure "32-bit program without the runner" "32-bit program and this prefix has no 32-bit runner" \
  "$bare" "$program"

# Through the runner, a program that is no test program runs, exits 0 and writes no report.
ExpectFailure "exit 0 without a report" "wrote no test report" \
  "$build" "$build/wine/prefix/drive_c/windows/syswow64/hostname.exe"

echo "$passed passed, $failed failed"
[ $failed = 0 ]
