#!/usr/bin/env bash
# Builds the optimised host configuration without sanitizers and runs the benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset bench >/dev/null
cmake --build --preset bench --target inflate_bench -j 2
build/bench/bench/inflate_bench "$@"
