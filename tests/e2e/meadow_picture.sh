#!/bin/sh
# End to end: what the meadow program shows.  Run through scripts/with-display.
# Usage: meadow_picture.sh PATH-TO-MEADOW
# The program's directory holds the data files "rockgrass.bmp" and "grass.tga".
#
# With the default view (camera 30 units back, tilted 25 degrees, 45-degree
# field of view, 800 by 600) the ground square fills window rows ~222 to ~446;
# tuft feet lie no nearer than z = 8, which is above row ~416 in the middle of
# the window, so the strip NEAR (columns 250..549, rows 425..444) shows ground
# that no tuft covers.  LOWER (columns 150..649, rows 300..439) is the lower
# half's part of the ground, BELOW (rows 460..599) lies under the ground's
# near edge and GRASS (rows 100..419) is where the tufts stand.
set -eu
MEADOW=$1
. "$(dirname "$0")/lib.sh"
TITLE="Effetto vento creato manipolando i vertici dall esterno"
DATA=$(cd "$(dirname "$MEADOW")" && pwd)
[ -f "$DATA/rockgrass.bmp" ] && [ -f "$DATA/grass.tga" ] || fail "data files missing in $DATA"

# shot FILE: the 800 by 600 window at the top-left corner of the screen.
shot() { import -window root -crop 800x600+0+0 +repage "$1"; }

