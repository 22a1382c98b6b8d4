# Shared helpers of the end-to-end scripts (sourced).  Every wait gives up
# after 10 seconds.
TMP=$(mktemp -d)
PIDS=""
cleanup() {
  for p in $PIDS; do kill "$p" 2>/dev/null || true; done
  rm -rf "$TMP"
}
trap cleanup EXIT INT TERM

fail() { echo "FAIL: $*" >&2; exit 1; }
pass() { echo "ok: $*"; }

# find_window TITLE: prints the id of the window with exactly that title,
# once it is viewable (a window has its title before it is mapped).
find_window() {
  timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n1
}

# pointer_to WINDOW X Y: moves the pointer to (X, Y) on the screen and waits
# until the server has it there and WINDOW is viewable with (X, Y) inside it,
# so that the button presses made next go to WINDOW.
pointer_to() {
  xdotool mousemove "$2" "$3" || fail "xdotool mousemove $2 $3"
  i=0
  while :; do
    at=$(xdotool getmouselocation --shell 2>/dev/null | tr '\n' ' ')
    inside=$(xwininfo -id "$1" 2>/dev/null | awk -v px="$2" -v py="$3" '
      /Absolute upper-left X:/ { x = $NF } /Absolute upper-left Y:/ { y = $NF }
      /Width:/ { w = $NF } /Height:/ { h = $NF } /Map State: IsViewable/ { v = 1 }
      END { print (v && px >= x && px < x + w && py >= y && py < y + h) ? "yes" : "no" }')
    case " $at" in *" X=$2 Y=$3 "*) [ "$inside" = yes ] && return 0 ;; esac
    i=$((i + 1))
    [ $i -gt 100 ] && fail "pointer not at $2,$3 in viewable window $1 after 10 s ($at)"
    sleep 0.1
  done
}

# answer_box TITLE KEY: presses KEY in the message box titled TITLE.
answer_box() {
  box=$(find_window "$1") || true
  [ -n "$box" ] || fail "no message box \"$1\""
  press "$box" "$2"
}

# geometry WINDOW: sets X, Y (absolute upper-left) and the outer size W, H
# (X border included) from xwininfo.
geometry() {
  info=$(xwininfo -id "$1") || fail "xwininfo $1"
  X=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
  Y=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
  W=$(echo "$info" | sed -n 's/.*Width: *//p')
  H=$(echo "$info" | sed -n 's/.*Height: *//p')
  BW=$(echo "$info" | sed -n 's/.*Border width: *//p')
  W=$((W + 2 * BW))
  H=$((H + 2 * BW))
}

# wait_exit PID: waits at most 10 s for PID to end and sets RC to its exit code.
wait_exit() {
  i=0
  while kill -0 "$1" 2>/dev/null; do
    i=$((i + 1))
    [ $i -gt 100 ] && fail "process $1 still running after 10 s"
    sleep 0.1
  done
  set +e
  wait "$1"
  RC=$?
  set -e
}

# press WINDOW KEY: gives WINDOW the focus and types KEY as a keyboard would
# (XTEST; the key release may find the window already gone).
press() {
  xdotool windowfocus "$1" 2>/dev/null || true
  xdotool key "$2" 2>/dev/null || true
}
