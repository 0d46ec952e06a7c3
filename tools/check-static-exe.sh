#!/usr/bin/env bash
# Every .exe of the given Windows build trees must need only system DLLs.
# The x86_64 objdump reads both 32-bit and 64-bit executables; an exe it
# cannot read, or one that lists no DLL at all, fails the check too.
set -euo pipefail
objdump=x86_64-w64-mingw32-objdump
system_dlls='^(kernel32|msvcrt|user32|gdi32|comdlg32|shell32|winmm|advapi32|ole32|comctl32)\.dll$'
[ $# -gt 0 ] || { echo "usage: $0 BUILD_TREE..." >&2; exit 2; }

# Prints what is wrong with one exe, nothing when it is fine.
check_exe() {
  local exe=$1 headers dlls extra
  if ! headers=$("$objdump" -p "$exe" 2>&1); then
    echo "$exe cannot be read by $objdump: $(head -n 1 <<<"$headers")"
    return
  fi
  dlls=$(sed -n 's/.*DLL Name: //p' <<<"$headers")
  if [ -z "$dlls" ]; then
    echo "$exe lists no DLL at all"
    return
  fi
  extra=$(grep -viE "$system_dlls" <<<"$dlls" || true)
  [ -z "$extra" ] || echo "$exe needs non-system DLLs:" $extra
}

status=0
for tree in "$@"; do
  count=0
  while IFS= read -r exe; do
    count=$((count + 1))
    fault=$(check_exe "$exe")
    if [ -n "$fault" ]; then
      echo "$fault"
      status=1
    fi
  done < <(find "$tree" -name '*.exe' -not -path '*/wineprefix/*' -not -path '*/CMakeFiles/*')
  if [ "$count" -eq 0 ]; then
    echo "$tree holds no .exe"
    status=1
  fi
done
[ $status -eq 0 ] && echo "static check: every .exe in $* needs only system DLLs"
exit $status
