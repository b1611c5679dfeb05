#!/usr/bin/env bash
# The tray program's small windows on a 1366x768 desktop whose panel is on the
# right edge, then at the top, under a window manager, with the mouse and the
# keyboard:
#  - a check finds seats on seven flights: the pop-ups stack inside the work
#    area, none over the panel and none over another;
#  - the tray menu opens beside the icon, inside the work area; Escape closes
#    it, the arrow keys and Return choose "Show Results";
#  - "Check Results!" on a pop-up brings up the main window;
#  - the about window opens in the middle of the screen, in the same place
#    each time; Tab and Space tick its box, Escape closes it.
set -euo pipefail
exe=$1 sitesim=$2 datadir=$3
source "$(dirname "$0")/../support/desktop.sh"
need_tools Xvfb trayer openbox xdotool xprop xdpyinfo python3

cp "$exe" "$datadir/City.txt" "$datadir/City Code.txt" "$home/program/"
trips=(SYD:MEL:Sydney:Melbourne PER:DRW:Perth:Darwin BNE:CNS:Brisbane:Cairns ADL:HBA:Adelaide:Hobart
       MEL:PER:Melbourne:Perth CNS:SYD:Cairns:Sydney DRW:BNE:Darwin:Brisbane)
available=
for trip in "${trips[@]}"; do
  IFS=: read -r from to origin destination <<<"$trip"
  printf '%s;%s;%s;Morning;%s;%s\r\n' "$origin" "$destination" "$(day 60)" "$from" "$to" >>"$home/program/Query.txt"
  available+="${available:+, }{\"from\": \"$from\", \"to\": \"$to\", \"date\": \"$(day 60)\"}"
done
echo "{\"available\": [$available]}" >"$home/scenario.json"
start_sitesim

start_program() {
  # Stored details and an interval: a check starts soon after the start. No mail.
  printf '[Settings]\nMemberNo=1234567\nLastName=Smith\nPin=1234\nMail=me@example.org\nTimeIndex=1\nTimeHou=24\nAutostartup=0\nMailSendType=2\n' \
    >"$conf"
  rm -f "$home/program/history.sqlite"
  start_zelvane ZELVANE_AIRLINE_URL="$base" ZELVANE_SITE_URL="$base" ZELVANE_TIME_SCALE=0.05
}
stop_program() {
  kill "$zelvane" 2>/dev/null || problems+=("the program had ended by itself ($edge)")
  set +e; wait "$zelvane"; set -e
}
popups() { windows_of "$zelvane" '^Reminder$' 200 300; }
no_menu() { ! menu_window >/dev/null; }
no_about() { ! about_window >/dev/null; }
# Keys go to the window with the keyboard focus: a new window gets it once the
# window manager has given it.
has_focus() { local focus; focus=$(xdotool getwindowfocus 2>/dev/null) && "$1" | grep -qx "$focus"; }
inside_work_area() { # LEFT TOP RIGHT BOTTOM
  [ "$1" -ge "$area_left" ] && [ "$2" -ge "$area_top" ] && [ "$3" -le "$area_right" ] && [ "$4" -le "$area_bottom" ]
}
overlap() { [ "$1" -lt "$4" ] && [ "$3" -lt "$2" ]; } # A_FROM A_TO B_FROM B_TO, each half-open

