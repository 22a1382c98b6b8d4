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

# No display, or a display with no server behind it: the question and the
# failure go to standard error, and the program fails.
N=4242
while [ -e "/tmp/.X11-unix/X$N" ] || [ -e "/tmp/.X$N-lock" ]; do N=$((N + 1)); done
for D in "" ":$N"; do
  if [ -z "$D" ]; then
    env -u DISPLAY -u KVX_BACKEND "$MEADOW" >"$TMP/out" 2>"$TMP/err" </dev/null &
  else
    env -u KVX_BACKEND DISPLAY="$D" "$MEADOW" >"$TMP/out" 2>"$TMP/err" </dev/null &
  fi
  PID=$!; PIDS="$PIDS $PID"
  wait_exit "$PID"
  [ "$RC" -ne 0 ] || fail "exit code 0 with DISPLAY=\"$D\""
  grep -q "^Video!$" "$TMP/err" || fail "question caption not on standard error"
  grep -q "^Settare lo schermo intero?  $" "$TMP/err" || fail "question not on standard error"
  grep -q "^la rispettiva applicazione non è stata inizilizata!$" "$TMP/err" ||
    { cat "$TMP/err" >&2; fail "failure message not on standard error"; }
  pass "DISPLAY=\"$D\" without a server: messages on standard error, exit code $RC"
done
