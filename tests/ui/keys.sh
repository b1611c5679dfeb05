#!/usr/bin/env bash
# The main window from the keyboard, with real key presses on an X server with
# a window manager and a tray, after a check against the simulator found seats:
# each row one thing a user does with the keys, all rows run and told.
#   - opened from the tray menu's "Show Results", the focus ring is on the
#     Results tab (Space on it leaves the results in view);
#   - Tab leaves the flight table for the History button;
#   - Return presses the button the keyboard is on;
#   - the return date starts a week after the departure;
#   - the title-bar buttons are tabbed left to right: About, Minimise,
#     Maximise, Close;
#   - Return on "minimise" hides the window to the tray where there is one,
#     and minimises it to the task bar where there is none.
set -euo pipefail
exe=$1 sitesim=$2 datadir=$3
source "$(dirname "$0")/../support/desktop.sh"
need_tools Xvfb trayer openbox xdotool xprop import compare python3

cp "$exe" "$datadir/City.txt" "$datadir/City Code.txt" "$home/program/"
list=$home/program/Query.txt
printf 'Sydney;Melbourne;%s;Morning;SYD;MEL\r\n' "$(day 60)" >"$list"
echo "{\"available\": [{\"from\": \"SYD\", \"to\": \"MEL\", \"date\": \"$(day 60)\"}]}" >"$home/scenario.json"
start_sitesim

start_program() { start_zelvane ZELVANE_AIRLINE_URL="$base" ZELVANE_SITE_URL="$base" ZELVANE_TIME_SCALE=0.05; }
history_window() { find_windows --onlyvisible --name '^History ' | grep .; }
no_history() { ! history_window >/dev/null; }
no_about() { ! about_window >/dev/null; }
has_focus() { local focus; focus=$(xdotool getwindowfocus 2>/dev/null) && "$1" | grep -qx "$focus"; }
running() { kill -0 "$zelvane" 2>/dev/null; }
hidden() { ! main_window >/dev/null; }
maximised() { xprop -id "$window" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_MAXIMIZED_HORZ; }
restored() { ! maximised; }
iconic() { xprop -id "$window" WM_STATE 2>/dev/null | grep -q 'window state: Iconic'; }
# A press on a button, let go beside it: the keyboard is on it, nothing is clicked.
focus_on() {
  xdotool mousemove --window "$window" "$1" "$2" mousedown 1 sleep 0.2 \
    mousemove --window "$window" "$1" $(($2 + 120)) sleep 0.2 mouseup 1
}
# A row whose keys should have opened the history window; Escape closes it.
history_row() { # NAME WHY-IT-FAILED
  if until_within 10 history_window >/dev/null; then
    row "$1" ok
    xdotool key Escape
    until_ok no_history || fail "Escape did not close the history window"
  else
    row "$1" FAIL "$2"
  fi
}
stop_program() { kill "$zelvane" 2>/dev/null || true; wait "$zelvane" 2>/dev/null || true; }
panel_shot() { until_drawn; import -window "$window" -crop 900x440+20+100 +repage "$home/$1.png"; }
differing() { compare -metric AE -fuzz 10% "$home/$1.png" "$home/$2.png" null: 2>&1 || true; }
show_from_icon() { # a double click on the tray icon
  eval "$(xdotool getwindowgeometry --shell "$(find_windows --name '^panel$' | head -n1)")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat 2 --delay 80 1
  until_ok main_window >/dev/null && window=$(main_window) && until_ok has_focus main_window
}

rows=()
row() { # WHAT OK|FAIL [WHY]
  rows+=("$(printf '%-4s  %s%s' "$2" "$1" "${3:+: $3}")")
}

# Stored details and an interval: a check runs soon after the start and finds seats.
printf '[Settings]\nMemberNo=1234567\nLastName=Smith\nPin=1234\nMail=me@example.org\nTimeIndex=1\nTimeHou=24\nAutostartup=0\nMailSendType=2\n' >"$conf"
start_display 1280x800 tray wm
start_program
icon_shown
checked() { windows_of "$zelvane" '^Reminder$' 200 300 | grep -q .; }
until_ok checked || fail "the check found no seats"

# 1. "Show Results" from the tray menu: the focus ring on the Results tab.
eval "$(xdotool getwindowgeometry --shell "$(find_windows --name '^panel$' | head -n1)")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
until_ok has_focus menu_window || fail "a right click on the tray icon did not open its menu"
xdotool key Down Down Return
until_ok main_window >/dev/null || fail "\"Show Results\" in the tray menu did not show the main window"
window=$(main_window)
until_ok has_focus main_window || fail "the main window did not get the keyboard"
xdotool mousemove 1200 20 # the pointer off the window: no hover picture
panel_shot results
xdotool key space
panel_shot after-space
changed=$(differing results after-space)
if [ "$changed" -lt 2000 ]; then row "focus ring on the tab of the panel shown from the tray" ok
else row "focus ring on the tab of the panel shown from the tray" FAIL "Space left the results for another panel ($changed pixels changed)"; fi
# Back to the results for what follows, by the mouse.
xdotool mousemove --window "$window" 304 71 click 1

