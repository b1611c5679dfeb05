#!/usr/bin/env bash
# Where the real program puts its tray menu and its no-tray notice, on X
# servers with a window manager:
#  - at 1366x768 with a 40-pixel panel at the bottom, the menu of the tray
#    icon sits above the panel, clear of it and of the icon, and the main
#    window first comes up clear of the pop-ups' column;
#  - with no tray at all, the notice that says so comes up over the main
#    window it speaks of, once the window manager has placed that window.
set -euo pipefail
exe=$1
source "$(dirname "$0")/../support/desktop.sh"
need_tools Xvfb trayer openbox xdotool xprop

cp "$exe" "$home/program/"
# Stored details: the program starts in the tray, with no window of its own.
store_details
stop_program() {
  kill "$zelvane"
  set +e; wait "$zelvane"; set -e
}

# The tray menu above a 40-pixel panel.
start_display 1366x768 tray wm panel=40
[ "$(work_area)" = "0 0 1366 728" ] || fail "the panel did not take 40 pixels off the work area: $(work_area)"
area_width=1366 area_height=728
start_zelvane ZELVANE_TIME_SCALE=0.05
icon_shown
eval "$(xdotool getwindowgeometry --shell "$(find_windows --name '^panel$' | head -n1)")"
icon_x=$((X + WIDTH / 2)) icon_y=$((Y + HEIGHT / 2))
# Clicked again as a hand would when nothing came: the icon may not sit in
# the panel yet.
right_click_icon() {
  local end=$((SECONDS + 5))
  xdotool mousemove "$icon_x" "$icon_y" click 3
  until menu_window >/dev/null; do [ "$SECONDS" -lt "$end" ] || return 1; sleep 0.1; done
}
until_ok right_click_icon || fail "a right click on the tray icon did not show the menu"
problems=()
read -r left top right bottom < <(edges "$(menu_window)")
if [ "$bottom" -gt "$area_height" ]; then
  problems+=("the menu reaches down to y=$bottom, over the panel that starts at y=$area_height")
elif [ "$right" -gt "$area_width" ] || [ "$right" -le $((area_width - 100)) ] || [ "$bottom" -le $((area_height - 100)) ]; then
  problems+=("the menu at $left,$top-$right,$bottom is not near the work area's bottom right")
fi
# The main window, opened from the icon, first comes up clear of the column
# the pop-ups stack in along the work area's right edge (265 pixels wide).
# The menu goes first, as it does when the user clicks elsewhere: a window
# manager places a new window clear of the windows already open.
xdotool mousemove 300 300 click 1
until_ok eval '! menu_window >/dev/null' || fail "a click beside the tray menu did not close it"
open_main() {
  xdotool mousemove "$icon_x" "$icon_y" click --repeat 2 --delay 80 1
  until_within 5 main_window >/dev/null
}
until_ok open_main || fail "a double click on the tray icon did not show the main window"
sleep 1 # placed by the window manager
read -r mleft mtop mright mbottom < <(edges "$(main_window)")
[ "$mright" -le $((area_width - 265)) ] \
  || problems+=("the main window at $mleft,$mtop-$mright,$mbottom first comes up over the pop-ups' column, from x=$((area_width - 265))")
stop_program
stop_display

# No tray: the notice over the main window.
start_display wm
start_zelvane ZELVANE_TIME_SCALE=0.05
notice() { windows_of "$zelvane" '^Zelvane$' 200 599 | grep .; }
until_ok notice >/dev/null || fail "no notice that there is no tray"
main=$(windows_of "$zelvane" '^Zelvane$' 600 5000)
[ -n "$main" ] || fail "the notice came without the main window"
read -r mleft mtop mright mbottom < <(edges "$main")
read -r left top right bottom < <(edges "$(notice)")
[ "$left" -ge "$mleft" ] && [ "$right" -le "$mright" ] && [ "$top" -ge "$mtop" ] && [ "$bottom" -le "$mbottom" ] \
  || problems+=("the notice at $left,$top-$right,$bottom is not over the main window at $mleft,$mtop-$mright,$mbottom")

[ "$(grep -c 'no system tray' "$home/zelvane.log")" -eq 1 ] \
  || problems+=("the notice was given $(grep -c 'no system tray' "$home/zelvane.log") times")

[ ${#problems[@]} -eq 0 ] || fail "$(printf '%s; ' "${problems[@]}")"
echo ok
