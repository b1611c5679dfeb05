#!/usr/bin/env bash
# The main window's itinerary panel from the keyboard alone, with real key
# presses on an X server with a window manager: Tab shows where it is, on
# Check Now and on the itinerary list as on the other controls; Delete with
# no itinerary chosen says so; Delete All needs no choice: it asks, and
# Return empties the watch list; a date is typed whole, and one whose flexible
# days reach past the last date the airline searches is refused.
set -euo pipefail
exe=$1 datadir=$2
source "$(dirname "$0")/../support/desktop.sh"
need_tools Xvfb trayer openbox xdotool xprop import compare convert

cp "$exe" "$datadir/City.txt" "$datadir/City Code.txt" "$home/program/"
list=$home/program/Query.txt
printf 'Sydney;Melbourne;%s;Morning;SYD;MEL\r\nPerth;Darwin;%s;Afternoon;PER;DRW\r\n' "$(day 60)" "$(day 90)" >"$list"
store_details
start_display 1280x800 tray wm

# The status line's texts come to its output.
start_zelvane ZELVANE_PRINT_STATUS=1
icon_shown

rows() { grep -c . "$list" || true; }
question() { find_windows --onlyvisible --name '^Delete All Itineraries$' | grep .; }
has_focus() { local focus; focus=$(xdotool getwindowfocus 2>/dev/null) && "$1" | grep -qx "$focus"; }
eval "$(xdotool getwindowgeometry --shell "$(find_windows --name '^panel$' | head -n1)")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat 2 --delay 80 1
until_ok main_window >/dev/null || fail "a double click on the tray icon did not show the main window"
window=$(main_window)
until_ok has_focus main_window || fail "the main window did not get the keyboard"
xdotool mousemove 5 5 # the pointer off the window: no hover picture

# A part of the window as the user sees it, in grey: a focus mark must stand
# out by its lightness, not by its hue alone.
shot() { import -window "$window" -crop "$2" +repage -colorspace Gray "$home/$1.png"; }
# The pixels that differ between two shots by more than a quarter of the way
# from black to white.
differing() { compare -metric AE -fuzz 25% "$home/$1.png" "$home/$2.png" null: 2>&1 || true; }
problems=()
# Check Now sits 16 px from the right, 56 from the top (156x30); the list
# spans the panel from x=33 and y=243 to 33 px from the right and 79 from the
# bottom. Each with a few pixels around it.
eval "$(xdotool getwindowgeometry --shell "$window")"
check_now=164x38+$((WIDTH - 176))+52
around_list=$((WIDTH - 56))x$((HEIGHT - 79 + 5 - 238))+28+238

# The focus starts on the tab of the panel shown, Itineraries; Check Now
# follows the last two tabs.
until_drawn
shot check-now-off "$check_now"
shot list-off "$around_list"
xdotool key Tab Tab Tab
until_drawn
shot check-now-on "$check_now"
[ "$(differing check-now-off check-now-on)" -ge 40 ] \
  || problems+=("Check Now shows no focus mark: $(differing check-now-off check-now-on) pixels change")
# On through the header's buttons and the panel's controls to the list.
for _ in $(seq 23); do xdotool key Tab; done
until_drawn
shot list-on "$around_list"
[ "$(differing list-off list-on)" -ge 400 ] \
  || problems+=("the itinerary list shows no focus mark: $(differing list-off list-on) pixels change")

# Delete, with no itinerary chosen: said so, nothing deleted.
xdotool key shift+Tab shift+Tab space
said() { grep -q 'Please Select An Itinerary To Delete' "$home/zelvane.log"; }
until_ok said || problems+=("Delete with no itinerary chosen said nothing")
[ "$(rows)" -eq 2 ] || problems+=("Delete with no itinerary chosen left $(rows) itineraries, not 2")

# Delete All, with none chosen either: it asks, and Return says yes.
xdotool key Tab space
if until_ok question >/dev/null; then
  xdotool key Return
  emptied() { [ "$(rows)" -eq 0 ]; }
  until_ok emptied || problems+=("Yes to Delete All left $(rows) itineraries")
else
  problems+=("Delete All with no itinerary chosen did not ask")
fi

# A date typed whole: the first of the month three months on, whose parts,
# typed one after the other over tomorrow's date, pass through dates before
# tomorrow. Tab from the destination passes the four nearby airports and
# selects the date to type over; nine more, past the outbound flights, reach Save.
typed=$(date -d "$(date +%Y-%m-01) +3 months" +%d/%m/%Y)
xdotool mousemove --window "$window" 525 122 click 1 sleep 0.5 type --delay 50 Melb
xdotool key Return Tab Tab Tab Tab Tab
xdotool type --delay 50 "$typed"
xdotool key Tab Tab Tab Tab Tab Tab Tab Tab Tab space
added() { grep -q ";$typed;" "$list"; }
until_ok added || problems+=("$typed typed into the date was not added: $(tr '\r\n' '  ' <"$list")")

# The last date the airline searches, and six days after it: refused, said why.
last=$(date -d "tomorrow +352 days" +%d/%m/%Y)
before=$(rows)
xdotool key shift+Tab shift+Tab shift+Tab shift+Tab End shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab
xdotool type --delay 50 "$last"
xdotool key Tab Tab Tab Tab Tab Tab Tab Tab Tab space
told() { grep -q "reach past $last" "$home/zelvane.log"; }
alert() { find_windows --onlyvisible --name '^ZLV Alert$' | grep .; }
if until_ok told; then
  until_ok alert >/dev/null && xdotool key Return
else
  problems+=("$last and six days after it were not refused")
fi
[ "$(rows)" -eq "$before" ] || problems+=("$last and six days after it were added: $(tr '\r\n' '  ' <"$list")")

[ ${#problems[@]} -eq 0 ] || fail "$(printf '%s; ' "${problems[@]}")"
echo ok
