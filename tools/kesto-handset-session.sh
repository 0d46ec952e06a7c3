#!/usr/bin/env bash
# Manual check, not part of test-all.sh: uses kesto's Handset dialog as a
# person does, with the mouse and the keyboard through xdotool, converts,
# restarts kesto and finds the settings still there; takes the README's two
# pictures of the dialog and of the findings on the way.
#   xvfb-run -a -s "-screen 0 1024x768x24" tools/kesto-handset-session.sh BUILD_DIR
# BUILD_DIR is a Windows tree, i686 or x86_64, with kesto.exe and quavel.exe
# built; each runs under its own Wine loader. The
# pictures go to docs/ unless PICTURES names another folder.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
tools=$(cd "$(dirname "$0")" && pwd)
pictures=$(realpath -m "${PICTURES:-$tools/../docs}")
kesto=$build/gui/app/kesto.exe
quavel=$build/console/quavel.exe
work=$build/handset-session
. "$tools/lib/wine-loader.sh"
useWineLoaderFor "$kesto"
export WINEPREFIX=$build/session-prefix
export WINEDEBUG=-all WINEDLLOVERRIDES=winealsa.drv=d
ini=$WINEPREFIX/drive_c/windows/quavel.ini
: "${DISPLAY:?run under xvfb-run}"

# Screen places: the main window opens at the top left corner of an unmanaged
# screen (client area 5, 25 from it), the dialog at 3, 3 with Wine's dialog font.
handsetButton=(706 259)
convertButton=(706 199)
voices16Box=(23 97)
spMidiBox=(252 61)
slimBox=(252 110)
priorityBox=(375 84)
fitList=(345 178)
gmLiteBox=(23 61)

click() { xdotool mousemove "$1" "$2" click 1; sleep 0.3; }
keys() { xdotool key "$@"; sleep 0.3; }
fail() { echo "handset session: $*" >&2; exit 1; }
waitFor() { timeout 20 xdotool search --sync --onlyvisible --name "$1" >/dev/null || fail "no window \"$1\""; }
# The screen under the window, so that a box standing over it is in the picture too.
grabScreenOf() {
  eval "$(xdotool search --onlyvisible --name "$1" getwindowgeometry --shell | head -n 5)"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip "PNG8:$2"
}
grab() { import -window "$(xdotool search --onlyvisible --name "$1" | head -n 1)" -strip "PNG8:$2"; }
startKesto() {
  sh "$tools/wine-run.sh" "$kesto" unlock >>run.out 2>&1 &
  kestoPid=$!
  waitFor "^Quavel Version"
  sleep 1
}
closeKesto() {
  keys alt+F4
  wait "$kestoPid" || fail "kesto ended with status $?"
  kestoPid=
}
kestoPid=
# A failed step leaves no kesto behind.
trap '[ -z "$kestoPid" ] || kill "$kestoPid" 2>/dev/null; "$WINESERVER" -k 2>/dev/null || true' EXIT
iniValue() { tr -d '\r' <"$ini" | sed -n "s/^$1=//p"; }

rm -rf "$work" && mkdir -p "$work" "$pictures"
cp "$tools/../examples/test.mid" "$work/"
sh "$tools/wine-setup.sh"
cd "$work"

startKesto
click "${handsetButton[@]}"
waitFor "^Handset Setting$"
keys Tab space  # sp-midi-3gpp, by the keyboard
click "${voices16Box[@]}"
click "${spMidiBox[@]}"
click "${priorityBox[@]}"
xdotool type 95
keys Tab space  # Slim
click "${fitList[@]}"
keys Down Down Down Return  # voices-16
grab "^Handset Setting$" "$pictures/kesto-handset-dialog.png"
keys Return  # OK
[ "$(iniValue Priority)" = 95 ] || fail "the digits were not kept"

# Again, now with gm-lite checked, SP-MIDI, Slim and the fit off: sp-midi-3gpp then wants its MIP message.
click "${handsetButton[@]}"
waitFor "^Handset Setting$"
click "${spMidiBox[@]}"
click "${slimBox[@]}"
click "${fitList[@]}"
keys Home Return
click "${gmLiteBox[@]}"
keys Return
click "${convertButton[@]}"
waitFor "^Confirm$"
sleep 0.5
grabScreenOf "^Quavel Version" "$pictures/kesto-handset-findings.png"
keys Return
closeKesto

sh "$tools/wine-run.sh" "$quavel" -Pgm-lite -Psp-midi-3gpp -Pvoices-16 test.mid console.mid >quavel.out || [ $? = 3 ] ||
  fail "quavel failed"
cmp out.mid console.mid || fail "kesto's file is not quavel's"

startKesto
click "${handsetButton[@]}"
waitFor "^Handset Setting$"
grab "^Handset Setting$" after-restart.png
keys Escape
closeKesto
[ "$(iniValue Check1),$(iniValue Check2),$(iniValue Check3)" = "gm-lite,sp-midi-3gpp,voices-16" ] ||
  fail "the checked profiles were not kept"
echo "handset session: done; pictures in $pictures, the dialog after the restart in $work/after-restart.png"
