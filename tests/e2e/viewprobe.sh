#!/bin/sh
# End to end: mouse drags turn and move the view; a close request from the
# window manager ends the program with exit code 0.
# Usage: viewprobe.sh PATH-TO-VIEWPROBE PATH-TO-WMCLOSE (through scripts/with-display).
set -eu
PROBE=$(realpath "$1")
WMCLOSE=$(realpath "$2")
. "$(dirname "$0")/lib.sh"

"$PROBE" >"$TMP/out" 2>"$TMP/err" &
PID=$!; PIDS="$PIDS $PID"
WIN=$(find_window "Kalvox view probe") || true
[ -n "$WIN" ] || fail "no probe window"
i=0
until grep -q READY "$TMP/out"; do
  i=$((i + 1)); [ $i -gt 100 ] && fail "no first frame"
  sleep 0.1
done
geometry "$WIN"
[ "$X,$Y" = "300,200" ] || fail "probe window at $X,$Y"

# Left drag from inside the window to 300 pixels left of its edge, 40 down:
# YROT turns by the horizontal and XROT by the vertical motion (speed 2,
# halved).
# Each drag starts once the pointer is over the window.
pointer_to "$WIN" 500 300
xdotool mousedown 1 mousemove 400 310 mousemove 100 340 mouseup 1
# Right drag 50 pixels down: DEPTH falls by 50 / 10 x 2.
pointer_to "$WIN" 500 300
xdotool mousedown 3 mousemove 500 350 mouseup 3
sleep 0.3

"$WMCLOSE" "$WIN" || fail "close request not sent"
wait_exit "$PID"
[ "$RC" -eq 0 ] || { cat "$TMP/err" >&2; fail "exit code $RC after the close request"; }
LINE=$(grep '^XROT' "$TMP/out") || fail "no view printed"
case "$LINE" in
  "XROT 40 YROT -400 DEPTH -10 "*) ;;
  *) fail "view after the drags: $LINE (expected XROT 40 YROT -400 DEPTH -10)" ;;
esac
pass "drags and close request: $LINE"
