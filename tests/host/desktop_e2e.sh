#!/bin/sh
# The game in the desktop host for real: under Xvfb, clicks at zoomed positions play a
# hand, the X screen shows exactly the device screen the headless host draws for the
# same taps, a second start hands over to the running game, F9 turns the screen, and
# SIGTERM during a hand closes the game as the user would, storing the money; on a
# display that a landscape window fills, the wheel scrolls a dialog and F9 keeps the
# window on the display. Also the process-level contract of `blackjack`: --help,
# --version, a bad option, no display.
# Usage: desktop_e2e.sh PATH/TO/blackjack PATH/TO/portrait.png KEEP_DIR (the README's
# picture of the tour's hand; a failure leaves its captures in KEEP_DIR). Exit 77
# (skipped) only when Xvfb cannot start.
set -u

BJ=$1
HAND_PNG=$2
KEEP=$3
rm -rf "$KEEP"
. "$(dirname "$0")/xvfb.sh"
# A failure prints the program's output and keeps what the screen showed, what was
# expected and their difference.
fail() {
  echo "FAIL: $*" >&2
  for f in "$WORK"/out.txt "$WORK"/err.txt; do
    [ -f "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }
  done
  mkdir -p "$KEEP"
  for f in x.png shown.png expected.png difference.png window.png blocks.png out.txt err.txt; do
    [ -f "$WORK/$f" ] && cp "$WORK/$f" "$KEEP/"
  done
  [ -f "$KEEP/x.png" ] && echo "the captures are kept in $KEEP (x.png: the X screen)" >&2
  exit 1
}

# ---- The command line ----
"$BJ" --help >"$WORK/help.txt" || fail "--help exits 0"
grep -q -- "--headless" "$WORK/help.txt" || fail "--help lists --headless"
"$BJ" --version | grep -q "^blackjack [0-9]" || fail "--version prints the version"
"$BJ" --no-such-option 2>"$WORK/err.txt"
[ $? -eq 2 ] || fail "a bad option exits with 2"
[ "$(wc -l <"$WORK/err.txt")" -eq 1 ] || fail "a bad option gives one line"

# ---- No display: one line saying how to run headless, exit code 1 ----
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$BJ" --profile "$WORK/p0" 2>"$WORK/err.txt"
[ $? -eq 1 ] || fail "without a display the exit code is 1"
[ "$(wc -l <"$WORK/err.txt")" -eq 1 ] || fail "without a display the message is one line"
grep -q -- "--headless" "$WORK/err.txt" || fail "the message says how to run headless"

# ---- The desktop host under Xvfb ----
for tool in Xvfb xdotool import compare convert; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps installs it)"
done
start_xvfb_or_skip 1000x1400x24

ZOOM=2
# Clicks in device pixels (the table starts under the 26-pixel navigation bar).
click() {
  xdotool mousemove --sync $((X + $1 * ZOOM + ZOOM / 2)) $((Y + $2 * ZOOM + ZOOM / 2)) click 1
  sleep 0.2
}
# The X screen, cropped to the window and shrunk to device pixels, until it is $1.
screen_shows() {
  tries=0
  while :; do
    import -window root "$WORK/x.png" || fail "cannot capture the X screen"
    convert "$WORK/x.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage \
      -sample "$((WIDTH / ZOOM))x$((HEIGHT / ZOOM))!" "$WORK/shown.png" || fail "cannot crop the capture"
    DIFF=$(compare -metric AE "$WORK/shown.png" "$1" null: 2>&1)
    [ "$DIFF" = "0" ] && return 0
    tries=$((tries + 1))
    if [ "$tries" -ge 20 ]; then
      cp "$1" "$WORK/expected.png"
      compare "$WORK/shown.png" "$1" "$WORK/difference.png" 2>/dev/null
      return 1
    fi
    sleep 0.3
  done
}
stored() {
  sed -n "s/^\"$1\"=dword:0*\([0-9a-f]*\).*/\1/p" "$WORK/profile/registry.reg"
}

