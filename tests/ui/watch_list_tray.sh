#!/usr/bin/env bash
# The watch list changed from a terminal while the real tray program runs,
# under a virtual display: zelvane-check --add, and the tray's status line
# names the new watch at its place in the list; an itinerary added in the
# tray's panel while zelvane-check --remove runs, and neither change is lost;
# the tray's end writes nothing stale. The file before and after is printed.
set -euo pipefail
exe=$1 check=$2 datadir=$3
source "$(dirname "$0")/../support/desktop.sh"
need_tools Xvfb trayer openbox xdotool xprop

cp "$exe" "$check" "$datadir/City.txt" "$datadir/City Code.txt" "$home/program/"
list=$home/program/Query.txt
sydney="Sydney;Melbourne;$(day 60);Morning;SYD;MEL"
perth="Perth;Darwin;$(day 90);Afternoon;PER;DRW"
brisbane="Brisbane;Cairns;$(day 120);Morning;BNE;CNS"
printf '%s\r\n' "$sydney" "$perth" >"$list"
store_details
start_display 1280x800 tray wm

start_zelvane ZELVANE_PRINT_STATUS=1
# The icon comes after start-up has read the list and begun to follow the file.
icon_shown
said() { grep -qF "$1" "$home/zelvane.log"; }

echo "--- the watch list before"; tr -d '\r' <"$list"
set +e
"$home/program/zelvane-check" --add "$brisbane" >"$home/add.out" 2>&1
rc=$?
set -e
[ "$rc" -eq 0 ] || fail "zelvane-check --add ended with $rc: $(cat "$home/add.out")"
until_ok said "The watch list was changed by another program: added #3 Brisbane → Cairns, $(day 120), Morning" \
  || fail "the tray program did not show the watch added: $(cat "$home/zelvane.log")"

# The main window, its itinerary panel shown first.
has_focus() { local focus; focus=$(xdotool getwindowfocus 2>/dev/null) && "$1" | grep -qx "$focus"; }
eval "$(xdotool getwindowgeometry --shell "$(find_windows --name '^panel$' | head -n1)")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat 2 --delay 80 1
until_ok main_window >/dev/null || fail "a double click on the tray icon did not show the main window"
window=$(main_window)
until_ok has_focus main_window || fail "the main window did not get the keyboard"

# An itinerary to Melbourne typed into the panel; Save pressed as
# zelvane-check removes the first itinerary.
typed=$(day 150)
xdotool mousemove --window "$window" 525 122 click 1 sleep 0.5 type --delay 50 Melb
xdotool key Return Tab Tab Tab Tab Tab
xdotool type --delay 50 "$typed"
xdotool key Tab Tab Tab Tab Tab Tab Tab Tab Tab
"$home/program/zelvane-check" --remove 1 >"$home/remove.out" 2>&1 &
remove=$!
xdotool key space
set +e; wait "$remove"; rc=$?; set -e
[ "$rc" -eq 0 ] || fail "zelvane-check --remove 1 ended with $rc: $(cat "$home/remove.out")"
added() { grep -q ";Melbourne;$typed;" "$list"; }
until_ok added || fail "the itinerary added in the tray is not in the file: $(tr '\r\n' '  ' <"$list")"
until_ok said "removed Sydney → Melbourne, $(day 60), Morning" \
  || fail "the tray program did not show the watch removed: $(cat "$home/zelvane.log")"

# The tray ends as at log-out, saving what it holds: nothing it holds is stale.
kill -TERM "$zelvane"
set +e; wait "$zelvane"; set -e
echo "--- the watch list after"; tr -d '\r' <"$list"
mapfile -t after < <(tr -d '\r' <"$list")
[ "${#after[@]}" -eq 3 ] || fail "the watch list has ${#after[@]} itineraries, not 3"
[ "${after[0]}" = "$perth" ] || fail "the first itinerary is ${after[0]}, not $perth"
[ "${after[1]}" = "$brisbane" ] || fail "the second itinerary is ${after[1]}, not the one zelvane-check added"
case ${after[2]} in *";Melbourne;$typed;"*) ;; *) fail "the third itinerary is ${after[2]}, not the tray's" ;; esac
echo ok
