# End to end on the image-button example under X: every button's X window has
# its normal picture's shape, hovering shows the hover picture, a click
# reaches the window (it takes the button's colour), a press dragged off the
# button does not, and Escape ends the program with exit code 0.
# Usage: buttons.sh EXAMPLE SHAPEMASK (run where DISPLAY is set).
set -eu
EXAMPLE=$1
SHAPEMASK=$2
. "$(dirname "$0")/lib.sh"
DIR=$(dirname "$EXAMPLE")

cd "$DIR"
"$EXAMPLE" 2>"$TMP/err" &
APP=$!
PIDS="$APP"
WIN=$(find_window "Kalvox image buttons") || true
[ -n "$WIN" ] || fail "no window titled \"Kalvox image buttons\""

# The buttons: the window's 72 x 72 children, left to right (the example
# makes them once its window is up).
i=0
while :; do
  BUTTONS=$(xwininfo -children -id "$WIN" | awk '/ 72x72\+/ { split($NF, p, "+"); print p[2], $1 }' | sort -n | awk '{ print $2 }')
  set -- $BUTTONS
  [ $# -eq 3 ] && break
  i=$((i + 1))
  [ $i -gt 100 ] && fail "expected 3 buttons, found $#: $BUTTONS"
  sleep 0.1
done
RED=$1 GREEN=$2 BLUE=$3

# pixel IMAGE X Y: the colour of one pixel as ImageMagick names it.
pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info:; }
# shot WINDOW: a screenshot of the window into $TMP/shot.png.
shot() { import -window "$1" "$TMP/shot.png"; }
# wait_pixel WINDOW X Y COLOUR: waits until the window shows COLOUR at (X, Y).
wait_pixel() {
  i=0
  while :; do
    shot "$1"
    got=$(pixel "$TMP/shot.png" "$2" "$3")
    [ "$got" = "$4" ] && return 0
    i=$((i + 1))
    [ $i -gt 50 ] && fail "window $1 shows $got at $2,$3, not $4"
    sleep 0.2
  done
}

for b in "red $RED" "green $GREEN" "blue $BLUE"; do
  set -- $b
  "$SHAPEMASK" "$2" >"$TMP/shape.pbm" || fail "no shape for $1"
  convert "${1}N.BMP" -fill white -opaque "#FF00FF" -fill black +opaque white \
    -compress none "$TMP/want.pbm"
  diff=$(compare -metric AE "$TMP/shape.pbm" "$TMP/want.pbm" null: 2>&1) || true
  [ "$diff" = "0" ] || fail "$1 button's shape differs from ${1}N.BMP's opaque pixels in $diff pixels"
  wait_pixel "$2" 36 20 "$(pixel "${1}N.BMP" 36 20)"
done
pass "three buttons shaped by their pictures, each showing its normal picture"

# A point of the window's own client area, away from the buttons.
geometry "$WIN"
BG_X=$((X + 10)) BG_Y=$((Y + 10))
shot "$WIN"
BEFORE=$(pixel "$TMP/shot.png" 10 10)

# Hover the green diamond: its hover picture shows.
geometry "$GREEN"
pointer_to "$GREEN" $((X + 36)) $((Y + 36))
wait_pixel "$GREEN" 36 20 "$(pixel greenH.BMP 36 20)"
pass "hovering shows the hover picture"

# Click it: the window takes the green colour.
xdotool click 1
i=0
while :; do
  shot "$WIN"
  NOW=$(pixel "$TMP/shot.png" 10 10)
  [ "$NOW" != "$BEFORE" ] && break
  i=$((i + 1))
  [ $i -gt 50 ] && fail "the click did not change the window ($NOW)"
  sleep 0.2
done
case "$NOW" in
  srgb\(2[0-9],11[0-9],4[0-9]\)) ;;
  *) fail "after the click the window shows $NOW, not the green button's colour" ;;
esac
pass "a click reaches the window ($BEFORE -> $NOW)"

# Press on the red disc, leave it with the button held, release outside:
# no click, so the window stays green.
geometry "$RED"
pointer_to "$RED" $((X + 36)) $((Y + 36))
xdotool mousedown 1
wait_pixel "$RED" 36 20 "$(pixel redP.BMP 36 20)"
pointer_to "$WIN" "$BG_X" "$BG_Y"
xdotool mouseup 1
wait_pixel "$RED" 36 20 "$(pixel redN.BMP 36 20)"
sleep 0.5
shot "$WIN"
[ "$(pixel "$TMP/shot.png" 10 10)" = "$NOW" ] || fail "a press released outside the button clicked it"
pass "a press released outside is no click"

press "$WIN" Escape
wait_exit "$APP"
PIDS=""
[ "$RC" -eq 0 ] || fail "the example ended with exit code $RC"
[ ! -s "$TMP/err" ] || fail "the example wrote to stderr: $(cat "$TMP/err")"
pass "Escape ends the example with exit code 0"
