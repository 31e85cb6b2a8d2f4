#!/usr/bin/env bash
# Plays a game in a real window on a private X server and ends it the ways a user does:
# the window's close button, SIGTERM, SIGINT, each also while a message box is up; and
# answers a box from the keyboard. Every
# way must end the game normally (room end and game end run, exit 0); a second SIGINT
# ends it at once.
# Usage: desktop_test.sh BIN_DIR GAME_DIR WORK_DIR. Exit 77 (skipped) when no X server
# can be started.
set -u
bin=$1 game=$2 work=$3

for tool in Xvfb xdotool xwininfo; do
  if ! command -v $tool >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done
rm -rf "$work"
mkdir -p "$work"

Xvfb -displayfd 5 -screen 0 800x600x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null' EXIT
for _ in $(seq 50); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "SKIP: Xvfb did not start:"
  cat "$work/xvfb.log"
  exit 77
fi
export DISPLAY=":$(head -n1 "$work/display")"
# A video driver chosen for headless tests would keep the window off this display.
unset SDL_VIDEODRIVER

"$bin/zorvex-pack" "$game" -o "$work/plain.win" >/dev/null || exit 1
mkdir -p "$work/box-game"
sed 's/box_at = 0;/box_at = 3;/' "$game/game.json" >"$work/box-game/game.json"
"$bin/zorvex-pack" "$work/box-game" -o "$work/box.win" >/dev/null || exit 1
mkdir -p "$work/slow-game"
sed 's/slow_end = 0;/slow_end = 1;/' "$game/game.json" >"$work/slow-game/game.json"
"$bin/zorvex-pack" "$work/slow-game" -o "$work/slow.win" >/dev/null || exit 1
# Windowed runs reach the desktop bus, whose library keeps a buffer to the end.
export LSAN_OPTIONS="suppressions=$(dirname "$0")/leaks.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# Waits up to 20 s for a line on the game's stdout.
wait_for_line() {
  for _ in $(seq 200); do
    grep -qx "$1" "$2" && return 0
    sleep 0.1
  done
  return 1
}

failures=0
fail() {
  echo "FAIL [$case_name]: $*"
  sed 's/^/  stdout: /' "$out"
  sed 's/^/  stderr: /' "$err"
  failures=$((failures + 1))
}

# game  way       exit  stdout ends with
cases="
plain close     0   room end|game end
plain term      0   room end|game end
plain int       0   room end|game end
box   answer    0   running|room end|game end
box   close     0   box gone|room end|game end
box   term      0   box gone|room end|game end
box   int       0   box gone|room end|game end
slow  int-twice 130 room end
"
while read -r variant way code ending; do
  [ -z "$variant" ] && continue
  case_name="$variant $way"
  before=$failures
  out="$work/$variant-$way.out"
  err="$work/$variant-$way.err"
  "$bin/zorvex" "$work/$variant.win" >"$out" 2>"$err" &
  pid=$!
  helper=""
  if [ "$variant" = box ]; then
    wait_for_line "box up" "$out" || { fail "no box up"; kill -KILL $pid; wait $pid; continue; }
    for _ in $(seq 100); do
      helper=$(pgrep -P $pid | head -n1)
      [ -n "$helper" ] && break
      sleep 0.1
    done
    [ -n "$helper" ] || fail "no process shows the box"
    sleep 0.5  # let the box reach the screen
  else
    wait_for_line "running" "$out" || { fail "the game did not start"; kill -KILL $pid; wait $pid; continue; }
  fi
  case $way in
  answer)
    # The user presses Return in the box: the game goes on, then ends by SIGTERM.
    box=""
    # Up to 20 s, as for the game's lines: a loaded machine maps the box late.
    for _ in $(seq 200); do
      box=$(xwininfo -root -tree | awk '/ "Zorvex": / {print $1; exit}')
      [ -n "$box" ] && break
      sleep 0.1
    done
    if [ -z "$box" ]; then
      fail "no box on the screen"
    else
      xdotool windowfocus --sync "$box" key Return
      wait_for_line "box gone" "$out" || fail "the box's answer did not reach the game"
      # Two more frames print "running": the end must not overtake them.
      wait_for_line "running" "$out" || fail "the game did not go on after the box"
    fi
    kill -TERM $pid
    ;;
  close) "$bin/zorvex-test-close-window" $pid || fail "could not ask the window to close" ;;
  term) kill -TERM $pid ;;
  int) kill -INT $pid ;;
  int-twice)
    # Sent apart: two signals sent at once may arrive as one.
    kill -INT $pid
    wait_for_line "room end" "$out" || fail "the first SIGINT did not start the game's end"
    kill -INT $pid
    ;;
  esac
  for _ in $(seq 200); do
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 $pid 2>/dev/null; then
    fail "still running 20 s after being asked to end"
    kill -KILL $pid
  fi
  wait $pid
  status=$?
  [ "$status" = "$code" ] || fail "exit code $status, expected $code"
  expected=$(tr '|' '\n' <<<"$ending")
  actual=$(tail -n "$(wc -l <<<"$expected")" "$out")
  [ "$actual" = "$expected" ] || fail "stdout does not end with: $ending"
  if [ -n "$helper" ]; then
    # The box helper leads a process group; whatever shows the box is in it.
    sleep 0.3
    left=$(ps -e -o pgid=,stat=,pid= | awk -v g="$helper" '$1 == g && $2 !~ /^Z/ {print $3}')
    if [ -n "$left" ]; then
      fail "the box outlived the game"
      kill -KILL $left
    fi
  fi
  # Nothing a library says reaches the terminal; the runner's own reports may (a missing
  # sound device). The box game's error box text is a report too.
  if [ "$variant" != box ] && grep -v '^zorvex: ' "$err" >/dev/null; then
    fail "stderr has lines that are not the runner's own"
  fi
  [ "$failures" = "$before" ] && echo "ok [$case_name]"
done <<<"$cases"

[ "$failures" = 0 ]
