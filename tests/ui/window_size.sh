#!/usr/bin/env bash
# The main window sized by hand on an X server with a window manager: it
# opens at 940x620 on a screen with the room, its corner grip drags it
# smaller, never below 660x452, and larger; a double click on
# its header, or Space on its maximise button, maximises it over the work area
# and back; after Exit, and after hiding to the tray, it comes back maximised,
# and restoring it brings back the size it had.
set -euo pipefail
exe=$1 datadir=$2
source "$(dirname "$0")/../support/desktop.sh"
need_tools Xvfb trayer openbox xdotool xprop

cp "$exe" "$datadir/City.txt" "$datadir/City Code.txt" "$home/program/"
# Stored details: the program starts in the tray; no interval, so no check runs.
store_details
start_display 1280x800 tray wm
work_area=1280x776 # less the panel

start_program() { start_zelvane; icon_shown; }
hidden() { ! main_window >/dev/null; }
show_window() { # a double click on the tray icon
  eval "$(xdotool getwindowgeometry --shell "$(find_windows --name '^panel$' | head -n1)")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat 2 --delay 80 1
  until_ok main_window >/dev/null || fail "a double click on the tray icon did not show the main window"
  window=$(main_window)
  eval "$(xdotool getwindowgeometry --shell "$window")"
}
sized() { eval "$(xdotool getwindowgeometry --shell "$window")"; [ "${WIDTH}x$HEIGHT" = "$1" ]; }
maximised() { xprop -id "$window" _NET_WM_STATE | grep -q _NET_WM_STATE_MAXIMIZED_HORZ; }
expect() { # SIZE [maximised] WHEN
  until_ok sized "$1" || fail "$3: the window is ${WIDTH}x$HEIGHT, not $1"
  [ "$2" != maximised ] || maximised || fail "$3: the window manager does not hold it maximised"
}
# The grip dragged in small steps, as a hand moves (the corner's last pixels
# are cut away by its rounding), and held where it ends until the window has
# come to SIZE: a busy window manager may still be a step behind the pointer,
# or have begun the resize a step late, so the hand goes on by what is still
# missing, as a user's eye would have it.
drag_corner() { # DX DY SIZE
  local s
  xdotool mousemove $((X + WIDTH - 10)) $((Y + HEIGHT - 10)) mousedown 1
  for s in $(seq 1 20); do
    xdotool mousemove $((X + WIDTH - 10 + $1 * s / 20)) $((Y + HEIGHT - 10 + $2 * s / 20)); sleep 0.03
  done
  followed() {
    sized "$1" && return
    local want_w=${1%x*} want_h=${1#*x}
    xdotool mousemove_relative -- $((want_w - WIDTH)) $((want_h - HEIGHT))
    false
  }
  until_ok followed "$3" || true # expect says how far it came
  xdotool mouseup 1
}
double_click_header() { xdotool mousemove --window "$window" 300 20 click --repeat 2 --delay 100 1; }

start_program
show_window
expect 940x620 - "opened for the first time, larger than its least size where the screen has room"
drag_corner -300 -200 660x452
expect 660x452 - "dragged smaller than its least size"
drag_corner 240 148 900x600
expect 900x600 - "dragged larger by its grip"
double_click_header
expect $work_area maximised "double-clicked on the header"
double_click_header
expect 900x600 - "double-clicked again"
# The focus starts on the tab of the panel shown, Itineraries; the maximise
# button follows the last two tabs, Check Now, About and Minimise, left to right.
xdotool key Tab Tab Tab Tab Tab Tab space
expect $work_area maximised "Space on the maximise button"
xdotool key space
expect 900x600 - "Space on the button again"
xdotool key space
expect $work_area maximised "left maximised"
# Exit, the button after the maximise one, by the keyboard: a click sent
# the moment the window manager has maximised it can come before the window
# has laid its buttons out at the new size, sooner than any hand could.
xdotool key Tab space
ended() { ! kill -0 "$zelvane" 2>/dev/null; }
until_ok ended || fail "Exit did not end the program"
grep -qx 'WindowSize=900x600 maximised' "$conf" || fail "the settings keep $(grep WindowSize "$conf" || echo no size)"

start_program
show_window
expect $work_area maximised "started again"
xdotool key Tab Tab Tab Tab Tab space # "–", before the maximise button
until_ok hidden || fail "\"–\" did not hide the window"
show_window
expect $work_area maximised "shown again from the tray"
double_click_header
expect 900x600 - "restored"
echo ok
