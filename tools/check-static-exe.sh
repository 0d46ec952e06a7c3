#!/usr/bin/env bash
# Every .exe of a Windows build tree must need only system DLLs.
set -euo pipefail
status=0
while IFS= read -r exe; do
  extra=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/.*DLL Name: //p' |
          grep -viE '^(kernel32|msvcrt|user32|gdi32|comdlg32|shell32|winmm|advapi32|ole32|comctl32)\.dll$' || true)
  if [ -n "$extra" ]; then
    echo "$exe needs non-system DLLs: $extra"
    status=1
  fi
done < <(find "$1" -name '*.exe' -not -path '*/wineprefix/*' -not -path '*/CMakeFiles/*')
[ $status -eq 0 ] && echo "static check: every .exe needs only system DLLs"
exit $status
