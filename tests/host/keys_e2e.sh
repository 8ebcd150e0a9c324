#!/bin/sh
# A game by keys alone in the desktop window under Xvfb: the same sounds and money
# as the same game tapped in the headless host; the highlight shown over the window
# and never in the device's screen; the recording replays the same game on a machine
# whose keys differ; a bad key file is refused in one line naming its line.
# Usage: keys_e2e.sh PATH/TO/blackjack KEEP_DIR. Exit 77 (skipped) only when Xvfb
# cannot start.
set -u

BJ=$1
KEEP=$2
rm -rf "$KEEP"
. "$(dirname "$0")/xvfb.sh"
fail() {
  echo "FAIL: $*" >&2
  [ -f "$WORK/err.txt" ] && cat "$WORK/err.txt" >&2
  mkdir -p "$KEEP"
  cp "$WORK"/*.png "$WORK"/*.txt "$KEEP/" 2>/dev/null
  exit 1
}
sounds() { awk '$2 == "sound" { print $3 }' "$1"; }
money() { sed -n 's/^"TotalAmount"=dword:0*\([0-9a-f]*\).*/\1/p' "$1/registry.reg"; }
# Pixels of the highlight's yellow in the X screen.
yellow() {
  import -window root "$WORK/x.png"
  convert "$WORK/x.png" -fill black +opaque "rgb(255,214,0)" -fill white -opaque "rgb(255,214,0)" \
    -format "%[fx:mean*w*h]" info:
}

# ---- A bad key file: one line naming its line, and the built-in keys play ----
mkdir -p "$WORK/bad"
printf '# mine\nHitt j\n' >"$WORK/bad/keys.txt"
printf 'key 4\nkey d\n' >"$WORK/two.script"
"$BJ" --headless --clock 12:00:05 --profile "$WORK/bad" --script "$WORK/two.script" \
  --trace "$WORK/bad.trace" 2>"$WORK/err.txt" || fail "a bad key file stopped the game"
[ "$(wc -l <"$WORK/err.txt")" -eq 1 ] && grep -q "keys.txt: line 2: " "$WORK/err.txt" ||
  fail "a bad key file is not one line naming line 2"
[ "$(sounds "$WORK/bad.trace" | tr '\n' ' ')" = "coin flip " ] ||
  fail "with a bad key file the built-in keys do not play"

# ---- The same game tapped, headless ----
printf '%s\n' "tap 127 276" "tap 31 242" "tap 90 242" "tap 150 242" "wait 3000" \
  "tap 120 307" "key tab" "key tab" "key right" "key return" "rotate" \
  "tap 280 197" "tap 232 63" "tap 232 96" "tap 280 41" "tap 280 116" "wait 3000" \
  "tap 53 227" >"$WORK/taps.script"
"$BJ" --headless --clock 12:00:05 --profile "$WORK/taps" --script "$WORK/taps.script" \
  --trace "$WORK/taps.trace" || fail "the tapped game ended with $?"

# ---- By keys in the window ----
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps installs it)"
done
start_xvfb_or_skip 1000x1000x24
"$BJ" --zoom 2 --clock 12:00:05 --profile "$WORK/keys" --record "$WORK/game.txt" \
  --trace "$WORK/keys.trace" >"$WORK/out.txt" 2>"$WORK/err.txt" &
BJ_PID=$!
WID=$(xdotool search --sync --onlyvisible --name "^BlackJack$" | head -n 1)
[ -n "$WID" ] || fail "no desktop window"
press() {
  for k in "$@"; do
    xdotool key --window "$WID" "$k"
    sleep 0.3
  done
}
# The first key once the window takes keys: the bet of 100 shows in the trace.
tries=0
until press 4 && wait_for "grep -q 'sound coin' '$WORK/keys.trace'" 20; do
  tries=$((tries + 1))
  [ "$tries" -ge 5 ] && fail "keys do not reach the game"
done
press d Right
[ "$(yellow)" != "0" ] || fail "the arrow shows no highlight over the window"
press Return s
sleep 3
press o Tab Tab Right Return F9
wait_for "xdotool getwindowgeometry '$WID' | grep -q 'Geometry: 640x480'" 50 || fail "F9 did not turn"
press c 1 2 d x
sleep 3
press n
kill -TERM "$BJ_PID"
wait "$BJ_PID" || fail "the game by keys ended with $?"
BJ_PID=
[ "$(sounds "$WORK/keys.trace")" = "$(sounds "$WORK/taps.trace")" ] ||
  fail "the game by keys sounds otherwise than by taps: $(sounds "$WORK/keys.trace" | tr '\n' ' ')"
[ "$(money "$WORK/keys")" = "$(money "$WORK/taps")" ] ||
  fail "the game by keys stored $(money "$WORK/keys"), by taps $(money "$WORK/taps")"

# ---- The recording: taps, replayed exactly where the keys mean something else ----
grep -q "^down 90 242$" "$WORK/game.txt" && ! grep -Eq "^key(down|up) [0-9a-z]$" "$WORK/game.txt" ||
  fail "the recording holds the table's keys, not their taps"
mkdir -p "$WORK/other"
printf 'Hit d\nDeal h\nStand 4\nChip100 s\n' >"$WORK/other/keys.txt"
"$BJ" --headless --replay "$WORK/game.txt" --profile "$WORK/other" --trace "$WORK/replay.trace" \
  2>"$WORK/err.txt" || fail "the replay ended with $?"
cmp -s "$WORK/keys.trace" "$WORK/replay.trace" ||
  fail "the replay differs: $(diff "$WORK/keys.trace" "$WORK/replay.trace" | head -3)"
echo "keys: a bad key file in one line; a game by keys in the window as by taps, the" \
  "highlight over the window; its recording replayed exactly under other keys"
exit 0
