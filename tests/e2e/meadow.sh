#!/bin/sh
# End to end: the meadow program under an X display, driven as a person would.
# Usage: meadow.sh PATH-TO-MEADOW (run through scripts/with-display).
set -eu
MEADOW=$(realpath "$1")
. "$(dirname "$0")/lib.sh"
TITLE="Effetto vento creato manipolando i vertici dall esterno"
cd "$(dirname "$MEADOW")"

# Answered No: an 800 by 600 window at the top-left corner; Escape ends it.
"$MEADOW" >"$TMP/out" 2>&1 &
PID=$!; PIDS="$PIDS $PID"
answer_box "Video!" n
WIN=$(find_window "$TITLE") || true
[ -n "$WIN" ] || fail "no window \"$TITLE\" after No"
geometry "$WIN"
[ "$X,$Y,$W,$H" = "0,0,800,600" ] || fail "windowed geometry $X,$Y ${W}x$H"
pass "No: 800x600 at (0, 0)"
sleep 0.5
press "$WIN" Escape
wait_exit "$PID"
[ "$RC" -eq 0 ] || { cat "$TMP/out" >&2; fail "exit code $RC after Escape"; }
pass "Escape: exit code 0"

# Answered Yes: the window covers the screen.
SCREEN=$(xdpyinfo | sed -n 's/.*dimensions: *\([0-9]*x[0-9]*\) pixels.*/\1/p')
"$MEADOW" >"$TMP/out" 2>&1 &
PID=$!; PIDS="$PIDS $PID"
answer_box "Video!" y
WIN=$(find_window "$TITLE") || true
[ -n "$WIN" ] || fail "no window \"$TITLE\" after Yes"
geometry "$WIN"
[ "$X,$Y,${W}x$H" = "0,0,$SCREEN" ] || fail "full-screen geometry $X,$Y ${W}x$H, screen $SCREEN"
pass "Yes: covers the $SCREEN screen"
press "$WIN" Escape
wait_exit "$PID"
[ "$RC" -eq 0 ] || fail "exit code $RC after Escape (full screen)"

# No display and no server: the question and the failure go to standard
# error, and the program fails.
set +e
env -u DISPLAY -u KVX_BACKEND "$MEADOW" >"$TMP/out" 2>"$TMP/err" </dev/null &
PID=$!; PIDS="$PIDS $PID"
set -e
wait_exit "$PID"
[ "$RC" -ne 0 ] || fail "exit code 0 without a display"
grep -q "^Video!$" "$TMP/err" || fail "question not on standard error"
grep -q "^Settare lo schermo intero?  $" "$TMP/err" || fail "question text not on standard error"
grep -q "^la rispettiva applicazione non è stata inizilizata!$" "$TMP/err" ||
  { cat "$TMP/err" >&2; fail "failure message not on standard error"; }
pass "no display: messages on standard error, exit code $RC"
