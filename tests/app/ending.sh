#!/usr/bin/env bash
# How the real program ends where no window of its own is involved:
#  - `zelvane --help` and `--version` print and end, without a display and
#    without starting a running copy; so does an argument it does not know,
#    with a usage line and status 64;
#  - told to stop (SIGTERM at log-off, SIGHUP, Ctrl+C) the running program
#    saves its settings and its watch list first, and gives up its lock.
set -euo pipefail
exe=$1
source "$(dirname "$0")/../support/desktop.sh"
need_tools Xvfb trayer xdotool
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
[ -z "$(find "$home/run" "$home/config/Zelvapp" -mindepth 1)" ] || fail "--help, --version or a wrong argument took the lock or wrote settings"

start_display tray

for sig in TERM HUP INT; do
  # Stored details without the keys the program writes itself, and a watch
  # list written by hand: both come back whole and in the program's own form.
  printf '[Settings]\nMemberNo=1234567\nLastName=Smith\nPin=0123\nAutostartup=0\n' >"$conf"
  printf '  Sydney;Perth;01/02/2028;Morning;SYD;PER  \n\nPerth;Darwin;03/01/2028;Evening;PER;DRW' >"$home/program/Query.txt"
  ZELVANE_AIRLINE_URL=http://127.0.0.1:9 ZELVANE_SITE_URL=http://127.0.0.1:9 \
    "$exe" >"$home/zelvane.log" 2>&1 &
  pid=$!
  pids+=($pid)
  until_ok test -e "$home/run/Zelvane.lock" || fail "the program never took its lock"
  until_ok xdotool search --pid "$pid" >/dev/null || fail "the program never showed its tray icon"
  kill -"$sig" "$pid"
  ended() { ! kill -0 "$pid" 2>/dev/null; }
  until_ok ended || fail "SIG$sig did not end the program"
  set +e; wait "$pid"; rc=$?; set -e
  [ "$rc" -eq 0 ] || fail "after SIG$sig the program ended with status $rc"
  for key in ProgDirectory strCurrTime TimeIndex LastLoginTime MailSendType; do
    grep -q "^$key=" "$conf" || fail "after SIG$sig the settings were not saved ($key missing)"
  done
  grep -q '^Pin=0123$' "$conf" || fail "after SIG$sig the PIN was not kept as typed"
  expected=$(printf 'Sydney;Perth;01/02/2028;Morning;SYD;PER\r\nPerth;Darwin;03/01/2028;Evening;PER;DRW\r\n')
  [ "$(cat "$home/program/Query.txt")" = "$expected" ] || fail "after SIG$sig the watch list was not saved"
  [ ! -e "$home/run/Zelvane.lock" ] || fail "after SIG$sig the lock was left behind"
done
echo ok