# 2. Tab from the flight table reaches the History button; Space opens it.
xdotool mousemove --window "$window" 100 155 click 1 sleep 0.5 mousemove --window "$window" 100 393 click 1 sleep 0.5
xdotool key Tab space
history_row "Tab leaves the flight table" "Tab and Space in the flight table opened no history"

# 3. Return on the History button the keyboard is on opens the history.
focus_on 850 350
no_history || fail "a press let go beside the History button opened the history"
xdotool key Return
history_row "Return presses the focused button" "Return on the focused History button opened nothing"

# 4. A new itinerary with a way back: the way back a week after the way out.
xdotool mousemove --window "$window" 188 71 click 1 sleep 0.5
xdotool mousemove --window "$window" 525 122 click 1 sleep 0.5 type --delay 50 Melb
xdotool key Return sleep 0.3 key alt+r sleep 0.3
xdotool mousemove --window "$window" 368 430 click 1
added() { [ "$(grep -c . "$list")" -eq 2 ]; }
if until_within 10 added; then
  line=$(sed -n 2p "$list" | tr -d '\r')
  IFS=';' read -r -a field <<<"$line"
  out=${field[2]} back=${field[${#field[@]} - 1]}
  week=$(date -d "$(awk -F/ '{print $3"-"$2"-"$1}' <<<"$out") +7 days" +%d/%m/%Y)
  if [ "$back" = "$week" ]; then row "the return date a week after the departure" ok
  else row "the return date a week after the departure" FAIL "out $out, back $back, not $week"; fi
else
  row "the return date a week after the departure" FAIL "no itinerary with a way back was added: $(tr '\r\n' '  ' <"$list")"
fi

# 5. The title-bar buttons left to right from Check Now: About, Minimise,
# Maximise, Close; Return on Minimise hides the window to the tray. Started
# again without an interval, so no check runs: the window opens with the
# keyboard on its first tab.
stop_program
printf '[Settings]\nMemberNo=1234567\nLastName=Smith\nPin=1234\nAutostartup=0\n' >"$conf"
start_program
until_ok xdotool search --pid "$zelvane" >/dev/null || fail "the program never showed its tray icon again"
show_from_icon || fail "a double click on the tray icon did not show the main window"
# From the first tab, clicked (the ring follows the panel): the four tabs,
# Check Now, then the title bar.
xdotool mousemove --window "$window" 72 71 click 1 sleep 0.5 mousemove 1200 20
xdotool key Tab Tab Tab Tab Tab space
if until_within 10 about_window >/dev/null; then
  xdotool key Escape
  until_ok no_about || fail "Escape did not close the about window"
  until_ok has_focus main_window || fail "the main window did not get the keyboard back"
  xdotool key Tab Tab space
  if until_within 10 maximised; then
    xdotool key space
    until_ok restored || fail "Space on the maximise button again did not restore the window"
    xdotool key shift+Tab Return
    if until_within 10 hidden && running; then
      row "title-bar buttons tabbed left to right" ok
      row "Return on minimise goes to the tray" ok
    else
      row "title-bar buttons tabbed left to right" FAIL "Shift+Tab from Maximise and Return did not minimise"
      row "Return on minimise goes to the tray" FAIL "the window is still shown, or the program ended"
    fi
  else
    row "title-bar buttons tabbed left to right" FAIL "two Tabs after About and Space did not maximise"
    row "Return on minimise goes to the tray" FAIL "not reached"
  fi
else
  row "title-bar buttons tabbed left to right" FAIL "the fifth Tab from the first tab is not About$(running || echo ': the program ended')"
  row "Return on minimise goes to the tray" FAIL "not reached"
fi

# 6. No tray: Return on minimise sends the window to the task bar.
stop_program
stop_display
start_display 1280x800 wm
start_program
notice() { windows_of "$zelvane" '^Zelvane$' 200 599 | grep .; }
until_ok notice >/dev/null || fail "no notice that there is no tray"
until_ok has_focus notice || fail "the notice did not get the keyboard"
xdotool key Return
no_notice() { ! notice >/dev/null; }
until_ok no_notice || fail "Return did not close the notice"
window=$(main_window) || fail "no main window without a tray"
until_ok has_focus main_window || fail "the main window did not get the keyboard"
xdotool mousemove --window "$window" 72 71 click 1 sleep 0.5 # the first tab
xdotool key Tab Tab Tab Tab Tab Tab Return
if until_within 10 iconic && running; then row "Return on minimise goes to the task bar without a tray" ok
else row "Return on minimise goes to the task bar without a tray" FAIL "the window is $(iconic && echo iconic || echo not iconic)$(running || echo ', the program ended')"; fi

printf '%s\n' "${rows[@]}"
if printf '%s\n' "${rows[@]}" | grep -q '^FAIL'; then fail "$(printf '%s\n' "${rows[@]}" | grep -c '^FAIL') of ${#rows[@]} rows failed"; fi
echo ok
