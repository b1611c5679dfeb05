# Sourced by the shell tests that run the real programs: a throwaway home the
# programs take for the user's, a virtual display with a tray on asking, and
# everything a test starts stopped when it ends.

# A day N days ahead, as the watch list writes it: the airline searches no
# day gone and none more than a year ahead, so the tests' trips move with the clock.
day() { date -d "+$1 days" +%d/%m/%Y; }

# Skips the test (status 77) where a tool it drives is missing.
need_tools() {
  local tool
  for tool; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/bootstrap installs it)"; exit 77; }
  done
}

home=${ZELVANE_TEST_HOME:-$(mktemp -d)}
rm -rf "$home"; mkdir -p "$home/config/Zelvapp" "$home/data" "$home/run" "$home/program"
chmod 700 "$home/run"
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home/run
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY
# The tests' own few fonts, whatever else is installed (fonts.conf).
export FONTCONFIG_FILE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/fonts.conf
[ -f /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf ] \
  || { echo "SKIP: fonts-dejavu-core is not installed (scripts/bootstrap installs it)"; exit 77; }
conf=$home/config/Zelvapp/Zelvapp.conf

pids=()
# The processes still running that were started from this test: they carry
# its home. Read in this shell, so no helper process is counted.
left_running() {
  local f pid var
  for f in /proc/[0-9]*/environ; do
    pid=${f#/proc/}; pid=${pid%/environ}
    [ "$pid" != "$$" ] || continue
    { while IFS= read -r -d '' var; do
      [ "$var" = "HOME=$home" ] && { echo "$pid $(tr '\0' ' ' <"/proc/$pid/cmdline")"; break; }
    done <"$f"; } 2>/dev/null || true # gone meanwhile
  done
}
# Everything the test started ends with it, and has ended before the test
# does: a process still writing into the home would keep the next run from
# clearing it. One that outlives its killing fails the test.
cleanup() {
  local status=$? p survivors
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  survivors=$(left_running)
  if [ -n "$survivors" ]; then
    echo "FAIL: still running after the test:"; echo "$survivors"
    for p in $(cut -d' ' -f1 <<<"$survivors"); do kill -9 "$p" 2>/dev/null || true; done
    [ "$status" -ne 0 ] || status=1
  fi
  exit "$status"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- program output"; cat "$home/zelvane.log" 2>/dev/null; exit 1; }
# Polls a condition every tenth of a second until it holds. The bound only ends
# a test that would otherwise hang; a machine busy with other tests may take
# many times longer than an idle one, so it is wide.
until_ok() { local end=$((SECONDS + 60)); until "$@"; do [ "$SECONDS" -lt "$end" ] || return 1; sleep 0.1; done; }

# The airline's simulator on a free port, playing $home/scenario.json; its
# address in $base, its requests in $home/requests.jsonl.
start_sitesim() {
  "$sitesim" --scenario "$home/scenario.json" --port 0 --port-file "$home/port" \
    --log "$home/requests.jsonl" >"$home/sitesim.out" 2>&1 &
  pids+=($!)
  until_ok test -s "$home/port" || fail "the simulator did not start"
  base=http://127.0.0.1:$(cat "$home/port")
}

# $window has drawn what the keys changed: two shots of it in a row alike.
until_drawn() {
  local previous= now
  for _ in $(seq 50); do
    import -window "$window" "$home/frame.png"
    now=$(md5sum <"$home/frame.png")
    [ "$now" = "$previous" ] && return 0
    previous=$now
    sleep 0.1
  done
}

# A virtual display, 1024x768 unless a size (1366x768) is given. With "wm" a
# window manager places and focuses the windows; with "tray" a panel at the
# bottom right holds a tray, 24 pixels high unless "panel=40" says otherwise
# ("edge=top" or "edge=right" puts it at the top right or the bottom of the
# right edge), and reserves its room, which the window manager takes off the
# work area.
# The server is asked not to reset when its last client leaves: a reset while
# a client (the panel, say) is still connecting drops that client.
start_display() {
  local size=1024x768 tray= wm= panel=24 edge=bottom align=right arg
  for arg; do
    case $arg in
      tray) tray=1 ;;
      wm) wm=1 ;;
      panel=*) panel=${arg#panel=} ;;
      edge=*) edge=${arg#edge=} ;;
      *x*) size=$arg ;;
    esac
  done
  display_pids=()
  # The server picks a free display and writes its number, then a newline.
  exec 3>"$home/display"
  Xvfb -displayfd 3 -noreset -screen 0 "${size}x24" -nolisten tcp >"$home/xvfb.log" 2>&1 &
  xvfb=$! # for a test that takes the display away
  pids+=($xvfb); display_pids+=($xvfb)
  exec 3>&-
  until_ok grep -q '^[0-9][0-9]*$' "$home/display" || fail "Xvfb did not start: $(cat "$home/xvfb.log")"
  export DISPLAY=:$(cat "$home/display")
  if [ -n "$wm" ]; then
    openbox >"$home/openbox.log" 2>&1 &
    pids+=($!); display_pids+=($!)
    wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
    until_ok wm_running || fail "openbox did not start: $(cat "$home/openbox.log")"
  fi
  [ -n "$tray" ] || return 0
  case $edge in left|right) align=bottom ;; esac
  start_panel() {
    trayer --edge "$edge" --align "$align" --widthtype request --height "$panel" --SetPartialStrut true \
      >"$home/trayer.log" 2>&1 &
    panel_pid=$!
    pids+=($panel_pid); display_pids+=($panel_pid)
    until_ok xdotool search --name '^panel$' >/dev/null || fail "trayer did not start: $(cat "$home/trayer.log")"
  }
  start_panel
  [ -n "$wm" ] || return 0
  # The window manager takes the panel's room off the work area. A panel
  # mapped while it was still starting can go unseen by it: started again, it
  # is seen.
  local again
  for again in 1 2 3; do
    until_within 10 panel_kept && return 0
    kill "$panel_pid" 2>/dev/null; wait "$panel_pid" 2>/dev/null || true
    start_panel
  done
  fail "the panel took no room off the work area: $(xprop -root _NET_WORKAREA)"
}
# The work area of the first desktop, as the window manager says it: left top width height.
work_area() { xprop -root _NET_WORKAREA | grep -o '= [0-9, ]*' | tr -d '=,' | cut -d' ' -f2-5; }
panel_kept() { [ -n "$(work_area)" ] && [ "$(work_area | cut -d' ' -f3,4 | tr ' ' x)" != "$(xdpyinfo 2>/dev/null | sed -n 's/^ *dimensions: *\([0-9x]*\) pixels.*/\1/p')" ]; }
until_within() { local end=$((SECONDS + $1)); shift; until "$@"; do [ "$SECONDS" -lt "$end" ] || return 1; sleep 0.1; done; }
# Ends the display and what start_display started with it.
stop_display() {
  local p
  for p in "${display_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${display_pids[@]}"; do wait "$p" 2>/dev/null || true; done
  display_pids=()
}

