# The X server of the host's end-to-end scripts, sourced by them: a work folder, an
# Xvfb display of their own, waiting for it, and the cleanup of both with the game.
WORK=$(mktemp -d)
XVFB_PID=
BJ_PID=
cleanup() {
  [ -n "$BJ_PID" ] && kill "$BJ_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
# Waits up to $2 tenths of a second for the command $1 to succeed.
wait_for() {
  i=0
  while ! sh -c "$1" >/dev/null 2>&1; do
    i=$((i + 1))
    [ "$i" -ge "$2" ] && return 1
    sleep 0.1
  done
}
# Starts Xvfb with the screen $1 (WxHxDEPTH), after stopping the one started before,
# and exports its DISPLAY; returns 1 when it cannot start (why in $WORK/xvfb.txt).
start_xvfb() {
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID"
    wait "$XVFB_PID" 2>/dev/null
  fi
  : >"$WORK/display"
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$WORK/display" 2>"$WORK/xvfb.txt" &
  XVFB_PID=$!
  wait_for "test -s '$WORK/display'" 100 || return 1
  DISPLAY=:$(cat "$WORK/display")
  export DISPLAY
}
# The same, skipping the whole script (exit 77) when Xvfb cannot start.
start_xvfb_or_skip() {
  start_xvfb "$1" && return 0
  echo "SKIPPED: Xvfb could not start: $(cat "$WORK/xvfb.txt")"
  exit 77
}
