#!/usr/bin/env bash
# The main window sized by hand on an X server with a window manager, with
# the pointer and keys a user has:
#  - dragging its bottom right corner makes it larger, and never smaller than
#    it first opens;
#  - a double click on its header maximises it over the work area and another
#    brings back the size it had; its maximise button does the same from the
#    keyboard;
#  - after Exit, the next start opens it maximised as it was left, and so
#    does showing it again from the tray; restoring it brings back the size
#    it had before.
set -euo pipefail
exe=$1 datadir=$2
source "$(dirname "$0")/../support/desktop.sh"
need_tools Xvfb trayer openbox xdotool xprop

cp "$exe" "$home/program/"
cp "$datadir/City.txt" "$datadir/City Code.txt" "$home/program/"
# Stored details: the program starts in the tray; no interval, so no check runs.
printf '[Settings]\nMemberNo=1234567\nLastName=Smith\nPin=0123\nAutostartup=0\n' >"$conf"

start_display 1280x800 tray wm
start_program() {
  ZELVANE_AIRLINE_URL=http://127.0.0.1:9 ZELVANE_SITE_URL=http://127.0.0.1:9 \
    "$home/program/zelvane" >"$home/zelvane.log" 2>&1 &
  zelvane=$!
  pids+=($zelvane)
  until_ok xdotool search --pid "$zelvane" >/dev/null || fail "the program never showed its tray icon"
}
main_window() { windows_of "$zelvane" '^Zelvane$' 600 5000 | grep .; }
show_window() {
  eval "$(xdotool getwindowgeometry --shell "$(xdotool search --name '^panel$' | head -n1)")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat 2 --delay 80 1
  until_ok main_window >/dev/null || fail "a double click on the tray icon did not show the main window"
  window=$(main_window)
}
size() { eval "$(xdotool getwindowgeometry --shell "$window")"; echo "${WIDTH}x$HEIGHT"; }
sized() { [ "$(size)" = "$1" ]; }
maximised() { xprop -id "$window" _NET_WM_STATE | grep -q _NET_WM_STATE_MAXIMIZED_HORZ; }
# The work area less the 24-pixel panel at the bottom.
work_area=1280x776
expect_size() { until_ok sized "$1" || problems+=("$2: the window is $(size), not $1"); }
# The grip in the bottom right corner dragged by DX, DY in small steps, as a
# hand moves. (The corner's last pixels are cut away by its rounding.)
drag_corner() {
  local dx=$1 dy=$2 s
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove $((X + WIDTH - 10)) $((Y + HEIGHT - 10)) mousedown 1
  for s in $(seq 1 20); do
    xdotool mousemove $((X + WIDTH - 10 + dx * s / 20)) $((Y + HEIGHT - 10 + dy * s / 20))
    sleep 0.03
  done
  xdotool mouseup 1
}
double_click_header() { xdotool mousemove --window "$window" 300 20 click --repeat 2 --delay 100 1; }

problems=()
start_program
show_window
expect_size 660x452 "opened for the first time"
drag_corner 240 148
expect_size 900x600 "dragged larger by its corner"
drag_corner -500 -400
expect_size 660x452 "dragged smaller than it first opens"
drag_corner 240 148
expect_size 900x600 "dragged larger again"

double_click_header
until_ok maximised || fail "a double click on the header did not maximise the window"
expect_size $work_area "maximised"
double_click_header
expect_size 900x600 "restored by a second double click"

# The focus starts on the first tab; the maximise button follows the four
# tabs, Check Now and Exit.
xdotool key Tab Tab Tab Tab Tab Tab space
expect_size $work_area "maximised with Space on its button"
xdotool key space
expect_size 900x600 "restored with Space again"

# Left maximised; Exit.
xdotool key space
expect_size $work_area "maximised before Exit"
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + WIDTH - 26)) $((Y + 23)) click 1
ended() { ! kill -0 "$zelvane" 2>/dev/null; }
until_ok ended || fail "Exit did not end the program"
grep -qx 'WindowSize=900x600 maximised' "$conf" || problems+=("the settings keep $(grep WindowSize "$conf" || echo no size)")

start_program
show_window
until_ok maximised || fail "the next start did not open the window maximised"
expect_size $work_area "opened again"
# Hidden to the tray by "–" and shown again, it comes back maximised.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + WIDTH - 86)) $((Y + 23)) click 1
hidden() { ! main_window >/dev/null; }
until_ok hidden || fail "\"–\" did not hide the window"
show_window
until_ok maximised || fail "shown again from the tray, the window was no longer maximised"
expect_size $work_area "shown again from the tray"
double_click_header
expect_size 900x600 "restored after the restart"

[ ${#problems[@]} -eq 0 ] || fail "$(printf '%s; ' "${problems[@]}")"
echo ok