# The windows xdotool's search finds for ARGS, an id a line. A window that goes
# while xdotool walks the tree ends it with an X error and nothing found, which
# is not "no such window": the search is asked again.
find_windows() {
  local out try
  for try in 1 2 3 4 5 6 7 8 9 10; do
    out=$(xdotool search "$@" 2>&1) || true
    grep -q 'X Error' <<<"$out" || break
  done
  grep -x '[0-9][0-9]*' <<<"$out" || true
}

# The visible windows of process PID named NAME whose width lies between MIN
# and MAX: pop-ups, menu and main window differ in size, and the title alone
# does not tell them apart from the tray icon's own window.
windows_of() {
  local pid=$1 name=$2 min=$3 max=$4 w geometry
  # --all: of that process and so named; by itself xdotool takes either.
  for w in $(find_windows --all --onlyvisible --pid "$pid" --name "$name"); do
    geometry=$(xdotool getwindowgeometry --shell "$w" 2>/dev/null) || continue # gone meanwhile
    eval "$geometry"
    [ "$WIDTH" -ge "$min" ] && [ "$WIDTH" -le "$max" ] && echo "$w"
  done
  return 0
}

# Stored details open every panel; no interval chosen, so no check runs.
store_details() { printf '[Settings]\nMemberNo=1234567\nLastName=Smith\nPin=0123\nAutostartup=0\n' >"$conf"; }

# The copy in $home/program started in the background with NAME=value pairs
# added to its environment (the airline and the product's site a closed port
# unless given); its pid in $zelvane, what it prints in $home/zelvane.log.
start_zelvane() {
  env ZELVANE_AIRLINE_URL=http://127.0.0.1:9 ZELVANE_SITE_URL=http://127.0.0.1:9 "$@" \
    "$home/program/zelvane" >"$home/zelvane.log" 2>&1 &
  zelvane=$!
  pids+=($zelvane)
}
icon_shown() { until_ok xdotool search --pid "$zelvane" >/dev/null || fail "the program never showed its tray icon${1:+ ($1)}"; }
main_window() { windows_of "$zelvane" '^Zelvane$' 600 5000 | grep .; }
menu_window() { windows_of "$zelvane" '^Zelvane$' 100 199 | grep .; }
about_window() { windows_of "$zelvane" '^Help / About Menu$' 200 599 | grep .; }

# The sessions a history file holds by itself, as a backup copying only that
# file finds them: read from a copy without its journal; 0 when none.
sessions_in_file_alone() {
  local copy
  copy=$(mktemp -d)
  cp "$1" "$copy/history.sqlite" 2>/dev/null || true
  sessions_in "$copy/history.sqlite"
  rm -rf "$copy"
}
# The sessions a history holds, journal included, as the program reads it.
sessions_in() {
  python3 - "$1" <<'PY'
import sqlite3, sys
try:
    db = sqlite3.connect("file:" + sys.argv[1] + "?mode=ro", uri=True)
    print(db.execute("SELECT count(*) FROM sessions").fetchone()[0])
except sqlite3.Error:
    print(0)
PY
}

# The outer rectangle of a window, frame included: left top right bottom
# (exclusive). X and Y are the client's; a window manager's frame adds to each side.
# Nothing, and false, for a window that has gone meanwhile.
edges() {
  local w=$1 frame geometry
  geometry=$(xdotool getwindowgeometry --shell "$w" 2>/dev/null) || return 1
  eval "$geometry"
  frame=$(xprop -id "$w" _NET_FRAME_EXTENTS 2>/dev/null | grep -o '[0-9, ]*$' | tr -d ' ') || true
  IFS=, read -r fl fr ft fb <<<"${frame:-0,0,0,0}"
  echo $((X - ${fl:-0})) $((Y - ${ft:-0})) $((X + WIDTH + ${fr:-0})) $((Y + HEIGHT + ${fb:-0}))
}
