#!/usr/bin/env bash
# wine-run-win98.sh BUILD_DIR PROGRAM [ARGS...]: runs PROGRAM in the test prefix as the
# 95/98 family. Wine keeps that setting per program name, so PROGRAM is a copy under a
# name of its own and the other runs of the original stay on the NT family.
set -u
here=$(dirname "$0") build=$1 program=$2; shift 2
"$here/wine-env.sh" run "$build" reg add \
  "HKCU\\Software\\Wine\\AppDefaults\\$(basename "$program")" /v Version /d win98 /f \
  >/dev/null 2>&1 || { echo "wine-run-win98: cannot set the version of $program" >&2; exit 1; }
exec "$here/wine-env.sh" run "$build" "$program" "$@"
