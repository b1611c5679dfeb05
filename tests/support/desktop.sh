# Sourced by the shell tests that run the real programs: a throwaway home the
# programs take for the user's, a virtual display with a tray on asking, and
# everything a test starts stopped when it ends.

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
conf=$home/config/Zelvapp/Zelvapp.conf

pids=()
cleanup() { local p; for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- program output"; cat "$home/zelvane.log" 2>/dev/null; exit 1; }
# Polls a condition every tenth of a second until it holds. The bound only ends
# a test that would otherwise hang; a machine busy with other tests may take
# many times longer than an idle one, so it is wide.
until_ok() { local end=$((SECONDS + 60)); until "$@"; do [ "$SECONDS" -lt "$end" ] || return 1; sleep 0.1; done; }

# A 1024x768 display; with "tray", a panel at the bottom right holding a tray.
start_display() {
  exec 3>"$home/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$home/xvfb.log" 2>&1 &
  xvfb=$! # for a test that takes the display away
  pids+=($xvfb)
  until_ok test -s "$home/display" || fail "Xvfb did not start"
  export DISPLAY=:$(cat "$home/display")
  [ "${1:-}" = tray ] || return 0
  trayer --edge bottom --align right --widthtype request --height 24 >"$home/trayer.log" 2>&1 &
  pids+=($!)
  until_ok xdotool search --name '^panel$' >/dev/null || fail "trayer did not start"
}

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
