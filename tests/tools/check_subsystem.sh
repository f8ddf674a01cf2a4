#!/usr/bin/env bash
# Fails unless every program given says subsystem version 4.0, which the 95/98 family
# requires to start it.
objdump=$1
shift
bad=0
for exe in "$@"; do
  header=$("$objdump" -p "$exe")
  major=$(echo "$header" | sed -n 's/^MajorSubsystemVersion\s*//p')
  minor=$(echo "$header" | sed -n 's/^MinorSubsystemVersion\s*//p')
  if [ "$major.$minor" != "4.0" ]; then echo "$exe: subsystem $major.$minor, not 4.0"; bad=1
  else echo "$exe: subsystem 4.0"; fi
done
exit $bad
