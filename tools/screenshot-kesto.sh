#!/usr/bin/env bash
# Takes the README's picture of kesto's main window: starts kesto.exe under
# Wine on a virtual screen from a scratch folder holding the bundled example,
# grabs the window and writes docs/kesto-main-window.png.
#   BUILD_ROOT  folder of the build trees (default: build)
#   KESTO_EXE   the program (default: the 32-bit kesto of $BUILD_ROOT/win32 where
#               this machine runs 32-bit code, else the 64-bit one of $BUILD_ROOT/win64)
#   OUTPUT      the picture (default: docs/kesto-main-window.png)
#   TUNE        the tune kesto starts with, as its test.mid (default: examples/test.mid)
set -euo pipefail
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
if [ -z "${KESTO_EXE:-}" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then KESTO_EXE=$root/win32/gui/app/kesto.exe
  else KESTO_EXE=$root/win64/gui/app/kesto.exe; fi
fi
exe=$(realpath "$KESTO_EXE")
output=$(realpath -m "${OUTPUT:-docs/kesto-main-window.png}")
tune=$(realpath "${TUNE:-examples/test.mid}")
[ -f "$exe" ] || { echo "kesto.exe not found at $exe: build its Windows tree first" >&2; exit 1; }

. tools/lib/wine-loader.sh
useWineLoaderFor "$exe"
# A prefix of its own per loader, so that neither the tests' lock nor a user's prefix is touched.
export WINEPREFIX=${WINEPREFIX:-$(realpath -m "$root/screenshot-prefix-$(basename "$WINELOADER")")}
export WINEDEBUG=-all WINEDLLOVERRIDES=winealsa.drv=d

# The start folder, on drive C: so the window shows the paths a Windows user would see.
scratch="$WINEPREFIX/drive_c/My Music"
mkdir -p "$scratch"
trap 'rm -rf "$scratch"' EXIT
cp "$tune" "$scratch/test.mid"

grab=$(mktemp)
trap 'rm -rf "$scratch" "$grab"' EXIT
cat >"$grab" <<'INNER'
set -euo pipefail
title="Quavel Version $VERSION"
# The tests' preparation: persistent server, unmanaged windows, Wine's own fonts, no lock.
sh tools/wine-setup.sh
cd "$SCRATCH"
# "unlock": a kesto killed in an earlier run may have left the lock taken.
sh tools/wine-run.sh "$EXE" unlock >/dev/null 2>&1 &
kesto=$!
# The window exists from its creation on, but shows only once the first load is done:
# a long report takes seconds.
for _ in $(seq 150); do
  xwininfo -name "$title" 2>/dev/null | grep -q IsViewable && break
  sleep 0.2
done
sleep 1.5  # let the report box and the controls paint
import -window "$title" -strip PNG8:"$OUTPUT"
kill "$kesto" 2>/dev/null || true
"$WINESERVER" -k
INNER
VERSION=$(sed -n 's/^project(quavel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt) \
SCRATCH=$scratch EXE=$exe OUTPUT=$output \
  xvfb-run -a -s "-screen 0 1024x768x24" bash "$grab"
echo "wrote $output ($(wc -c <"$output") bytes)"
