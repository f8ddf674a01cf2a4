#!/usr/bin/env bash
# The installation benchmark under Wine:
#   run.sh [options]           silent installations of real setup programs: time per run
#                              and per file, calls per file, each beside an established
#                              installer's run of the same files (silent_installs.py --help)
#   run.sh --phases [counts]   extraction and replacement alone, per file, in one process
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset win64 >/dev/null
if [ "${1:-}" = --phases ]; then
  shift
  cmake --build --preset win64 --target install_bench -j2 >/dev/null
  state=build/win64/bench-phases
  mkdir -p "$state"
  cmake/wine-env.sh start "$state" >/dev/null
  trap 'cmake/wine-env.sh stop "$state"' EXIT
  # Not through wine-env.sh run, which takes a program without a test report for one
  # that never started.
  WINEPREFIX=$PWD/$state/wine/prefix DISPLAY=$(cat "$state/wine/display") WINEDEBUG=-all \
    wine build/win64/bench/install/install_bench.exe "$@"
  exit
fi
# The peer: Debian's established installer builder, which makes 64-bit setups as ours.
if ! command -v makensis >/dev/null; then
  echo "install bench: installing nsis, the peer of the comparison"
  if [ "$(id -u)" = 0 ]; then sudo=; else sudo=sudo; fi
  $sudo apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends nsis >/dev/null
fi
cmake --build --preset win64 --target setup_stub host_tools -j2 >/dev/null
cmake --preset bench >/dev/null
cmake --build --preset bench --target restub -j2 >/dev/null
exec python3 bench/install/silent_installs.py --build build/win64 \
  --stub build/win64/setup/setup-stub-x86_64.exe \
  --mksetup build/win64/host-tools/tools/mksetup/mksetup \
  --restub build/bench/bench/install/restub --peer "$@"
