#!/usr/bin/env bash
# Installs the build into a throwaway prefix and uses it from there: the tree
# as a desktop sees it, the user units as systemd reads them, a first run of
# the installed check command by an ordinary user, whose data folder must be
# filled from the read-only program folder, and the autostart entry the tray
# program writes.
#   installed.sh SOURCE BUILD
set -euo pipefail
src=$1 build=$2
tmp=$(mktemp -d)
pid=
# Whatever the outcome, the tray program started below does not outlive the test.
cleanup() {
  [ -z "$pid" ] || { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; } || true
  chmod -R u+w "$tmp"; rm -rf "$tmp"
}
trap cleanup EXIT
chmod 755 "$tmp"
prefix=$tmp/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

"${CMAKE:-cmake}" --install "$build" --prefix "$prefix" >/dev/null
"$(dirname "$0")/check_install.sh" "$src" "" "$prefix"

mkdir -m 700 "$tmp/run"
XDG_RUNTIME_DIR=$tmp/run systemd-analyze verify --user --man=no \
  "$prefix/lib/systemd/user/zelvane-check.service" "$prefix/lib/systemd/user/zelvane-check.timer" \
  || fail "systemd rejects the user units"

# An ordinary user cannot write the installed folder (root writes anywhere,
# so root runs it as nobody). The servers are unreachable loopback ports.
chmod -R a-w "$prefix/lib/zelvane"
home=$tmp/home
mkdir -p "$home/run"
user=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R 65534:65534 "$home"
  user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
chmod 700 "$home/run"
# A simple command, not a function, so that a program started in the
# background is $! itself (env and setpriv hand their process on to it).
as_user=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=offscreen
         ZELVANE_AIRLINE_URL=https://127.0.0.1:9 ZELVANE_SITE_URL=http://127.0.0.1:9 "${user[@]}")

set +e
"${as_user[@]}" "$prefix/bin/zelvane-check" >"$tmp/check.out" 2>"$tmp/check.err"
rc=$?
set -e
# Nothing set up: the details are asked for first, and nothing is written.
[ "$rc" -eq 3 ] || { cat "$tmp/check.out" "$tmp/check.err"; fail "first run ended with $rc, not 3 (no member details)"; }
[ ! -e "$home/.config/Zelvapp/Zelvapp.conf" ] || fail "a run with nothing set up wrote settings"
# With member details, as the tray program stores them, the empty watch list is next.
mkdir -p "$home/.config/Zelvapp"
printf '[Settings]\nMemberNo=1234567\nLastName=Smith\nPin=1234\nMail=smith@example.com\n' \
  > "$home/.config/Zelvapp/Zelvapp.conf"
chown -R "$(stat -c %u:%g "$home/run")" "$home/.config"
set +e
"${as_user[@]}" "$prefix/bin/zelvane-check" >"$tmp/check.out" 2>"$tmp/check.err"
rc=$?
set -e
[ "$rc" -eq 4 ] || { cat "$tmp/check.out" "$tmp/check.err"; fail "second run ended with $rc, not 4 (empty watch list)"; }
for f in City.txt "City Code.txt"; do
  cmp -s "$prefix/lib/zelvane/$f" "$home/.local/share/Zelvane/$f" \
    || fail "the user's data folder was not filled with $f"
done
[ "$(ls "$prefix/lib/zelvane" | wc -l)" -eq 5 ] || fail "the run left files in the program folder"

# The tray program, started from the menu's link, enters that link for autostart.
"${as_user[@]}" "$prefix/bin/zelvane" >"$tmp/zelvane.log" 2>&1 &
pid=$!
entry=$home/.config/autostart/Zelvane.desktop
for _ in $(seq 300); do [ -s "$entry" ] && break; sleep 0.1; done
[ -s "$entry" ] || { cat "$tmp/zelvane.log"; fail "no autostart entry"; }
[ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$prefix/lib/zelvane/zelvane" ] \
  || fail "the process started is not the tray program: $(readlink "/proc/$pid/exe" 2>/dev/null)"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
kill -0 "$pid" 2>/dev/null && fail "the tray program outlived the test"
pid=
grep -qx "Exec=$prefix/bin/zelvane" "$entry" || fail "autostart runs $(grep ^Exec= "$entry")"
# Once the program is removed, the desktop skips the entry rather than failing at every log-in.
grep -qx "TryExec=$prefix/bin/zelvane" "$entry" || fail "the autostart entry has no TryExec for the program"
desktop-file-validate "$entry" || fail "the autostart entry is not a valid desktop entry"
echo ok
