#!/usr/bin/env bash
# The main job: sets up, builds the sample product's setup program and runs it under
# Wine in a fresh prefix, on a virtual display, walking the default installation with
# the test driver; then reports what it installed. It ends with the uninstall: the
# Uninstall entry's command line, the restart, and the machine compared with a snapshot
# taken before the installation.
#   scripts/demo.sh                 the driver clicks through the wizard
#   scripts/demo.sh --interactive   you click through it yourself on your display
#   scripts/demo.sh --japanese      the same in Japanese
set -euo pipefail
cd "$(dirname "$0")/.."

interactive=0 lang=C.UTF-8 expect=en
for arg in "$@"; do
  case $arg in
    --interactive) interactive=1 ;;
    --japanese) lang=ja_JP.UTF-8 expect=ja ;;
    *) echo "usage: scripts/demo.sh [--interactive] [--japanese]" >&2; exit 2 ;;
  esac
done

scripts/bootstrap.sh
for preset in win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
done

build=build/win64
setup=$build/product/quorbex32/quorbex32-setup.exe
echo "Shipped 32-bit setup: build/win32/product/quorbex32/quorbex32-setup.exe" \
     "($(stat -c %s build/win32/product/quorbex32/quorbex32-setup.exe) bytes)"

if [ $interactive = 1 ]; then
  [ -n "${DISPLAY:-}" ] || { echo "--interactive needs a display (DISPLAY is not set)" >&2; exit 1; }
  export WINEPREFIX=$PWD/$build/wine/demo-prefix WINEDEBUG=-all
  rm -rf "$WINEPREFIX"
  LANG=$lang wineboot -i >/dev/null 2>&1
  LANG=$lang wine "$setup"
  echo "Installed into the prefix $WINEPREFIX"
  exit 0
fi

SETUP_DESKTOP_KEEPER=$build/desktop_keeper.exe cmake/wine-env.sh start "$build"
trap 'cmake/wine-env.sh stop "$build"' EXIT
LANG=$lang SETUP_EXPECT_LANG=$expect SETUP_E2E_REPORT=1 SETUP_PROGRAM=$PWD/$setup \
  cmake/wine-env.sh run "$build" "$build/tests/e2e/e2e_install_tests.exe" \
  --gtest_filter='*TheRoadOfOneInstallation*' --gtest_brief=1
echo
echo "== The uninstall"
LANG=$lang SETUP_EXPECT_LANG=$expect SETUP_E2E_REPORT=1 SETUP_PROGRAM=$PWD/$setup \
  cmake/wine-env.sh run "$build" "$build/tests/e2e/e2e_round_trip_tests.exe" \
  --gtest_filter='*TheMachineIsAsItWas*' --gtest_brief=1
echo
echo "Screenshots of every step: $build/test-output/e2e-*.png and uninstall-*.png"
