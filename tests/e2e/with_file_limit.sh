#!/bin/sh
# with_file_limit.sh KB COMMAND [ARGS...]: runs the command with every file it writes
# limited to KB kilobytes. A write past the limit fails, as it fails on a full disk,
# instead of ending the process.
limit=$1
shift
trap '' XFSZ
ulimit -f "$limit" || exit 1
exec "$@"
