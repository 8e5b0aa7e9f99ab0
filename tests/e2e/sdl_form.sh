#!/usr/bin/env bash
# Opens the test form on a virtual X display through the SDL backend, types into its edit (a Turkish letter
# too), pastes text from the desktop clipboard into its memo, picks a list item with the mouse and a key,
# and checks what the program reports and the screenshot it saves.
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
  echo "--- program output"; cat "$work/out.txt" || true
  echo "--- program errors"; tail -n 40 "$work/err.txt" || true
  exit 1
}
for tool in Xvfb xdotool xclip; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps.sh installs it)"
done

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.txt" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
unset WAYLAND_DISPLAY

ASAN_OPTIONS=detect_leaks=0 "$program" "$work/shot.png" >"$work/out.txt" 2>"$work/err.txt" &
app=$!
for _ in $(seq 200); do grep -q '^at item1 ' "$work/out.txt" 2>/dev/null && break; sleep 0.1; done
grep -q '^at item1 ' "$work/out.txt" || fail "the form did not come up"
# Named before it is shown; focus can only go to a shown window.
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^pelvor-e2e$' | head -n 1)
place() { grep "^at $1 " "$work/out.txt" | awk '{print $3, $4}'; }
click() { xdotool mousemove --window "$window" $(place "$1") click 1; sleep 0.3; }

xdotool windowfocus --sync "$window"
click edit
xdotool type --delay 80 'kar '
xdotool type --delay 80 'ş'
xdotool type --delay 80 'ık'
printf 'yapıştır' | xclip -selection clipboard
click memo
xdotool key --delay 80 ctrl+v
click item1
xdotool key --delay 80 Down
sleep 0.3
xdotool key F12

for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the program did not finish"
wait "$app" || fail "the program failed with $?"
app=""

expect() { grep -qxF "$1" "$work/out.txt" || fail "expected the line: $1"; }
expect 'edit=kar şık'
expect 'memo=yapıştır'
# Sorted as the Turkish alphabet has it: armut, çilek, elma, ırmak, istanbul, kiraz.
expect 'list.index=2'
expect 'list.item=elma'
expect 'list.count=6'
expect 'shot=saved'
# The screenshot is a PNG of the whole form window (420 by 260).
size=$(od -An -tu1 -j16 -N8 "$work/shot.png" | tr -s ' ')
[ "$(head -c 8 "$work/shot.png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "the screenshot is no PNG"
[ "$size" = " 0 0 1 164 0 0 1 4" ] || fail "the screenshot is $size, not 420 by 260"
[ -n "${E2E_KEEP_SHOT:-}" ] && cp "$work/shot.png" "$E2E_KEEP_SHOT"
echo "e2e: every check passed"
