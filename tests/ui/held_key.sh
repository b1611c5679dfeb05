#!/usr/bin/env bash
# Return held down on the itinerary panel's buttons, pressed for real on an X
# server with a window manager. The server repeats a held key as release and
# press pairs with one timestamp; Qt marks a pair as a repeat only when the
# press has reached it before it handles the release, which in one hold it
# does for every pair and in the next for few. Held on Save, three times over,
# each hold adds one itinerary; held on Delete All it asks its question,
# which the same key does not answer: Escape still can, and so can a fresh
# press of Return.
set -euo pipefail
exe=$1 datadir=$2
source "$(dirname "$0")/../support/desktop.sh"
need_tools Xvfb trayer openbox xdotool xprop xset

cp "$exe" "$home/program/"
cp "$datadir/City.txt" "$datadir/City Code.txt" "$home/program/"
list=$home/program/Query.txt
printf 'Sydney;Melbourne;%s;Morning;SYD;MEL\r\nPerth;Darwin;%s;Afternoon;PER;DRW\r\n' "$(day 60)" "$(day 90)" >"$list"
store_details

start_display tray wm
# Repeats start a quarter of a second into a hold, thirty a second.
xset r rate 250 30

start_zelvane
icon_shown

rows() { grep -c . "$list" || true; }
question() { find_windows --onlyvisible --name '^Delete All Itineraries$' | grep .; }
no_question() { ! question >/dev/null; }
hidden() { ! main_window >/dev/null; }
# The main window from the tray icon, and its list of itineraries in focus
# with the first one chosen.
show_list() {
  eval "$(xdotool getwindowgeometry --shell "$(find_windows --name '^panel$' | head -n1)")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat 2 --delay 80 1
  until_ok main_window >/dev/null || fail "a double click on the tray icon did not show the main window"
  window=$(main_window)
  xdotool mousemove --window "$window" 330 512 click 1 key Home
}
hold_return() { xdotool keydown Return; sleep 1.2; xdotool keyup Return; }

problems=()

# Save, after choosing a destination: one itinerary more.
show_list
xdotool mousemove --window "$window" 525 122 click 1 sleep 0.5 type --delay 50 Melb
xdotool key Return
xdotool mousemove --window "$window" 330 512 click 1 key shift+Tab shift+Tab shift+Tab
before=$(rows)
for hold in 1 2 3; do
  hold_return
  added() { [ "$(rows)" -ge $((before + hold)) ]; }
  until_ok added || fail "Return held on Save added nothing (hold $hold)"
done
# Keys and clicks are handled in turn: once "–" has hidden the window, the
# whole hold has been.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --window "$window" $((WIDTH - 86)) 23 click 1 # "–"
until_ok hidden || fail "the window did not hide"
[ "$(rows)" -eq $((before + 3)) ] || problems+=("Return held three times on Save added $(($(rows) - before)) itineraries, not three")

# Delete All: the question stays until a key pressed after it opened answers it.
show_list
xdotool key shift+Tab
before=$(rows)
hold_return
asked() { grep -q 'Really Delete All Items' "$home/zelvane.log"; }
until_ok asked || fail "Return held on Delete All did not ask"
if until_ok question >/dev/null; then
  xdotool key Escape
  until_ok no_question || fail "Escape did not answer the question"
  [ "$(rows)" -eq "$before" ] || problems+=("after No the watch list holds $(rows) itineraries, not $before")
  # The itinerary is chosen anew (a click below the rows lets go of it).
  xdotool mousemove --window "$window" 330 512 click 1 key End Home shift+Tab Return
  until_ok question >/dev/null || fail "Return on Delete All did not ask again"
  xdotool key Return
  until_ok no_question || fail "a fresh Return did not answer the question"
  [ "$(rows)" -eq 0 ] || problems+=("after Yes the watch list still holds $(rows) itineraries")
else
  problems+=("Return held on Delete All answered its own question: $(rows) of $before itineraries left")
fi

[ ${#problems[@]} -eq 0 ] || fail "$(printf '%s; ' "${problems[@]}")"
echo ok
