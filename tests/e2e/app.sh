#!/usr/bin/env bash
# The dictionary on a virtual X display through the SDL backend: xdotool types a word with a Turkish letter
# into the search box, the program is then asked to end, and the state it prints and the snapshot it saves
# are checked. The program reads the sample word file built beside it.
set -euo pipefail
program=$1
work=$(mktemp -d)
xvfb=""
app=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  echo "--- program output"; cat "$work/out.json" || true
  echo "--- program errors"; tail -n 40 "$work/err.txt" || true
  exit 1
}
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps.sh installs it)"
done
[ -f "$(dirname "$program")/pelvor.dll" ] || fail "no word file beside $program"

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.txt" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
unset WAYLAND_DISPLAY

# One run of the program: it starts, the keys are given in order (a word is typed, a name such as BackSpace or
# ctrl+Tab is pressed), and the end of the session (SIGTERM) lets it write its state and its snapshot.
session() {
  ASAN_OPTIONS=detect_leaks=0 "$program" --dump --snapshot "$work/shot.png" >"$work/out.json" 2>"$work/err.txt" &
  app=$!
  # The window is made hidden and named before it is shown, and focus can only go to a shown window: wait for
  # that one.
  window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Ombesi Pelv' | head -n 1) ||
    fail "the window did not come up"
  xdotool windowfocus --sync "$window"
  sleep 0.5
  # Into the search box at the top of the client area, which is all that the desktop's window shows.
  xdotool mousemove --window "$window" 240 15 click 1
  sleep 0.3
  local step
  for step in "$@"; do
    case "$step" in
    key:*) xdotool key --delay 120 "${step#key:}" ;;
    # A letter outside the virtual keyboard's map is typed on a key that xdotool maps for it; a call of its
    # own gives the display time to learn the new map.
    *) xdotool type --delay 120 "$step" ;;
    esac
    sleep 0.3
  done
  # The signal is seen at once while the keys still wait in the display's queue: give them time to arrive.
  sleep 1.5
  kill -TERM "$app"
  for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app" 2>/dev/null && fail "the program did not finish"
  wait "$app" || fail "the program failed with $?"
  app=""
}

session k ö
field() { jq -c "$1" "$work/out.json" 2>/dev/null || fail "no JSON state"; }
expect() { [ "$(field "$1")" = "$2" ] || fail "$1 is $(field "$1"), expected $2"; }
expect '.wordFile' '"loaded"'
expect '.tab' '0'
# "kö" completes to the one headword that begins with it, with the completion selected.
expect '.search' '{"selLength":3,"selStart":2,"text":"köpek"}'
expect '.left' '{"index":0,"items":["köpek"]}'
# The Laz word is shown as the Laz font's code points: "3´ok´ori" is written "wpüpri".
expect '.right' '{"index":0,"items":["wpüpri"]}'
expect '.leftMemo' '"köpek: isim, hayvan"'
expect '.rightMemo' '"wpüpri: "'

[ "$(head -c 8 "$work/shot.png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "the snapshot is no PNG"
size=$(od -An -tu4 --endian=big -j16 -N8 "$work/shot.png" | tr -s ' ')
geometry=$(xdotool getwindowgeometry "$window" 2>/dev/null | awk '/Geometry/ {print $2}' || true)
[ "$size" = " 486 425" ] || fail "the snapshot is $size, not the window's 486 by 425"
[ -n "${E2E_KEEP_SHOT:-}" ] && cp "$work/shot.png" "$E2E_KEEP_SHOT"

# The next letter of the offered completion completes again: "k" offers "kalp", "a" keeps it with "lp"
# selected.
session k a
expect '.search' '{"selLength":2,"selStart":2,"text":"kalp"}'
expect '.left.items' '["kalp","kardeş"]'
# Backspace takes the selected completion, then a typed letter; a letter typed after them completes again.
session k a l key:BackSpace key:BackSpace r
expect '.search' '{"selLength":3,"selStart":3,"text":"kardeş"}'
expect '.left' '{"index":0,"items":["kardeş"]}'
expect '.right.items' '["ctmz"]'
expect '.leftMemo' '"kardeş: isim, akrabalık"'
# The Laz direction, chosen with Ctrl+Tab from the search box.
session key:ctrl+Tab b e
expect '.tab' '1'
expect '.search' '{"selLength":2,"selStart":2,"text":"bere"}'
expect '.left.items' '["bere"]'
session key:ctrl+Tab b e key:BackSpace key:BackSpace p
expect '.search' '{"selLength":2,"selStart":2,"text":"bpap"}'
expect '.left' '{"index":0,"items":["bpap"]}'
expect '.right.items' '["kız"]'
echo "e2e: every check passed${geometry:+ (window $geometry)}"
