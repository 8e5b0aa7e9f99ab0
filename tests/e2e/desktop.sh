#!/usr/bin/env bash
# The dictionary and the test form on a virtual X display under a real window manager (openbox), which frames
# their windows. The desktop shows the dictionary's title, its frame is dragged, the window is minimised and
# restored by the desktop, and Alt+F4 closes it; the state the program prints as it ends must show where the
# desktop left the window. The test form refuses the first close, so a close from the desktop must reach it
# as its own close request rather than end the program.
set -euo pipefail
program=$1
form=$2
work=$(mktemp -d)
xvfb=""
wm=""
app=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  [ -n "$wm" ] && kill "$wm" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
out="$work/out.txt"
fail() {
  echo "FAIL: $*"
  echo "--- program output"; cat "$out" || true
  echo "--- program errors"; tail -n 40 "$work/err.txt" || true
  echo "--- window manager"; tail -n 20 "$work/wm.txt" || true
  exit 1
}
for tool in Xvfb xdotool openbox xprop xwininfo jq; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps.sh installs it)"
done
[ -f "$(dirname "$program")/pelvor.dll" ] || fail "no word file beside $program"

# Waits up to $1 tenths of a second for the command after it to succeed.
within() {
  local tenths=$1
  shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  "$@"
}

mkdir "$work/screen"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -fbdir "$work/screen" 3>"$work/display" 2>"$work/xvfb.txt" &
xvfb=$!
within 100 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
unset WAYLAND_DISPLAY

# The packaged configuration, not one the user running the test may have.
XDG_CONFIG_HOME="$work/config" openbox >"$work/wm.txt" 2>&1 &
wm=$!
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
within 100 wm_ready || fail "the window manager did not start"

start() {
  out="$work/$1"
  shift
  ASAN_OPTIONS=detect_leaks=0 "$@" >"$out" 2>"$work/err.txt" &
  app=$!
}
# Waits for the program to end by itself within ten seconds and checks that it succeeded.
ended() {
  within 100 eval '! kill -0 "$app" 2>/dev/null' || fail "the program did not finish: $1"
  wait "$app" || fail "the program failed with $? ($1)"
  app=""
}
# Waits up to twenty seconds for a shown window named like $1 and prints it. A search fails when a window it
# is looking at goes away meanwhile, as the desktop's frames do while windows come up; it is then made again.
find_window() {
  local found=""
  for _ in $(seq 200); do
    found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null) || true
    [ -n "$found" ] && echo "${found%%$'\n'*}" && return 0
    sleep 0.1
  done
  return 1
}
# The top-left corner of a window's client area on the screen, as X has it.
client_at() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}'; }
mapped() { xwininfo -id "$1" | grep -q 'Map State: IsViewable'; }
unmapped() { xwininfo -id "$1" | grep -q 'Map State: IsUnMapped'; }
has_keyboard() { [ "$(xdotool getwindowfocus -f 2>/dev/null)" = "$1" ]; }

