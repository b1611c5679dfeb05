#!/usr/bin/env bash
# Every name scripts/bootstrap installs is a real package that is installed
# here, and with all of them present it leaves apt alone (a name that is never
# "installed", such as a virtual one, would run apt on every test and demo).
#   bootstrap.sh SOURCE
set -euo pipefail
src=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

names=$("$src/scripts/bootstrap" --list)
[ -n "$names" ] || fail "bootstrap names no package"
for p in $names; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] \
    || fail "bootstrap names '$p', which is not an installed package here (${status:-unknown to dpkg})"
done

# apt and sudo that only say they were called.
mkdir "$tmp/bin"
for tool in apt-get apt sudo; do
  printf '#!/bin/sh\necho "%s $*" >>"%s/called"\nexit 1\n' "$tool" "$tmp" >"$tmp/bin/$tool"
  chmod +x "$tmp/bin/$tool"
done
PATH=$tmp/bin:$PATH "$src/scripts/bootstrap" >"$tmp/out" 2>&1 || { cat "$tmp/out"; fail "bootstrap failed with everything installed"; }
[ ! -e "$tmp/called" ] || fail "bootstrap ran $(cat "$tmp/called") with everything installed"
[ ! -s "$tmp/out" ] || fail "bootstrap said something with everything installed: $(cat "$tmp/out")"
echo ok
