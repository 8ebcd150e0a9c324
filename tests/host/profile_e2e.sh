#!/bin/sh
# The money kept on a real machine by the `blackjack` program: fifty starts at once on
# one profile never lose a win, a stopped game is never joined, a full or read-only
# disk and files planted in place of the settings are said in one line with exit 1
# and leave the old file whole, and scripts come only from a file or a pipe.
# On the desktop, under Xvfb, the line is also shown in a message box before the close,
# and said to be not shown where it cannot be; no sound device, a relative
# XDG_CONFIG_HOME and --headless without a script each give one clear line or none.
# Usage: profile_e2e.sh PATH/TO/blackjack PATH/TO/tour.script. Run as root it works in
# a mount namespace of its own for the small and the read-only disks.
set -u

BJ=$1
TOUR=$2
SELF=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
if [ "$(id -u)" = 0 ] && [ -z "${BJ_PRIVATE_MOUNTS:-}" ] &&
  unshare -m --propagation private true 2>/dev/null; then
  BJ_PRIVATE_MOUNTS=1 exec unshare -m --propagation private sh "$SELF" "$@"
fi
WORK=$(mktemp -d)
export XDG_RUNTIME_DIR="$WORK/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export ASAN_OPTIONS=detect_leaks=0
trap 'kill -CONT $HOLDER 2>/dev/null; kill $XSERVERS 2>/dev/null; umount "$WORK/disk" 2>/dev/null; rm -rf "$WORK"' EXIT
HOLDER=
XSERVERS=
fail() {
  echo "FAIL: $*" >&2
  [ -f "$WORK/err.txt" ] && { echo "--- stderr" >&2; cat "$WORK/err.txt" >&2; }
  exit 1
}
money() { sed -n 's/^"TotalAmount"=dword:\(.*\)\r\{0,1\}$/\1/p' "$1/registry.reg"; }
# The tour's hand wins 100 and leaves 100 on the table: 1100 after one game from 1000.
grep -v '^screenshot' "$TOUR" >"$WORK/win.script"
{ cat "$WORK/win.script"; echo "screenshot played.png"; } >"$WORK/played.script"
game() { # PROFILE SCRIPT [more options]: plays in the current folder
  profile=$1 script=$2
  shift 2
  "$BJ" --headless --clock 12:00:17 --profile "$profile" --script "$script" "$@"
}

# ---- Fifty starts at once, each playing the winning hand if it plays at all ----
exec 4>"$WORK/go.lock" && flock -x 4 # held until every start waits on it
i=0
while [ $i -lt 50 ]; do
  mkdir "$WORK/start$i"
  (cd "$WORK/start$i" && flock -s "$WORK/go.lock" true 4>&-
    game "$WORK/race" "$WORK/played.script" 2>err.txt 4>&-; echo $? >rc) &
  i=$((i + 1))
done
flock -u 4 && exec 4>&- # every start goes now
wait
played=$(ls "$WORK"/start*/played.png 2>/dev/null | wc -l)
[ "$(cat "$WORK"/start*/rc | sort -u)" = 0 ] || fail "a racing start failed: $(cat "$WORK"/start*/err.txt)"
[ "$played" -ge 1 ] || fail "no racing start played"
[ $((0x$(money "$WORK/race"))) -eq $((1000 + 100 * played)) ] ||
  fail "$played games played but the money is $((0x$(money "$WORK/race")))"
echo "50 racing starts: $played played one after another, no win lost"
[ -z "$(ls "$XDG_RUNTIME_DIR")" ] || fail "left in the runtime folder: $(ls "$XDG_RUNTIME_DIR")"

# ---- A stopped first copy: the next start says so and plays nothing ----
mkdir "$WORK/slow" "$WORK/second"
{ i=0; while [ $i -lt 3000 ]; do echo rotate; i=$((i + 1)); done; cat "$WORK/win.script"; } \
  >"$WORK/slow.script"
(cd "$WORK/slow" &&
  exec "$BJ" --headless --clock 12:00:17 --profile "$WORK/stall" --script "$WORK/slow.script") &
