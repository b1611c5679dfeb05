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
# The server is asked not to reset when its last client leaves: a reset while
# a client (the panel, say) is still connecting drops that client.
start_display() {
  # The server picks a free display and writes its number, then a newline.
  exec 3>"$home/display"
  Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp >"$home/xvfb.log" 2>&1 &
  pids+=($!)
  exec 3>&-
  until_ok grep -q '^[0-9][0-9]*$' "$home/display" || fail "Xvfb did not start: $(cat "$home/xvfb.log")"
  export DISPLAY=:$(cat "$home/display")
  [ "${1:-}" = tray ] || return 0
  trayer --edge bottom --align right --widthtype request --height 24 >"$home/trayer.log" 2>&1 &
  pids+=($!)
  until_ok xdotool search --name '^panel$' >/dev/null || fail "trayer did not start: $(cat "$home/trayer.log")"
}
