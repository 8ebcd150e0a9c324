#!/bin/sh
# The desktop host for real: under Xvfb a click at a zoomed position reaches the
# program at the right device coordinates, the X screen shows the device screen
# exactly, and closing the window ends the program. Also the process-level
# contract of `blackjack`: --help, --version, a bad option, no display.
# Usage: desktop_e2e.sh PATH/TO/blackjack. Exit 77 (skipped) only when Xvfb cannot start.
set -u

BJ=$1
WORK=$(mktemp -d)
XVFB_PID=
BJ_PID=
cleanup() {
  [ -n "$BJ_PID" ] && kill "$BJ_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  for f in "$WORK"/out.txt "$WORK"/err.txt; do
    [ -f "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }
  done
  exit 1
}
# Waits up to $2 tenths of a second for the command $1 to succeed.
wait_for() {
  i=0
  while ! sh -c "$1" >/dev/null 2>&1; do
    i=$((i + 1))
    [ "$i" -ge "$2" ] && return 1
    sleep 0.1
  done
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
Xvfb -displayfd 3 -screen 0 1000x1400x24 -nolisten tcp 3>"$WORK/display" 2>"$WORK/xvfb.txt" &
XVFB_PID=$!
if ! wait_for "test -s '$WORK/display'" 100; then
  echo "SKIPPED: Xvfb could not start: $(cat "$WORK/xvfb.txt")"
  exit 77
fi
DISPLAY=:$(cat "$WORK/display")
export DISPLAY

ZOOM=2
# The point tapped, in device pixels; the window's client area starts under the
# 26-pixel navigation bar.
PX=100
PY=150
CY=$((PY - 26))

"$BJ" --zoom $ZOOM --profile "$WORK/profile" >"$WORK/out.txt" 2>"$WORK/err.txt" &
BJ_PID=$!
wait_for "grep -q WM_PAINT '$WORK/out.txt'" 100 || fail "the program never painted"
WID=$(xdotool search --sync --onlyvisible --name "BlackJack device" | head -n 1)
[ -n "$WID" ] || fail "no desktop window"
eval "$(xdotool getwindowgeometry --shell "$WID")"
[ "$WIDTH" -eq $((240 * ZOOM)) ] && [ "$HEIGHT" -eq $((320 * ZOOM)) ] ||
  fail "the window is ${WIDTH}x${HEIGHT}, not the zoomed device screen"

# The pointer goes there first; a click that X delivers before the newly mapped
# window has seen the pointer can be lost, so one more click is allowed.
xdotool mousemove --sync $((X + PX * ZOOM + ZOOM / 2)) $((Y + PY * ZOOM + ZOOM / 2))
sleep 0.3
xdotool click 1
if ! wait_for "grep -q 'WM_LBUTTONUP' '$WORK/out.txt'" 30; then
  xdotool click 1
fi
wait_for "grep -q 'WM_LBUTTONUP $PX $CY' '$WORK/out.txt'" 100 ||
  fail "no WM_LBUTTONUP at client ($PX, $CY)"
# The repaint after the tap.
wait_for "[ \$(grep -c WM_PAINT '$WORK/out.txt') -ge 2 ]" 100 || fail "no repaint after the tap"

# The same device screen, produced by the headless host.
printf 'tap %s %s\nscreenshot %s\n' $PX $PY "$WORK/device.png" >"$WORK/script.txt"
"$BJ" --headless --script "$WORK/script.txt" --profile "$WORK/profile2" >/dev/null ||
  fail "the headless run failed"
# The frame reaches the X screen a moment after the paint: capture until it shows.
tries=0
while :; do
  import -window root "$WORK/x.png" || fail "cannot capture the X screen"
  convert "$WORK/x.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -sample $((100 / ZOOM))% \
    "$WORK/shown.png" || fail "cannot crop the capture"
  DIFF=$(compare -metric AE "$WORK/shown.png" "$WORK/device.png" null: 2>&1)
  [ "$DIFF" = "0" ] && break
  tries=$((tries + 1))
  [ "$tries" -ge 10 ] && fail "the X screen differs from the device screen in $DIFF pixels"
  sleep 0.3
done
# Every zoomed pixel is a solid ZOOMxZOOM block (nearest-neighbour scaling).
convert "$WORK/x.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$WORK/window.png"
convert "$WORK/shown.png" -scale $((100 * ZOOM))% "$WORK/blocks.png"
DIFF=$(compare -metric AE "$WORK/window.png" "$WORK/blocks.png" null: 2>&1)
[ "$DIFF" = "0" ] || fail "the zoom is not nearest-neighbour: $DIFF pixels differ"

# Keys reach the program and its accelerator table (Ctrl+Q is command 1); F9 turns
# the screen and the desktop window with it.
xdotool key --window "$WID" ctrl+q
wait_for "grep -q 'WM_COMMAND 1 1' '$WORK/out.txt'" 100 || fail "Ctrl+Q did not reach the accelerator table"
xdotool key --window "$WID" F9
wait_for "grep -q 'WM_SETTINGCHANGE 320 240' '$WORK/out.txt'" 100 || fail "F9 did not turn the screen"
wait_for "xdotool getwindowgeometry '$WID' | grep -q 'Geometry: $((320 * ZOOM))x$((240 * ZOOM))'" 50 ||
  fail "the desktop window did not turn with the screen"

# Closing the desktop window (SDL turns SIGTERM into a quit request) sends WM_CLOSE.
kill -TERM "$BJ_PID"
wait "$BJ_PID"
CODE=$?
BJ_PID=
grep -q "WM_CLOSE" "$WORK/out.txt" || fail "closing the window sent no WM_CLOSE"
[ "$CODE" -eq 0 ] || fail "the program ended with $CODE"
echo "desktop host: click at ($PX, $PY) x$ZOOM reached the window; the X screen shows the device screen"
exit 0
