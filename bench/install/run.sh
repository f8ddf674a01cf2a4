#!/usr/bin/env bash
# Installation time per file under Wine for 100 and 2,000 files in one folder (or
# the counts given), in a Wine prefix of its own.
set -eu
cd "$(dirname "$0")/../.."
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target install_bench -j2 >/dev/null
state=build/win64/bench-install
mkdir -p "$state"
cmake/wine-env.sh start "$state" >/dev/null
trap 'cmake/wine-env.sh stop "$state"' EXIT
cmake/wine-env.sh run "$state" build/win64/bench/install/install_bench.exe "$@"
