#!/usr/bin/env bash
# Sets up, builds every preset and runs every test: host (sanitizers), Windows under
# Wine (x86_64), and the shipped i686 build: its imports, and its installation, install
# phase and decoder under Wine through the 32-bit runner.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh || exit 1

jobs=$(nproc)
failed=0
for preset in host win64 win32; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null || { failed=1; continue; }
  cmake --build --preset "$preset" -j "$jobs" || { failed=1; continue; }
done
[ $failed = 0 ] || { echo "build failed"; exit 1; }

for preset in host win64 win32; do
  echo "== $preset: tests"
  ctest --preset "$preset" -j "$jobs" || failed=1
done
exit $failed