problems=()
for edge in right top; do
  case $edge in
    right) start_display 1366x768 tray wm edge=right panel=40 ;;
    top) start_display 1366x768 tray wm edge=top ;;
  esac
  read -r area_left area_top area_width area_height < <(work_area)
  area_right=$((area_left + area_width)) area_bottom=$((area_top + area_height))
  start_program
  icon_shown "$edge"

  # The work area holds four pop-ups: three flights and how many more wait.
  problem=
  placed() {
    local w l t r b others=() o
    problem=
    for w in $(popups); do
      read -r l t r b < <(edges "$w") || return 1 # gone meanwhile
      inside_work_area "$l" "$t" "$r" "$b" \
        || { problem="a pop-up at $l,$t-$r,$b reaches out of the work area $area_left,$area_top-$area_right,$area_bottom"; return 1; }
      for o in "${others[@]}"; do
        read -r ol ot or ob <<<"$o"
        if overlap "$l" "$r" "$ol" "$or" && overlap "$t" "$b" "$ot" "$ob"; then
          problem="the pop-up at $l,$t-$r,$b lies over the one at $ol,$ot-$or,$ob"; return 1
        fi
      done
      others+=("$l $t $r $b")
    done
    [ "${#others[@]}" -eq 4 ] || { problem="${#others[@]} pop-ups, not four"; return 1; }
  }
  until_ok placed || problems+=("panel at the $edge: $problem")

  # The tray menu, beside the icon on the panel's side of the work area.
  read -r pl pt pr pb < <(edges "$(find_windows --name '^panel$' | head -n1)")
  # Clicked again as a hand would when nothing came: the icon may not sit in
  # the moved panel yet.
  right_click_icon() {
    local end=$((SECONDS + 5))
    xdotool mousemove $(((pl + pr) / 2)) $(((pt + pb) / 2)) click 3
    until menu_window >/dev/null; do [ "$SECONDS" -lt "$end" ] || return 1; sleep 0.1; done
  }
  until_ok right_click_icon || fail "a right click on the tray icon did not show the menu ($edge)"
  read -r ml mt mr mb < <(edges "$(menu_window)")
  inside_work_area "$ml" "$mt" "$mr" "$mb" \
    || problems+=("panel at the $edge: the menu at $ml,$mt-$mr,$mb reaches out of the work area")
  case $edge in
    right) [ "$mr" -eq "$area_right" ] && overlap "$mt" "$mb" "$pt" "$pb" ;;
    top) [ "$mt" -eq "$area_top" ] && overlap "$ml" "$mr" "$pl" "$pr" ;;
  esac || problems+=("panel at the $edge: the menu at $ml,$mt-$mr,$mb is not beside the icon at $pl,$pt-$pr,$pb")
  until_ok has_focus menu_window || fail "the tray menu did not get the keyboard ($edge)"
  xdotool key Escape
  until_ok no_menu || problems+=("panel at the $edge: Escape did not close the tray menu")
  until_ok right_click_icon || fail "a right click on the tray icon did not show the menu again ($edge)"
  until_ok has_focus menu_window || fail "the tray menu did not get the keyboard again ($edge)"
  xdotool key Down Down Return
  if until_ok main_window >/dev/null; then
    window=$(main_window)
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove --window "$window" $((WIDTH - 86)) 23 click 1 # "–"
  else
    problems+=("panel at the $edge: Down, Down and Return in the tray menu did not show the results")
  fi
  hidden() { ! main_window >/dev/null; }
  until_ok hidden || fail "\"–\" did not hide the main window ($edge)"

  # "Check Results!" on the lowest pop-up, once they are at rest: with the
  # window gone they go back to their places, and a busy machine shows the
  # way there.
  placed() { local w; for w in $(popups); do edges "$w" || true; done; }
  at_rest() { local before; before=$(placed); sleep 0.3; [ -n "$before" ] && [ "$before" = "$(placed)" ]; }
  until_ok at_rest || fail "the pop-ups did not come to rest ($edge)"
  lowest= lowest_top=0
  for w in $(popups); do
    read -r l t r b < <(edges "$w") || continue # closed meanwhile
    [ "$t" -gt "$lowest_top" ] && { lowest=$w; lowest_top=$t; }
  done
  xdotool mousemove --window "$lowest" 140 151 click 1
  until_ok main_window >/dev/null || problems+=("panel at the $edge: \"Check Results!\" did not bring up the results")

  if [ "$edge" = right ] && main_window >/dev/null; then
    # The about window, from the main window's help button, twice.
    window=$(main_window)
    centred_at=
    for time in first second; do
      eval "$(xdotool getwindowgeometry --shell "$window")"
      xdotool mousemove --window "$window" $((WIDTH - 116)) 23 click 1
      until_ok about_window >/dev/null || fail "the help button did not open the about window"
      read -r al at ar ab < <(edges "$(about_window)")
      # Centred to the pixel, give or take the odd one of a halving.
      dx=$(((al + ar) - (area_left + area_right))) dy=$(((at + ab) - (area_top + area_bottom)))
      [ "${dx#-}" -le 2 ] && [ "${dy#-}" -le 2 ] \
        || problems+=("the about window opened the $time time at $al,$at-$ar,$ab, not in the middle of the work area")
      until_ok has_focus about_window || fail "the about window did not get the keyboard the $time time"
      if [ "$time" = first ]; then
        # The first link has the focus: Tab goes on to the box, Space ticks it.
        xdotool key Tab space
        ticked() { [ -f "$home/config/autostart/Zelvane.desktop" ]; }
        until_ok ticked || problems+=("Tab and Space in the about window did not tick its box")
      fi
      xdotool key Escape
      until_ok no_about || { problems+=("Escape did not close the about window"); break; }
    done
  fi
  stop_program
  stop_display
done

[ ${#problems[@]} -eq 0 ] || fail "$(printf '%s; ' "${problems[@]}")"
echo ok
