#!/usr/bin/env bash
# Takes the README's picture of kesto's main window: starts kesto.exe under
# Wine on a virtual screen from a scratch folder holding the bundled example,
# grabs the window and writes docs/kesto-main-window.png.
#   BUILD_ROOT  build folder of the 32-bit Windows tree (default: build, tree win32)
#   KESTO_EXE   the program (default: $BUILD_ROOT/win32/gui/app/kesto.exe)
#   OUTPUT      the picture (default: docs/kesto-main-window.png)
set -euo pipefail
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
exe=$(realpath "${KESTO_EXE:-$root/win32/gui/app/kesto.exe}")
output=$(realpath -m "${OUTPUT:-docs/kesto-main-window.png}")
[ -f "$exe" ] || { echo "kesto.exe not found at $exe: build the win32 tree first" >&2; exit 1; }

# A prefix of its own, so that neither the tests' lock nor a user's prefix is touched.
export WINEPREFIX=${WINEPREFIX:-$(realpath -m "$root/screenshot-prefix")}
export WINEDEBUG=-all WINEDLLOVERRIDES=winealsa.drv=d

# The start folder, on drive C: so the window shows the paths a Windows user would see.
scratch="$WINEPREFIX/drive_c/My Music"
mkdir -p "$scratch"
trap 'rm -rf "$scratch"' EXIT
cp examples/test.mid "$scratch/test.mid"

grab=$(mktemp)
trap 'rm -rf "$scratch" "$grab"' EXIT
cat >"$grab" <<'INNER'
set -euo pipefail
title="Quavel Version 1.9.2"
wineserver -p 2>/dev/null || true
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i
# No window manager here: Wine draws the frame itself instead of waiting for one.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
fonts="$WINEPREFIX/drive_c/windows/Fonts"
[ -f /usr/share/wine/fonts/marlett.ttf ] && cp -n /usr/share/wine/fonts/marlett.ttf "$fonts/" || true
cd "$SCRATCH"
# "unlock": a kesto killed in an earlier run may have left the lock taken.
wine "$EXE" unlock >/dev/null 2>&1 &
kesto=$!
for _ in $(seq 100); do
  xwininfo -name "$title" >/dev/null 2>&1 && break
  sleep 0.2
done
sleep 1.5  # let the report box and the controls paint
import -window "$title" -strip PNG8:"$OUTPUT"
kill "$kesto" 2>/dev/null || true
wineserver -k
INNER
SCRATCH=$scratch EXE=$exe OUTPUT=$output \
  xvfb-run -a -s "-screen 0 1024x768x24" bash "$grab"
echo "wrote $output ($(wc -c <"$output") bytes)"
