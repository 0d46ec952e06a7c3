#!/bin/sh
# ctest fixture: one persistent wineserver for the whole test run, so that
# each test binary starts in milliseconds instead of seconds.
# WINELOADER and WINESERVER name the loader that fits the build tree and its
# server; the plain "wine" scripts pick the 32-bit one whenever it is installed.
loader=${WINELOADER:-wine}
server=${WINESERVER:-wineserver}
# The launcher beside this script starts the loader (see there why).
here=$(dirname "$0")

prepare() {
  set -e
  mkdir -p "$WINEPREFIX"
  "$server" -p
  [ -f "$WINEPREFIX/system.reg" ] || sh "$here/wine-run.sh" wineboot -i
  # Without a window manager Wine waits 2 s at every map/unmap unless unmanaged.
  sh "$here/wine-run.sh" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
  # Wine's own fonts (package fonts-wine) are not looked for outside the prefix,
  # and without Marlett the caption buttons read "0 1 r". Only Marlett: Wine's
  # FixedSys and the like would replace the system font that the controls use.
  cp -n /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  rm -f "$WINEPREFIX/drive_c/windows/quavel.ini"
}

# A loader this machine cannot run is named in one line, not left as a bare fixture failure.
if ! "$loader" --version >/dev/null 2>&1; then
  echo "wine_setup: $loader cannot run on this machine: $("$loader" --version 2>&1 | head -n 1)" >&2
  exit 1
fi
# The server outlives this script: nothing it inherits may be ctest's pipe.
if ! (prepare) </dev/null >"$WINEPREFIX.log" 2>&1; then
  echo "wine_setup: preparing $WINEPREFIX with $loader failed; see $WINEPREFIX.log" >&2
  exit 1
fi