# At 12:00:17 the shoe deals the tour's hand (docs/screenshots/tour.script).
"$BJ" --zoom $ZOOM --clock 12:00:17 --profile "$WORK/profile" >"$WORK/out.txt" 2>"$WORK/err.txt" &
BJ_PID=$!
WID=$(xdotool search --sync --onlyvisible --name "^BlackJack$" | head -n 1)
[ -n "$WID" ] || fail "no desktop window with the game's title"
# The icon is read with xprop, where x11-utils is installed.
if command -v xprop >/dev/null; then
  xprop -id "$WID" _NET_WM_ICON | grep -q "Icon (" || fail "the desktop window has no icon"
fi
eval "$(xdotool getwindowgeometry --shell "$WID")"
[ "$WIDTH" -eq $((240 * ZOOM)) ] && [ "$HEIGHT" -eq $((320 * ZOOM)) ] ||
  fail "the window is ${WIDTH}x${HEIGHT}, not the zoomed device screen"

# A bet of 100, Deal, Stand; the dealer draws on its timer and busts. A click that X
# delivers before the newly mapped window has seen the pointer can be lost, so the
# first one is made again until the screen shows the bet.
screen_changed() {
  i=0
  # Up to five seconds: on a busy machine a click that did arrive can take a while
  # to show, and clicking again then would bet twice.
  while [ $i -lt 25 ]; do
    import -window root "$WORK/after.png"
    [ "$(compare -metric AE "$WORK/before.png" "$WORK/after.png" null: 2>&1)" != "0" ] && return 0
    i=$((i + 1))
    sleep 0.2
  done
  return 1
}
# The screen a click is judged against, taken once the window shows the table (a spot of felt
# as it is in the README's picture) rather than the blank window before the first frame,
# which on a busy machine would pass for the click's effect.
felt_at() {
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:
}
capture_table() {
  i=0
  until import -window root "$WORK/before.png" &&
    [ "$(felt_at "$WORK/before.png" $((X + 225 * ZOOM)) $((Y + 110 * ZOOM)))" = "$(felt_at "$HAND_PNG" 225 110)" ]; do
    i=$((i + 1))
    [ "$i" -ge 50 ] && fail "the window never showed the table"
    sleep 0.2
  done
}
capture_table
tries=0
until click 127 276 && screen_changed; do
  tries=$((tries + 1))
  [ "$tries" -ge 5 ] && fail "clicks do not reach the game"
done
click 30 242
click 150 242
# Every zoomed pixel a solid block, the picture the README shows for the same taps.
screen_shows "$HAND_PNG" || fail "the X screen differs from the tour's hand in $DIFF pixels"
convert "$WORK/x.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$WORK/window.png"
convert "$WORK/shown.png" -scale $((100 * ZOOM))% "$WORK/blocks.png"
DIFF=$(compare -metric AE "$WORK/window.png" "$WORK/blocks.png" null: 2>&1)
[ "$DIFF" = "0" ] || fail "the zoom is not nearest-neighbour: $DIFF pixels differ"

# A second start on the same profile hands over to the running game and ends at once.
: >"$WORK/nothing.script"
timeout 20 "$BJ" --script "$WORK/nothing.script" --profile "$WORK/profile" 2>>"$WORK/err.txt" ||
  fail "a second start ended with $?"
# A game of its own would have stored its money at its end.
[ ! -e "$WORK/profile/registry.reg" ] || fail "a second start ran a game of its own"

# F9 turns the screen and the desktop window with it.
xdotool key --window "$WID" F9
wait_for "xdotool getwindowgeometry '$WID' | grep -q 'Geometry: $((320 * ZOOM))x$((240 * ZOOM))'" 50 ||
  fail "the desktop window did not turn with the screen"
eval "$(xdotool getwindowgeometry --shell "$WID")"

# Deal in landscape: the bet of 100 rides. Two SIGTERMs during the hand: the first
# closes the game, the second must not cut the saving of the money short.
click 280 41
sleep 0.5
kill -TERM "$BJ_PID"
kill -TERM "$BJ_PID"
wait "$BJ_PID"
CODE=$?
BJ_PID=
[ "$CODE" -eq 0 ] || fail "the game ended with $CODE after SIGTERM"
# Bank 1000 and the bet of 100 on the table: 1100.
[ "$(stored TotalAmount)" = "44c" ] || fail "SIGTERM during a hand stored $(stored TotalAmount), not 44c"