# The dictionary: framed by the desktop under its own title, dragged by the frame, typed into, closed by
# Alt+F4.
start dictionary.json "$program" --dump
window=$(find_window '^Ombesi Pelv') || fail "the dictionary's window did not come up"
[ -n "$window" ] || fail "the dictionary's window did not come up"
within 50 mapped "$window" || fail "the dictionary's window is not shown"
title=$(xprop -id "$window" _NET_WM_NAME)
[ "$title" = '_NET_WM_NAME(UTF8_STRING) = "Ombesi Pelvör"' ] || fail "the desktop's title is $title"
frame=$(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //')
read -r _ _ caption _ <<<"${frame//,/ }"
[ "${caption:-0}" -gt 0 ] || fail "the desktop drew no title bar: frame extents $frame"

timeout 10 xdotool windowactivate --sync "$window" || fail "the desktop did not activate the window"
read -r x y <<<"$(client_at "$window")"
# A drag on the desktop's title bar, above the client area.
xdotool mousemove $((x + 200)) $((y - caption / 2)) mousedown 1 sleep 0.2 \
  mousemove $((x + 170)) $((y + 10)) sleep 0.2 mousemove $((x + 130)) $((y + 60)) sleep 0.2 mouseup 1
moved() { [ "$(client_at "$window")" != "$x $y" ]; }
within 30 moved || fail "the drag on the title bar did not move the window"
read -r mx my <<<"$(client_at "$window")"
# Into the search box at the top of the client area; the desktop has given the window the keyboard. Typed
# without pauses: however far behind the program is, the keys and then the desktop's close reach it in order.
xdotool mousemove --window "$window" 240 15 click 1
xdotool type --delay 100 'kedi'
if [ -n "${E2E_KEEP_SCREEN:-}" ]; then
  sleep 0.5
  cp "$work/screen/Xvfb_screen0" "$E2E_KEEP_SCREEN"
fi
xdotool key alt+F4
ended "Alt+F4 did not close the dictionary"

field() { jq -c "$1" "$out" 2>/dev/null || fail "no JSON state"; }
expect() { [ "$(field "$1")" = "$2" ] || fail "$1 is $(field "$1"), expected $2"; }
expect '.title' '"Ombesi Pelvör"'
expect '.search.text' '"kedi"'
expect '[.window.clientLeft, .window.clientTop]' "[$mx,$my]"
expect '.window.minimized' 'false'

# Minimised and restored by the desktop, the dictionary takes the keyboard back; minimised again, it ends
# with the session and says so in its state.
start minimised.json "$program" --dump
window=$(find_window '^Ombesi Pelv') || fail "the dictionary's window did not come up again"
[ -n "$window" ] || fail "the dictionary's window did not come up again"
within 50 mapped "$window" || fail "the dictionary's window is not shown again"
timeout 10 xdotool windowminimize --sync "$window" || fail "the desktop did not minimise the window"
within 30 unmapped "$window" || fail "the desktop did not minimise the window"
timeout 10 xdotool windowactivate --sync "$window" || fail "the desktop did not activate the window"
within 30 mapped "$window" || fail "the desktop did not restore the window"
# The user types once the desktop shows the window back with the keyboard, whether or not the program has
# caught up with the minimise and restore.
within 50 has_keyboard "$window" || fail "the desktop did not give the restored window the keyboard"
xdotool type --delay 100 'ev'
timeout 10 xdotool windowminimize --sync "$window" || fail "the desktop did not minimise the window"
within 30 unmapped "$window" || fail "the desktop did not minimise the window again"
kill -TERM "$app"
ended "the end of the session did not end the minimised dictionary"
expect '.search.text' '"ev"'
expect '.window.minimized' 'true'

# The test form minimises itself and the desktop follows; restored by the desktop, it is asked to close,
# refuses once, then agrees.
start form.txt "$form" "$work/form.png"
window=$(find_window '^pelvor-e2e$') || fail "the form did not come up"
[ -n "$window" ] || fail "the form did not come up"
within 50 mapped "$window" || fail "the form is not shown"
timeout 10 xdotool windowactivate --sync "$window" || fail "the desktop did not activate the window"
xdotool key F11
within 30 unmapped "$window" || fail "the desktop did not follow the form's own minimise"
timeout 10 xdotool windowactivate --sync "$window" || fail "the desktop did not activate the window"
within 30 mapped "$window" || fail "the desktop did not restore the form"
sleep 0.3
xdotool key alt+F4
within 50 grep -qx 'close refused (shown)' "$out" || fail "the desktop's close did not reach the restored form"
sleep 0.5
kill -0 "$app" 2>/dev/null || fail "the form ended although it refused to close"
timeout 10 xdotool windowactivate --sync "$window" || fail "the desktop did not activate the window"
xdotool key alt+F4
ended "the form did not close when it agreed to"
grep -qx 'close granted (shown)' "$out" || fail "the second close did not reach the form"

echo "e2e: every check passed (moved to $mx,$my)"
