#!/bin/sh
# End to end: the X server goes away under the meadow program (its Xvfb is
# killed with SIGKILL) while the full-screen question is up and while the
# frame loop runs.  The program must end within 10 s with a non-zero exit
# code and exactly one line on standard error.
# Usage: server_loss.sh PATH-TO-MEADOW (starts its own Xvfb servers).
set -eu
MEADOW=$(realpath "$1")
. "$(dirname "$0")/lib.sh"
TITLE="Effetto vento creato manipolando i vertici dall esterno"
LINE="Kalvox: lost the connection to the X server"
cd "$(dirname "$MEADOW")"

# start_server: a private Xvfb on a free display; sets XVFB and DISPLAY.
start_server() {
  rm -f "$TMP/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$TMP/display" 2>"$TMP/xvfb.log" &
  XVFB=$!; PIDS="$PIDS $XVFB"
  i=0
  while [ ! -s "$TMP/display" ]; do
    i=$((i + 1)); [ $i -gt 100 ] && fail "Xvfb did not start"
    sleep 0.1
  done
  DISPLAY=":$(head -n1 "$TMP/display")"
  export DISPLAY
}

# lose_server STATE: kills the server under the program and checks how it ends.
lose_server() {
  start=$(date +%s%N)
  kill -KILL "$XVFB"
  wait_exit "$PID"
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  wait "$XVFB" 2>/dev/null || true
  [ "$RC" -ne 0 ] || fail "$1: exit code 0 after losing the server"
  lines=$(wc -l <"$TMP/err")
  [ "$lines" -eq 1 ] && [ "$(cat "$TMP/err")" = "$LINE" ] ||
    { cat "$TMP/err" >&2; fail "$1: standard error is not the one line \"$LINE\""; }
  pass "$1: ended ${ms} ms after the server was killed, exit code $RC, one line on standard error"
}

# While the full-screen question is up (the message box's own loop).
start_server
"$MEADOW" >"$TMP/out" 2>"$TMP/err" </dev/null &
PID=$!; PIDS="$PIDS $PID"
box=$(find_window "Video!") || true
[ -n "$box" ] || fail "no message box \"Video!\""
lose_server "question up"

# While the frame loop runs.
start_server
"$MEADOW" >"$TMP/out" 2>"$TMP/err" </dev/null &
PID=$!; PIDS="$PIDS $PID"
answer_box "Video!" n
WIN=$(find_window "$TITLE") || true
[ -n "$WIN" ] || fail "no window \"$TITLE\" after No"
sleep 0.5
kill -0 "$PID" 2>/dev/null || fail "meadow ended before the server was killed"
lose_server "frame loop"
