#!/usr/bin/env bash
# scripts/demo as a newcomer runs it on a machine without a display: it shows
# the check's status lines as they change, saves a screenshot of the screen
# with the pop-ups and names it, and prints the e-mail.
#   demo.sh SOURCE BUILD
set -euo pipefail
src=$1 build=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in Xvfb trayer xdotool xprop import; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing (scripts/bootstrap installs it)"; exit 77; }
done

rm -f "$build/demo-screen.png"
# The demo dates its trips from today; a run across midnight may use either day.
days_before=$(date +%F)
env -u DISPLAY -u WAYLAND_DISPLAY BUILD_DIR="$build" "$src/scripts/demo" >"$tmp/out" 2>&1 \
  || { cat "$tmp/out"; fail "the demo failed"; }
out=$(cat "$tmp/out")
days_after=$(date +%F)
from() { LC_ALL=C date -d "$days_before +$1 days" "$2"; LC_ALL=C date -d "$days_after +$1 days" "$2"; }
either() { from "$1" "$2" | sort -u | paste -sd'|'; }
status() { grep -Eq "^[0-9]{2}:[0-9]{2}:[0-9]{2} +$1\$" <<<"$out" || { echo "$out"; fail "no status line '$1'"; }; }
status "Login Successful!"
status "Checking Itinerary #4 \(($(either 122 '+%a %-d'))\)"
status "Session completed\.\.\.See Results"
status "\(3\)Available and \(1\)Unavailable Results Found, Mail Sent"
# The searches the airline received are printed, the four-day watch's last date among them.
last=$(either 123 +%d/%m/%Y)
grep -Eq "^  BNE-CNS  ($last)  adults 1$" <<<"$out" || { echo "$out"; fail "the demo printed no searches"; }

shot=$(sed -n 's/^Screenshot of the screen with the pop-ups: //p' <<<"$out")
[ -n "$shot" ] || { echo "$out"; fail "the demo names no screenshot"; }
[ -f "$shot" ] || fail "the screenshot $shot is not there"
file -b "$shot" | grep -q '^PNG image data, 1280 x 800' || fail "$shot is no screen-sized PNG: $(file -b "$shot")"
# The bare screen with the tray icon packs into a few kilobytes; the pop-ups do not.
[ "$(stat -c %s "$shot")" -gt 20000 ] || fail "the screenshot holds hardly anything ($(stat -c %s "$shot") bytes)"
grep -q "^Subject: Your Frequent Flyer Results$" <<<"$out" || { echo "$out"; fail "the demo printed no e-mail"; }
echo ok
