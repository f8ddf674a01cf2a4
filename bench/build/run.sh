#!/usr/bin/env bash
# Time of mksetup build on 2,000 files and 100 MB beside libdeflate-gzip -12 on the same
# bytes. Options go to mksetup build:  bench/build/run.sh [--best] [--threads N]
set -eu
cd "$(dirname "$0")/../.."
scripts/bootstrap.sh
cmake --preset bench >/dev/null
cmake --build --preset bench --target mksetup -j2 >/dev/null
exec python3 bench/build/build_bench.py build/bench/tools/mksetup/mksetup build/bench/build-bench "$@"
