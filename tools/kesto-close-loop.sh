#!/usr/bin/env bash
# Manual check, not part of test-all.sh: starts kesto.exe again and again,
# plays, stops and closes it the ways a person does (mouse, Alt+F4, the
# close box), and counts every run that faults, hangs, ends with a status
# other than 0 or leaves the instance lock taken.
#   xvfb-run -a -s "-screen 0 1024x768x24" tools/kesto-close-loop.sh BUILD_DIR [RUNS]
# BUILD_DIR is an x86_64 tree (its kesto.exe and wine prefix are used);
# RUNS defaults to 200. The log of each failed run is kept in BUILD_DIR/close-loop.
# WINEDEBUG_CHANNELS adds Wine debug channels, e.g. warn+heap to check the heap
# as it is used; PATIENCE (seconds, default 20) is how long a window may take.
set -uo pipefail
build=$(cd "${1:?build folder}" && pwd)
runs=${2:-200}
kesto=$build/gui/app/kesto.exe
work=$build/close-loop
export WINEPREFIX=$build/wineprefix WINELOADER=/usr/lib/wine/wine64 WINEDLLOVERRIDES=winealsa.drv=d
server=/usr/lib/wine/wineserver64
ini=$WINEPREFIX/drive_c/windows/quavel.ini
: "${DISPLAY:?run under xvfb-run}"

# Where the main window's controls stand on screen: the window opens at the
# top left corner of an unmanaged Xvfb screen.
play=(706 299)
closeBox=(767 13)

tools=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$work"
cp "$tools/../examples/test.mid" "$work/test.mid"
cd "$work" || exit 1
"$server" -p 2>/dev/null

click() { xdotool mousemove "$1" "$2" click 1; }
pause() { sleep "0.$((RANDOM % 4))"; }
closeWithKeys() { xdotool key alt+F4; }

# The ways of ending a run, taken in turn.
path0() { click "${play[@]}"; pause; closeWithKeys; }
path1() { click "${play[@]}"; pause; click "${play[@]}"; pause; closeWithKeys; }
path2() { click "${play[@]}"; pause; click "${closeBox[@]}"; }
path3() { click "${play[@]}"; closeWithKeys; }
path4() { click "${play[@]}"; pause; click "${play[@]}"; click "${play[@]}"; pause; closeWithKeys; }
path5() { click "${play[@]}"; pause; click "${play[@]}"; pause; click "${closeBox[@]}"; }
# Longer use: many conversions for playback and closes of the sequencer first.
path6() {
  for _ in 1 2 3 4 5 6 7 8 9 10; do click "${play[@]}"; click "${play[@]}"; done
  click "${play[@]}"; pause; closeWithKeys
}
paths=7

bootValue() { tr -d '\r' <"$ini" 2>/dev/null | sed -n 's/^BOOT=//p'; }

failures=0
for ((run = 1; run <= runs; ++run)); do
  rm -f "$ini"
  WINEDEBUG=+seh,trace+mci${WINEDEBUG_CHANNELS:+,$WINEDEBUG_CHANNELS} sh "$tools/wine-run.sh" "$kesto" >run.out 2>run.err &
  pid=$!
  if ! window=$(timeout "${PATIENCE:-20}" xdotool search --sync --onlyvisible --name "^Quavel Version" 2>/dev/null | head -n 1) ||
    [ -z "$window" ]; then
    why="no main window"
  else
    "path$((run % paths))"
    why=""
  fi
  status=timeout
  for ((waited = 0; waited < 10 * ${PATIENCE:-20}; ++waited)); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      status=$?
      break
    fi
    sleep 0.1
  done
  if [ "$status" = timeout ]; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  boot=$(bootValue)
  faults=$(grep -a -c -E "wine: Unhandled|page fault on|err:seh|err:heap|stack overflow|stack smashing|buffer overrun" run.err)
  # A run that never reached playback checked nothing.
  [ -z "$why" ] && ! grep -q 'mciSendStringW (L"Play FILE notify"' run.err && why="never played"
  if [ -z "$why" ] && [ "$status" = 0 ] && [ "$boot" = 1 ] && [ "$faults" = 0 ]; then
    echo "run $run path $((run % paths)): ok"
  else
    failures=$((failures + 1))
    echo "run $run path $((run % paths)): FAILED ${why:+($why) }status $status, BOOT '$boot', $faults fault lines"
    cp run.err "failed-$run.err"
  fi
done
echo "$runs runs, $failures failed"
[ "$failures" = 0 ]