# ---- A game recorded in the window replays exactly: headless, and in the window ----
R=$WORK/rec
# Money of its own: the replays, on empty profiles, must start from it.
mkdir -p "$R/live"
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Quorvane\\BlackJack]\n"TotalAmount"=dword:000007d0\n' \
  >"$R/live/registry.reg"
"$BJ" --zoom $ZOOM --profile "$R/live" --record "$R/game.txt" --trace "$R/live.trace" \
  >"$WORK/out.txt" 2>"$WORK/err.txt" &
BJ_PID=$!
WID=$(xdotool search --sync --onlyvisible --name "^BlackJack$" | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$WID")"
capture_table
tries=0
until click 127 276 && screen_changed; do
  tries=$((tries + 1))
  [ "$tries" -ge 5 ] && fail "clicks do not reach the recorded game"
done
# Two hands (the dealer draws on its timer), then a turn, then the window's last frame.
click 30 242
click 150 242
sleep 1.5
click 30 242
click 150 242
sleep 1.5
xdotool key --window "$WID" F9
wait_for "xdotool getwindowgeometry '$WID' | grep -q 'Geometry: $((320 * ZOOM))x$((240 * ZOOM))'" 50 ||
  fail "the recorded game did not turn"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$WID")"
import -window root "$WORK/x.png"
convert "$WORK/x.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -sample $((100 / ZOOM))% \
  "$R/last.png" || fail "cannot crop the capture"
kill -TERM "$BJ_PID"
wait "$BJ_PID" || fail "the recorded game ended with $?"
BJ_PID=
[ "$(wc -c <"$R/game.txt")" -le 4096 ] || fail "a recording of two hands is over 4 KB"
# A screenshot before its close: a recording is a script a person can edit.
sed "s|^close\$|screenshot $R/replayed.png\nclose|" "$R/game.txt" >"$R/edited.txt"
"$BJ" --headless --replay "$R/edited.txt" --profile "$R/headless" --trace "$R/headless.trace" \
  2>"$WORK/err.txt" || fail "the headless replay ended with $?"
cmp -s "$R/live.trace" "$R/headless.trace" ||
  fail "the headless replay's sounds and timers differ: $(diff "$R/live.trace" "$R/headless.trace" | head -3)"
cp "$R/last.png" "$WORK/shown.png"
DIFF=$(compare -metric AE "$R/last.png" "$R/replayed.png" null: 2>&1)
[ "$DIFF" = "0" ] || { cp "$R/replayed.png" "$WORK/expected.png"; fail "the replay's last frame differs in $DIFF pixels"; }
money() { sed -n 's/^"TotalAmount"=dword:0*\([0-9a-f]*\).*/\1/p' "$1/registry.reg"; }
[ -n "$(money "$R/live")" ] && [ "$(money "$R/live")" = "$(money "$R/headless")" ] ||
  fail "the replay stored $(money "$R/headless"), the game $(money "$R/live")"
# In the window at the recorded pace, the mouse ignored; it closes where the game did.
"$BJ" --zoom $ZOOM --replay "$R/game.txt" --profile "$R/window" --trace "$R/window.trace" \
  >"$WORK/out.txt" 2>"$WORK/err.txt" &
BJ_PID=$!
WID=$(xdotool search --sync --onlyvisible --name "^BlackJack$" | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$WID")"
click 30 242
wait "$BJ_PID" || fail "the replay in the window ended with $?"
BJ_PID=
cmp -s "$R/live.trace" "$R/window.trace" || fail "the replay in the window differs from the game"
# Cut off in the middle of a line, a recording replays up to the cut.
head -c $(($(wc -c <"$R/game.txt") * 2 / 3)) "$R/game.txt" >"$R/cut.txt"
"$BJ" --headless --replay "$R/cut.txt" --profile "$R/cut" 2>"$WORK/err.txt" ||
  fail "a cut recording did not replay"


# ---- A landscape window at zoom 4 filling a 1280x1024 display: the wheel, then F9 ----
start_xvfb 1280x1024x24 || fail "the second Xvfb could not start"
ZOOM=4
"$BJ" --screen qvga-landscape --zoom $ZOOM --profile "$WORK/wide" >"$WORK/out.txt" 2>"$WORK/err.txt" &
BJ_PID=$!
WID=$(xdotool search --sync --onlyvisible --name "^BlackJack$" | head -n 1)
[ -n "$WID" ] || fail "no landscape window"
eval "$(xdotool getwindowgeometry --shell "$WID")"
[ "$WIDTH" -eq 1280 ] && [ "$HEIGHT" -eq 960 ] || fail "the landscape window is ${WIDTH}x${HEIGHT}"
# Options from its soft key, then one notch of the wheel towards the user: the dialog
# shows what the headless host shows after the same tap and `wheel -1` (and, turned by
# F9, after a `rotate`).
printf 'tap 160 227\nscreenshot %s\nwheel -1\nscreenshot %s\nrotate\nscreenshot %s\n' \
  "$WORK/opened.png" "$WORK/wheeled.png" "$WORK/turned.png" >"$WORK/wheel.script"
"$BJ" --headless --screen qvga-landscape --profile "$WORK/wheel" --script "$WORK/wheel.script" ||
  fail "the headless host could not draw the dialog"
tries=0
until click 160 227 && screen_shows "$WORK/opened.png"; do
  tries=$((tries + 1))
  [ "$tries" -ge 3 ] && fail "Options does not open as scripted: $DIFF pixels differ"
done
xdotool click 5
screen_shows "$WORK/wheeled.png" || fail "the wheel did not scroll Options as scripted: $DIFF pixels"
# Turned, the window at zoom 4 would be 960x1280: it takes zoom 3 and stays on the display.
xdotool key --window "$WID" F9
wait_for "xdotool getwindowgeometry '$WID' | grep -q 'Geometry: 720x960'" 50 ||
  fail "after F9 the window is not 720x960: $(xdotool getwindowgeometry "$WID")"
eval "$(xdotool getwindowgeometry --shell "$WID")"
[ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le 1280 ] && [ $((Y + HEIGHT)) -le 1024 ] ||
  fail "after F9 the window at $X,$Y is not wholly on the 1280x1024 display"
# F11 with no window manager to grant full screen: the window covers the display and
# shows the whole picture at the largest zoom that fits (3, centred); F11 again puts
# the window back where it was, the same picture in it.
ZOOM=3
WINDOWED="$X,$Y ${WIDTH}x${HEIGHT}"
screen_shows "$WORK/turned.png" || fail "after F9 the dialog differs from the script's in $DIFF pixels"
xdotool key --window "$WID" F11
wait_for "xdotool getwindowgeometry '$WID' | grep -q 'Geometry: 1280x1024'" 50 ||
  fail "F11 did not cover the display: $(xdotool getwindowgeometry "$WID")"
X=280 Y=32 WIDTH=720 HEIGHT=960
screen_shows "$WORK/turned.png" || fail "after F11 the picture is not whole: $DIFF pixels differ"
xdotool key --window "$WID" F11
wait_for "xdotool getwindowgeometry '$WID' | grep -q 'Geometry: 720x960'" 50 ||
  fail "F11 again did not bring the window back: $(xdotool getwindowgeometry "$WID")"
eval "$(xdotool getwindowgeometry --shell "$WID")"
[ "$X,$Y ${WIDTH}x${HEIGHT}" = "$WINDOWED" ] || fail "F11 again left the window at $X,$Y, not $WINDOWED"
screen_shows "$WORK/turned.png" || fail "after F11 again the picture differs in $DIFF pixels"
kill -TERM "$BJ_PID"
wait "$BJ_PID"
BJ_PID=
echo "desktop host: a hand by clicks at x2, a second start, F9, SIGTERM storing the money;" \
  "a recorded game replayed headless and in the window; the wheel in a landscape dialog," \
  "F9 at zoom 4 keeping the window on the display, F11 and F11 again without a window manager"
exit 0
