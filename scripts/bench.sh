#!/usr/bin/env bash
# Builds the optimised host configuration without sanitizers and runs the benchmarks.
#   scripts/bench.sh [benchmark flags]   wall-clock timings and a summary
#   scripts/bench.sh --instructions      instructions per byte under callgrind, which
#                                        repeat exactly from run to run
#   scripts/bench.sh --install [options] silent installations under Wine: time per file,
#                                        calls per file (bench/install/run.sh)
#   scripts/bench.sh --size              where the bytes of the i686 setup program
#                                        without a product (the stub) go
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
if [ "${1:-}" = --install ]; then
  shift
  exec bench/install/run.sh "$@"
fi
if [ "${1:-}" = --size ]; then
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 --target setup_stub -j 2
  exec python3 bench/size_report.py build/win32/setup/setup-stub-i686.exe --limit $((96 * 1024))
fi
cmake --preset bench >/dev/null
cmake --build --preset bench --target inflate_bench -j 2
bench=build/bench/bench/inflate_bench
if [ "${1:-}" != --instructions ]; then
  exec "$bench" "$@"
fi

# One decode per decoder and stream and one CRC per checksum, each counted inside its
# own function.
"$bench" --once crc32 >/dev/null  # makes the builder's stream once, outside callgrind
bytes=$("$bench" --once crc32 | sed -n 's/^payload: \([0-9]*\) bytes.*/\1/p')
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for part in builder zlib9 crc32; do
  valgrind --tool=callgrind --callgrind-out-file="$out/$part" \
    '--toggle-collect=*DecodeWith*' '--toggle-collect=*CrcWith*' \
    "$bench" --once "$part" >/dev/null 2>&1
  callgrind_annotate --inclusive=yes "$out/$part" 2>/dev/null |
    sed -n 's/^ *\([0-9,]*\) ([^)]*) *[^:]*:(anonymous namespace)::\(DecodeWith[A-Za-z]*\|CrcWith[A-Za-z]*\)().*/\1 \2/p' |
    tr -d , | while read -r count name; do
      awk -v part="$part" -v name="$name" -v count="$count" -v bytes="$bytes" \
        'BEGIN { printf "%-8s %-24s %6.2f instructions per byte\n", part, name, count / bytes }'
    done
done
