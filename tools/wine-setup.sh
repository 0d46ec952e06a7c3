#!/bin/sh
# ctest fixture: one persistent wineserver for the whole test run, so that
# each test binary starts in milliseconds instead of seconds.
exec </dev/null >"$WINEPREFIX.log" 2>&1
set -e
mkdir -p "$WINEPREFIX"
wineserver -p
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i
# Without a window manager Wine waits 2 s at every map/unmap unless unmanaged.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
rm -f "$WINEPREFIX/drive_c/windows/quavel.ini"
