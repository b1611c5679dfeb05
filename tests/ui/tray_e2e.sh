#!/usr/bin/env bash
# The whole program under a virtual display with a tray, against the site
# simulator: the session starts by itself, two pop-ups stack at the bottom
# right, the results e-mail arrives, a click on a pop-up's message brings up
# the main window, so does a double click on the tray icon, and Exit from the
# tray menu ends the program with its settings saved and its session in
# history.sqlite itself, as a backup of that one file would find it.
set -euo pipefail
exe=$1 sitesim=$2 datadir=$3
source "$(dirname "$0")/../support/desktop.sh"
need_tools Xvfb trayer xdotool xprop python3

cp "$exe" "$home/program/"
cp "$datadir/City.txt" "$datadir/City Code.txt" "$home/program/"
printf 'Sydney;Melbourne;%s;Morning;SYD;MEL\r\nPerth;Darwin;%s;Afternoon;PER;DRW\r\nBrisbane;Cairns;%s;Morning;BNE;CNS\r\n' "$(day 60)" "$(day 90)" "$(day 120)" \
  >"$home/program/Query.txt"
cat >"$home/scenario.json" <<JSON
{"available": [{"from": "SYD", "to": "MEL", "date": "$(day 60)"},
               {"from": "PER", "to": "DRW", "date": "$(day 90)"}]}
JSON
printf '[Settings]\nMemberNo=1234567\nLastName=Smith\nPin=1234\nMail=me@example.org\nTimeIndex=1\nTimeHou=24\nAutostartup=0\nMailSendType=0\n' \
  >"$conf"

start_sitesim

start_display tray
# There is no window manager to say where the desktop's work area ends; say it
# for it, 24 pixels of panel at the bottom.
xprop -root -f _NET_SUPPORTED 32a -set _NET_SUPPORTED _NET_WORKAREA
xprop -root -f _NET_WORKAREA 32c -set _NET_WORKAREA '0, 0, 1024, 744'

ZELVANE_AIRLINE_URL=$base ZELVANE_SITE_URL=$base ZELVANE_TIME_SCALE=0.05 \
  "$home/program/zelvane" >"$home/zelvane.log" 2>&1 &
zelvane=$!
pids+=($zelvane)

popups() { windows_of "$zelvane" '^Reminder$' 200 300; }
two_popups() { [ "$(popups | wc -l)" -eq 2 ]; }
until_ok two_popups || fail "two pop-ups did not come up (saw $(popups | wc -l))"
# Where the two pop-ups are; they slide up at their own pace, slower on a busy
# machine, so the places are checked once both have come to rest.
declare -A top
placed() {
  top=(); problem=
  for w in $(popups); do
    geometry=$(xdotool getwindowgeometry --shell "$w" 2>/dev/null) || return 1 # gone meanwhile
    eval "$geometry"
    [ $((X + WIDTH)) -eq 1024 ] || problem="pop-up $w at x=$X width $WIDTH does not end at the right edge"
    top[$w]=$Y; height=$HEIGHT
  done
  [ ${#top[@]} -eq 2 ] || { problem="${#top[@]} pop-ups"; return 1; }
  read -r low high < <(printf '%s\n' "${top[@]}" | sort -n | tr '\n' ' ' | awk '{print $2, $1}')
  [ $((low + height)) -eq 744 ] || problem="lowest pop-up rests at y=$low, not on the panel"
  [ $((low - high)) -eq "$height" ] || problem="pop-ups at y=$low and y=$high are not one above the other"
  [ -z "$problem" ]
}
until_ok placed || fail "$problem"

has_mail() { grep -q '"kind":"email"' "$home/requests.jsonl"; }
until_ok has_mail || fail "no results e-mail reached the simulator"
grep '"kind":"email"' "$home/requests.jsonl" | grep -q 'You%20have%20(2)Available%20and%20(1)%20Unavailable' \
  || fail "the results e-mail has the wrong counts: $(grep '"kind":"email"' "$home/requests.jsonl")"

main_window() { windows_of "$zelvane" '^Zelvane$' 301 5000 | grep .; }
main_window >/dev/null && fail "the main window was up before anything asked for it"

# The main window was made hidden for the session; a double click on the
# tray icon shows it.
eval "$(xdotool getwindowgeometry --shell "$(find_windows --name '^panel$' | head -n1)")"
icon_x=$((X + WIDTH / 2)) icon_y=$((Y + HEIGHT / 2))
xdotool mousemove "$icon_x" "$icon_y" click --repeat 2 --delay 80 1
until_ok main_window >/dev/null || fail "a double click on the tray icon did not show the main window"

# The message text of the lower pop-up (what it shows of the main window is
# checked offscreen: the results panel, also from a hidden window).
for w in "${!top[@]}"; do [ "${top[$w]}" -eq "$low" ] && lower=$w; done
xdotool mousemove --window "$lower" 130 90 click 1
until_ok main_window >/dev/null || fail "the main window went away after a click on a pop-up"
one_popup() { [ "$(popups | wc -l)" -eq 1 ]; }
until_ok one_popup || fail "the clicked pop-up did not close"

# Exit from the icon's menu.
xdotool mousemove "$icon_x" "$icon_y" click 3
menu_window() { windows_of "$zelvane" '^Zelvane$' 100 199 | grep .; }
until_ok menu_window >/dev/null || fail "a right click on the tray icon did not show the menu"
menu=$(menu_window)
xdotool mousemove --window "$menu" 60 108 click 1
# Ended means a zombie waiting for us, or gone.
ended() { ! ps -o stat= -p "$zelvane" | grep -qv Z; }
until_ok ended || fail "Exit did not end the program"
set +e; wait "$zelvane"; rc=$?; set -e
[ "$rc" -eq 0 ] || fail "the program ended with status $rc"
grep -q '^ProgDirectory=' "$conf" || fail "the settings were not saved on Exit"
alone=$(sessions_in_file_alone "$home/program/history.sqlite")
[ "$alone" -eq 1 ] || fail "after Exit history.sqlite alone holds $alone sessions, not the one checked"
echo ok