HOLDER=$!
i=0
until ls "$XDG_RUNTIME_DIR"/*.sock >/dev/null 2>&1 || [ $i -ge 600 ]; do
  sleep 0.05
  i=$((i + 1))
done
kill -STOP $HOLDER
(cd "$WORK/second" && game "$WORK/stall" "$WORK/played.script" 2>"$WORK/err.txt") ||
  fail "a start beside a stopped game exits 0"
[ ! -e "$WORK/second/played.png" ] || fail "a second game joined a stopped one"
grep -q "did not answer" "$WORK/err.txt" || fail "the start says the running copy did not answer"
[ "$(wc -l <"$WORK/err.txt")" -eq 1 ] || fail "one line"
kill -CONT $HOLDER
wait $HOLDER || fail "the stopped game ends well once resumed"
HOLDER=
[ "$(money "$WORK/stall")" = 0000044c ] || fail "the stopped game's win is kept"

# ---- Files planted in place of the settings: no hang, one line at the end, exit 1 ----
cd "$WORK"
for planted in fifo folder link; do
  mkdir -p "$WORK/$planted" && echo kept >"$WORK/target"
  case $planted in
  fifo) mkfifo "$WORK/$planted/registry.reg" ;;
  folder) mkdir "$WORK/$planted/registry.reg" ;;
  link) ln -s "$WORK/target" "$WORK/$planted/registry.reg.lock" ;;
  esac
  timeout 60 "$BJ" --headless --profile "$WORK/$planted" --script "$WORK/win.script" \
    2>"$WORK/err.txt"
  [ $? -eq 1 ] || fail "$planted: exit 1"
  [ "$(grep -c "could not store the money and settings in $WORK/$planted/registry.reg: " \
    "$WORK/err.txt")" -eq 1 ] || fail "$planted: the line naming the file"
  [ "$(cat "$WORK/target")" = kept ] || fail "$planted: written through"
done
[ -p "$WORK/fifo/registry.reg" ] && [ -d "$WORK/folder/registry.reg" ] ||
  fail "what was planted is left in place"

# ---- On the desktop, and in hostile surroundings: one clear line or none, nothing lost ----
for tool in Xvfb xdotool; do
  command -v $tool >/dev/null || fail "$tool is missing (scripts/deps installs it)"
done
# xserver [ARGS]: a new X server with ARGS for what follows (DISPLAY).
xserver() {
  : >"$WORK/display"
  Xvfb -displayfd 3 -screen 0 800x800x24 -nolisten tcp "$@" 3>"$WORK/display" 2>/dev/null &
  XSERVERS="$XSERVERS $!"
  i=0
  until [ -s "$WORK/display" ] || [ $i -ge 100 ]; do sleep 0.1; i=$((i + 1)); done
  [ -s "$WORK/display" ] || fail "Xvfb $* could not start"
  DISPLAY=:$(cat "$WORK/display")
  export DISPLAY
}
# desktop PROFILE OPTION [VAR=VALUE...]: the game in a window on PROFILE, given OPTION
# and the environment; a tap on the 100 chip (made again while the trace shows no
# sound: X can lose a click that comes before the new window has seen the pointer),
# then SIGTERM. A message box it shows is closed with Return once it is up
# (BOX=shown). Exits as the game does.
desktop() {
  profile=$1 option=$2
  shift 2
  rm -f "$WORK/desktop.trace"
  env "$@" "$BJ" "$option" --zoom 1 --profile "$profile" --trace "$WORK/desktop.trace" &
  pid=$!
  main=$(xdotool search --sync --onlyvisible --name '^BlackJack$' | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$main")"
  xdotool mousemove --sync $((X + 127)) $((Y + 276))
  tries=0
  until grep -q ' sound ' "$WORK/desktop.trace" 2>/dev/null || [ $tries -ge 5 ]; do
    xdotool click 1
    tries=$((tries + 1))
    i=0
    until grep -q ' sound ' "$WORK/desktop.trace" 2>/dev/null || [ $i -ge 20 ]; do
      sleep 0.1
      i=$((i + 1))
    done
  done
  xdotool search --onlyvisible --class '.*' >"$WORK/windows"
  kill -TERM $pid
  BOX=
  i=0
  while kill -0 $pid 2>/dev/null && [ -z "$BOX" ] && [ $i -lt 300 ]; do
    if box=$(xdotool search --onlyvisible --class '.*' | grep -vxF -f "$WORK/windows"); then
      BOX=shown
      xdotool windowfocus --sync "$box" key --window "$box" Return
    fi
    sleep 0.1
    i=$((i + 1))
  done
  wait $pid
}
# hostile NAME STATUS LINE COMMAND...: COMMAND exits with STATUS, and its standard
# error is LINE alone (a pattern), or nothing when LINE is empty.
hostile() {
  name=$1 status=$2 line=$3
  shift 3
  "$@" >"$WORK/out.txt" 2>"$WORK/err.txt"
  code=$?
  [ $code -eq "$status" ] || fail "$name: exit $code, not $status"
  if [ -z "$line" ]; then
    [ ! -s "$WORK/err.txt" ] || fail "$name: something was said"
  else
    [ "$(wc -l <"$WORK/err.txt")" -eq 1 ] && grep -q -- "$line" "$WORK/err.txt" ||
      fail "$name: not one line saying $line"
  fi
}
mkdir -p "$WORK/home" "$WORK/elsewhere"
xserver
unstored="^blackjack: could not store the money and settings in $WORK/link/registry.reg: .*symbolic links"
hostile "the desktop, the money not stored" 1 "$unstored\$" desktop "$WORK/link" --mute
[ "$BOX" = shown ] || fail "the desktop shows the line in a message box"
hostile "no sound device" 0 "^sound: off, no sound device could be opened (.*)$" \
  desktop "$WORK/silent" --zoom=1 SDL_AUDIODRIVER=alsa AUDIODEV=blackjack-no-such-device
[ "$(money "$WORK/silent")" = 000003e8 ] || fail "no sound device: the money"
hostile "a relative XDG_CONFIG_HOME" 0 "" sh -c "cd '$WORK/elsewhere' &&
  HOME='$WORK/home' XDG_CONFIG_HOME=relative/config exec '$BJ' --clock 12:00:17 --script '$WORK/win.script'"
[ ! -e "$WORK/elsewhere/relative" ] && [ "$(money "$WORK/home/.config/blackjack")" = 0000044c ] ||
  fail "a relative XDG_CONFIG_HOME: the money is not in ~/.config"
hostile "--headless without a script" 2 "^blackjack: --headless plays the commands of --script" \
  env HOME="$WORK/home2" XDG_CONFIG_HOME= "$BJ" --headless
[ ! -e "$WORK/home2" ] || fail "--headless without a script made a profile"
# Without the X core fonts that a message box is drawn in, the line says it was not shown.
xserver -fp built-ins
hostile "a message box that cannot be shown" 1 "$unstored (no message box: .*)$" \
  desktop "$WORK/link" --mute
[ -z "$BOX" ] || fail "a message box was shown without fonts"
[ "$(cat "$WORK/target")" = kept ] || fail "the desktop wrote through the planted link"
echo "desktop and hostile surroundings: one line or none, each as it should be"

# ---- Scripts: a folder, a FIFO nobody writes to, a bad line through a pipe; a pipe ----
mkfifo "$WORK/nobody"
for script in "$WORK/folder" "$WORK/nobody"; do
  timeout 60 "$BJ" --headless --profile "$WORK/scripts" --script "$script" 2>"$WORK/err.txt"
  [ $? -eq 2 ] || fail "the script $script is refused with exit 2"
  [ "$(wc -l <"$WORK/err.txt")" -eq 1 ] || fail "the refusal of $script is one line"
done
printf 'tap 127 276\nbogus\n' | game "$WORK/scripts" - 2>"$WORK/err.txt"
[ $? -eq 2 ] && grep -q "line 2" "$WORK/err.txt" || fail "a piped script's lines are checked"
[ ! -e "$WORK/scripts/registry.reg" ] || fail "nothing ran before the check"
game "$WORK/scripts" - <"$WORK/win.script" && cat "$WORK/win.script" | game "$WORK/scripts" - ||
  fail "a script from standard input plays"
[ "$(money "$WORK/scripts")" = 000004b0 ] || fail "both piped games stored their wins"

# ---- A full disk and a read-only one: exit 1, one line, the old file whole ----
if [ -z "${BJ_PRIVATE_MOUNTS:-}" ]; then
  echo "small and read-only disks not tried: they need root"
  exit 0
fi
mkdir "$WORK/disk" && mount -t tmpfs -o size=256k tmpfs "$WORK/disk" || fail "tmpfs"
game "$WORK/disk/profile" "$WORK/win.script" || fail "a first game on the small disk"
cp "$WORK/disk/profile/registry.reg" "$WORK/old.reg"
dd if=/dev/zero of="$WORK/disk/fill" bs=4k 2>/dev/null
for disk in full read-only; do
  [ $disk = read-only ] && { rm "$WORK/disk/fill"; mount -o remount,ro "$WORK/disk"; }
  game "$WORK/disk/profile" "$WORK/win.script" 2>"$WORK/err.txt"
  [ $? -eq 1 ] || fail "$disk disk: exit 1"
  [ "$(wc -l <"$WORK/err.txt")" -eq 1 ] || fail "$disk disk: one line"
  grep -q "could not store the money and settings in $WORK/disk/profile/registry.reg: \
\(No space left on device\|Read-only file system\)$" "$WORK/err.txt" || fail "$disk disk: the reason"
  cmp -s "$WORK/old.reg" "$WORK/disk/profile/registry.reg" || fail "$disk disk: the old file"
done
mount -o remount,rw "$WORK/disk" && dd if=/dev/zero of="$WORK/disk/fill" bs=4k 2>/dev/null
printf 'screenshot %s\n' "$WORK/disk/shot.png" >"$WORK/shot.script"
game "$WORK/shots" "$WORK/shot.script" 2>"$WORK/err.txt"
[ $? -eq 1 ] && grep -q "No space left on device" "$WORK/err.txt" ||
  fail "a screenshot on a full disk says why"
umount "$WORK/disk"
echo "full and read-only disks: said in one line, the old file whole"
