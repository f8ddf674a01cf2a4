#!/usr/bin/env bash
# Fails when a Windows program of the build imports a DLL that Windows does not ship
# (libgcc, libstdc++, winpthread and the like).
objdump=$1 build=$2
allowed='^(kernel32|user32|gdi32|comctl32|comdlg32|ole32|oleaut32|shell32|shlwapi|advapi32|msvcrt|version|winmm|imagehlp)\.dll$'
count=0 bad=0
while IFS= read -r exe; do
  count=$((count + 1))
  while IFS= read -r dll; do
    if ! echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$allowed"; then
      echo "$exe imports $dll"; bad=1
    fi
  done < <("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p')
done < <(find "$build" -name '*.exe' -not -path '*/wine/*' -not -path '*/wine32/*' -not -path '*/googletest/*' -not -path '*/CMakeFiles/*')
[ "$count" -gt 0 ] || { echo "no Windows programs found under $build"; exit 1; }
echo "$count programs checked"
exit $bad
