#!/usr/bin/env bash
# How the real program ends where no window of its own is involved:
#  - `zelvane --help` and `--version` print and end, without a display and
#    without starting a running copy; so does an argument it does not know,
#    with a usage line and status 64; with no display it says that one is
#    needed, points to zelvane-check and ends with status 69;
#  - told to stop (SIGTERM at log-off, SIGHUP, Ctrl+C) the running program
#    saves its settings and its watch list first, and gives up its lock;
#  - so it does when its display goes away (the X server ends under it);
#  - after a session, history.sqlite alone, copied without its journal as a
#    backup would copy it, holds that session.
set -euo pipefail
exe=$1 sitesim=$2
source "$(dirname "$0")/../support/desktop.sh"
need_tools Xvfb trayer xdotool python3
cp "$exe" "$home/program/"
exe=$home/program/zelvane

for arg in --help -h --version; do
  set +e; out=$(timeout 20 "$exe" "$arg" 2>&1); rc=$?; set -e
  [ "$rc" -eq 0 ] || fail "zelvane $arg without a display ended with status $rc: $out"
  case $arg in
    --version) grep -qE '^zelvane [0-9]+\.[0-9]+\.[0-9]+$' <<<"$out" || fail "zelvane --version printed: $out" ;;
    *) grep -q '^Usage: zelvane' <<<"$out" || fail "zelvane $arg printed: $out" ;;
  esac
done
# Asked in any order, with the toolkit's own options beside them; anything
# else is refused with the usage, before the toolkit would need a display.
while read -r expected_rc printed args; do
  set +e; out=$(timeout 20 "$exe" $args 2>&1); rc=$?; set -e
  [ "$rc" -eq "$expected_rc" ] || fail "zelvane $args without a display ended with status $rc: $out"
  case $printed in
    version) grep -qE '^zelvane [0-9]+\.[0-9]+\.[0-9]+$' <<<"$out" || fail "zelvane $args printed: $out" ;;
    *) grep -q '^Usage: zelvane' <<<"$out" || fail "zelvane $args printed: $out" ;;
  esac
done <<'ARGS'
0 usage --help --version
0 usage --version -h
0 version -platform offscreen --version
0 usage -style=Fusion --help
64 usage -help
64 usage --Help
64 usage -v
64 usage --bogus
64 usage --version extra
64 usage --help -platform
ARGS
# Started with no display at all, or one that is gone: it says what it needs
# and where to go instead, and ends with a status of its own.
for display in '' :77; do
  set +e; out=$(DISPLAY=$display timeout 20 "$exe" 2>&1); rc=$?; set -e
  [ "$rc" -eq 69 ] || fail "zelvane with DISPLAY='$display' ended with status $rc: $out"
  grep -q 'no display' <<<"$out" && grep -q 'zelvane-check' <<<"$out" && ! grep -q 'Reinstalling' <<<"$out" \
    || fail "zelvane with DISPLAY='$display' said: $out"
  # Its own words first, before anything the toolkit says about its plugins.
  [[ $out == "zelvane: there is no display"* ]] || fail "zelvane with DISPLAY='$display' began with: $out"
done
[ -z "$(find "$home/run" "$home/config/Zelvapp" -mindepth 1)" ] || fail "--help, --version, a wrong argument or no display took the lock or wrote settings"

# Stored details without the keys the program writes itself, and a watch list
# written by hand: both come back whole and in the program's own form.
# Days the airline searches whenever the test runs.
perth_day=$(date -d '+60 days' +%d/%m/%Y) darwin_day=$(date -d '+30 days' +%d/%m/%Y)
write_by_hand() {
  printf '[Settings]\nMemberNo=1234567\nLastName=Smith\nPin=0123\nAutostartup=0\nTimeHou=24\n' >"$conf"
  printf '  Sydney;Perth;%s;Morning;SYD;PER  \n\nPerth;Darwin;%s;Evening;PER;DRW' "$perth_day" "$darwin_day" >"$home/program/Query.txt"
}
saved() {
  local how=$1 key expected
  for key in ProgDirectory strCurrTime TimeIndex LastLoginTime MailSendType; do
    grep -q "^$key=" "$conf" || fail "after $how the settings were not saved ($key missing)"
  done
  grep -q '^Pin=0123$' "$conf" || fail "after $how the PIN was not kept as typed"
  expected=$(printf 'Sydney;Perth;%s;Morning;SYD;PER\r\nPerth;Darwin;%s;Evening;PER;DRW\r\n' "$perth_day" "$darwin_day")
  [ "$(cat "$home/program/Query.txt")" = "$expected" ] || fail "after $how the watch list was not saved"
  [ ! -e "$home/run/Zelvane.lock" ] || fail "after $how the lock was left behind"
}
# Starts the program against `$1` as the airline's and the product site.
start_program() {
  ZELVANE_AIRLINE_URL=$1 ZELVANE_SITE_URL=$1 ZELVANE_TIME_SCALE=0.05 "$exe" >"$home/zelvane.log" 2>&1 &
  pid=$!
  pids+=($pid)
  until_ok test -e "$home/run/Zelvane.lock" || fail "the program never took its lock"
  until_ok xdotool search --pid "$pid" >/dev/null || fail "the program never showed its tray icon"
}
ended() { ! kill -0 "$pid" 2>/dev/null; }

start_display tray

for sig in TERM HUP INT; do
  write_by_hand
  start_program http://127.0.0.1:9
  kill -"$sig" "$pid"
  until_ok ended || fail "SIG$sig did not end the program"
  set +e; wait "$pid"; rc=$?; set -e
  [ "$rc" -eq 0 ] || fail "after SIG$sig the program ended with status $rc"
  saved "SIG$sig"
done

# Sessions against the simulated site. The display goes first, while the
# history is new: its file is made after start-up, later than what ends the
# program.
echo '{"member": {"number": "1234567", "surname": "Smith", "pin": "0123"}}' >"$home/scenario.json"
start_sitesim
history=$home/program/history.sqlite
for end in display TERM; do
  [ -n "${xvfb:-}" ] || start_display tray
  write_by_hand
  before=$(sessions_in "$history")
  start_program "$base"
  # Its first session, which starts by itself, is in the history; the files
  # are as the user left them again, so only the end can save them.
  checked() { [ "$(sessions_in "$history")" -gt "$before" ]; }
  until_ok checked || fail "the program's session was never recorded"
  write_by_hand
  case $end in
    display) kill "$xvfb"; how="the display went away" ;;
    *) kill -"$end" "$pid"; how="SIG$end" ;;
  esac
  until_ok ended || fail "$how did not end the program"
  set +e; wait "$pid"; rc=$?; set -e
  if [ "$end" = display ]; then wait "$xvfb" || true; unset xvfb; fi
  saved "$how"
  alone=$(sessions_in_file_alone "$history")
  [ "$alone" -gt "$before" ] || fail "after $how history.sqlite alone holds $alone sessions, not the $((before + 1)) checked"
  [ "$rc" -eq 0 ] || fail "after $how the program ended with status $rc"
done
echo ok