# region_stats FILE X Y W H: "black earth green other total" pixel counts.
# Black: r+g+b < 30; green: g above r and b; earth: browns and greys (r >= b).
region_stats() {
  convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -format %c histogram:info:- | awk '
  { n = $1; sub(/:/, "", n); s = $0; sub(/^[^(]*\(/, "", s); sub(/\).*/, "", s); gsub(/ /, "", s)
    split(s, v, ","); r = v[1] + 0; g = v[2] + 0; b = v[3] + 0; t += n
    if (r + g + b < 30) k += n; else if (g > r && g > b) gr += n; else if (r >= b) e += n; else o += n }
  END { printf "%d %d %d %d %d\n", k, e, gr, o, t }'
}

# changed_stats A B X Y W H: "changed green": pixels that differ between the
# two pictures, and how many of those are green in at least one of them.
changed_stats() {
  convert "$1" -crop "${5}x${6}+${3}+${4}" +repage -depth 8 txt:- >"$TMP/a.txt"
  convert "$2" -crop "${5}x${6}+${3}+${4}" +repage -depth 8 txt:- >"$TMP/b.txt"
  awk '
  function green(s,   v) { gsub(/[() ]/, "", s); split(s, v, ","); return v[2] + 0 > v[1] + 0 && v[2] + 0 > v[3] + 0 }
  /^#/ { next }
  FNR == NR { a[$1] = $2; next }
  { if (a[$1] != $2) { c++; if (green(a[$1]) || green($2)) gc++ } }
  END { printf "%d %d\n", c + 0, gc + 0 }' "$TMP/a.txt" "$TMP/b.txt"
}

# key WINDOW KEY: sends KEY to WINDOW.  A key that closes the window (the
# question's N, the box's Return, Escape) may destroy it between the key's
# press and release, and xdotool then reports the release as BadWindow: that
# report is expected, and the waits that follow check what the key did.
key() {
  xdotool windowfocus "$1" 2>/dev/null || true
  xdotool key --window "$1" "$2" 2>/dev/null || true
}

# no_boxes: no message box is open.
no_boxes() {
  for caption in ERROR "Invalid Image"; do
    n=$(xdotool search --name "^$caption\$" 2>/dev/null | wc -l)
    [ "$n" -eq 0 ] || fail "unexpected message box \"$caption\""
  done
}

# start DIR: runs the program in DIR and answers the question with No; sets PID.
start() {
  (cd "$1" && exec "$MEADOW") >"$TMP/out" 2>&1 &
  PID=$!; PIDS="$PIDS $PID"
  box=$(find_window "Video!") || true
  [ -n "$box" ] || fail "no question \"Video!\""
  key "$box" n
}

# stop: Escape ends the program with exit code 0.
stop() {
  key "$WIN" Escape
  wait_exit "$PID"
  [ "$RC" -eq 0 ] || { cat "$TMP/out" >&2; fail "exit code $RC after Escape"; }
}

# expect_ground FILE: the ground is drawn in LOWER and nothing below it.
expect_ground() {
  set -- "$1" $(region_stats "$1" 150 300 500 140)
  [ $(( ($3 + $4) * 100 )) -ge $(( $6 * 95 )) ] || fail "$1: LOWER is not ground (black $2 earth $3 green $4 other $5)"
  [ $(( $3 * 100 )) -ge $(( $6 * 10 )) ] || fail "$1: no earth colours in LOWER ($3 of $6)"
  set -- "$1" $(region_stats "$1" 0 460 800 140)
  [ $(( $2 * 100 )) -ge $(( $6 * 99 )) ] || fail "$1: BELOW is not the black background"
  set -- "$1" $(region_stats "$1" 250 425 300 20)
  [ $(( ($3 + $4) * 100 )) -ge $(( $6 * 99 )) ] || fail "$1: NEAR is not ground"
}

# --- The full scene: ground, swaying grass, mouse view, Escape.
start "$DATA"
WIN=$(find_window "$TITLE") || true
[ -n "$WIN" ] || fail "no window \"$TITLE\""
sleep 2
no_boxes
shot "$TMP/s1.png"
sleep 1
shot "$TMP/s2.png"
expect_ground "$TMP/s1.png"
pass "ground colours over the lower part of the window"
set -- $(changed_stats "$TMP/s1.png" "$TMP/s2.png" 0 100 800 320)
[ "$1" -ge 2000 ] || fail "the grass does not move ($1 pixels changed in a second)"
[ $(( $2 * 100 )) -ge $(( $1 * 95 )) ] || fail "changed pixels are not grass ($2 green of $1)"
pass "a second later the grass has moved ($1 pixels, $2 of them green)"
set -- $(changed_stats "$TMP/s1.png" "$TMP/s2.png" 250 425 300 20)
[ "$1" -eq 0 ] || fail "the ground away from the tufts changed ($1 pixels)"
pass "the ground away from the tufts stays still"

# A left drag turns the view: the ground strip NEAR moves.  Every move is
# made only once the pointer has reached the last spot over the window; then
# the picture is watched until the turned view is drawn (a busy machine draws
# slowly), for at most 10 s.
shot "$TMP/before.png"
pointer_to "$WIN" 400 300
xdotool mousedown 1
pointer_to "$WIN" 380 290
pointer_to "$WIN" 300 250
xdotool mouseup 1
i=0
while :; do
  shot "$TMP/s3.png"
  set -- $(changed_stats "$TMP/before.png" "$TMP/s3.png" 250 425 300 20)
  [ "$1" -ge 1500 ] && break
  i=$((i + 1))
  [ $i -lt 10 ] || fail "a left drag did not change the view ($1 of 6000 pixels in NEAR)"
  sleep 1
done
pass "a left drag changes the view"
stop
pass "Escape: exit code 0"

# --- Without "grass.tga": no message, the program runs and shows the ground.
mkdir "$TMP/nograss"
cp "$DATA/rockgrass.bmp" "$TMP/nograss/"
start "$TMP/nograss"
WIN=$(find_window "$TITLE") || true
[ -n "$WIN" ] || fail "no window without grass.tga"
sleep 1.5
no_boxes
shot "$TMP/s4.png"
expect_ground "$TMP/s4.png"
stop
pass "without grass.tga: no message, the ground is drawn, exit code 0"

# --- A damaged "grass.tga" (cut off inside its pixel data): exactly one
# message box, then the demo runs.
mkdir "$TMP/damaged"
cp "$DATA/rockgrass.bmp" "$TMP/damaged/"
head -c 2000 "$DATA/grass.tga" >"$TMP/damaged/grass.tga"
start "$TMP/damaged"
BOX=$(find_window ERROR) || true
[ -n "$BOX" ] || fail "no message box for a damaged grass.tga"
n=$(xdotool search --name "^ERROR\$" | wc -l)
[ "$n" -eq 1 ] || fail "$n message boxes for a damaged grass.tga"
key "$BOX" Return
WIN=$(find_window "$TITLE") || true
[ -n "$WIN" ] || fail "no window after the message"
sleep 1.5
no_boxes
shot "$TMP/s5.png"
expect_ground "$TMP/s5.png"
stop
pass "damaged grass.tga: one message, then the demo runs; exit code 0"
