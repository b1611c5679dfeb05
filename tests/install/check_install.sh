#!/usr/bin/env bash
# Checks an installed Zelvane as a desktop, a user and a packager meet it.
#   check_install.sh SOURCE ROOT PREFIX
# ROOT is where the files lie (empty for a real install, the dpkg -x folder of
# a package); PREFIX is the prefix they were installed for.
set -euo pipefail
src=$1 root=$2 prefix=$3
dir=$root$prefix
id=example.zelvane.Zelvane
fail() { echo "FAIL: $*" >&2; exit 1; }

# Programs in lib/zelvane, relative links in bin/, city lists beside them.
for p in zelvane zelvane-check; do
  file -b "$dir/lib/zelvane/$p" | grep -q '^ELF.*executable' || fail "lib/zelvane/$p is not a program"
  [ -L "$dir/bin/$p" ] || fail "bin/$p is not a link"
  case $(readlink "$dir/bin/$p") in /*) fail "bin/$p is an absolute link: it breaks when the tree moves" ;; esac
  [ "$(readlink -f "$dir/bin/$p")" = "$(readlink -f "$dir/lib/zelvane/$p")" ] \
    || fail "bin/$p leads to $(readlink -f "$dir/bin/$p")"
  ! readelf -d "$dir/lib/zelvane/$p" | grep -Eq 'R(UN)?PATH' || fail "lib/zelvane/$p carries a library search path"
done
# The mail program the tray program starts for each mail, beside it and only there.
file -b "$dir/lib/zelvane/zelvane-mail" | grep -q '^ELF.*executable' || fail "lib/zelvane/zelvane-mail is not a program"
! readelf -d "$dir/lib/zelvane/zelvane-mail" | grep -Eq 'R(UN)?PATH' || fail "lib/zelvane/zelvane-mail carries a library search path"
for f in City.txt "City Code.txt"; do
  cmp -s "$src/data/$f" "$dir/lib/zelvane/$f" || fail "lib/zelvane/$f differs from the shipped list"
done

# Menu entry: valid, starting the installed link, with an icon that is there.
desktop=$dir/share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "desktop entry invalid"
grep -qx "Exec=$prefix/bin/zelvane" "$desktop" || fail "desktop entry does not start $prefix/bin/zelvane"
grep -qx "Icon=$id" "$desktop" || fail "desktop entry names another icon"
file -b "$dir/share/icons/hicolor/scalable/apps/$id.svg" | grep -q SVG || fail "icon is not an SVG"

# Software-centre metadata, valid and launching the menu entry above.
appstreamcli validate --no-net "$dir/share/metainfo/$id.metainfo.xml" >/dev/null \
  || { appstreamcli validate --no-net "$dir/share/metainfo/$id.metainfo.xml"; fail "metainfo invalid"; }
appstreamcli validate-tree --no-net "$dir" >/dev/null \
  || { appstreamcli validate-tree --no-net "$dir"; fail "metainfo does not match the installed tree"; }

# Timer for the headless check: not faster than the airline's login throttle.
units=$dir/lib/systemd/user
grep -qx "ExecStart=$prefix/bin/zelvane-check" "$units/zelvane-check.service" \
  || fail "service does not run $prefix/bin/zelvane-check"
every=$(sed -n 's/^OnUnitActiveSec=//p' "$units/zelvane-check.timer")
usec=$(systemd-analyze timespan "$every" | sed -n 's/^ *μs: //p')
[ -n "$usec" ] && [ "$usec" -ge 300000000 ] || fail "timer runs every '$every', under five minutes"
! grep -q '^\[Install\]' "$units/zelvane-check.service" || fail "the service would start on its own, not by its timer"

# Manuals render, and document every variable the code reads and every exit code.
render() { MANWIDTH=100 man -l "$dir/share/man/man1/$1.1.gz" 2>&1; }
section() { awk -v h="$2" '/^[A-Z]/ { on = ($0 == h) } on' <<<"$1"; }
main=$(render zelvane) check=$(render zelvane-check)
for page in "$main" "$check"; do
  for h in NAME SYNOPSIS DESCRIPTION FILES ENVIRONMENT "EXIT STATUS"; do
    grep -qx "$h" <<<"$page" || fail "a manual has no $h section"
  done
done
for v in $(grep -rhoE '"ZELVANE_[A-Z_]+"' "$src/src" | tr -d '"' | sort -u); do
  section "$main" ENVIRONMENT | grep -q "$v" || fail "zelvane(1) does not document $v"
done
codes=$(sed -n 's/^ *kExit[A-Za-z]* = \([0-9]*\),$/\1/p' "$src/src/programs/CheckConsole.h")
[ -n "$codes" ] || fail "no exit status of zelvane-check found in src/programs/CheckConsole.h"
for code in $codes; do
  section "$check" "EXIT STATUS" | grep -Eqx " +$code" || fail "zelvane-check(1) does not document exit status $code"
done
# The files' manual, in section 5, names every data file the programs write.
# Wide enough that no name is hyphenated at a line's end.
files=$(MANWIDTH=1000 man -l "$dir/share/man/man5/zelvane.5.gz" 2>&1)
grep -qx "THE WATCH LIST" <<<"$files" || fail "zelvane(5) has no THE WATCH LIST section"
while IFS= read -r name; do
  grep -qF "$name" <<<"$files" || fail "zelvane(5) does not name $name"
done < <(grep -rhoE 'k[A-Za-z]*File(Name)? = QStringLiteral\("[^"]+"\)' "$src/src" | sed 's/.*("\(.*\)")/\1/' | sort -u)

# The installed check command runs through its link.
# Read whole first: grep -q leaving early would break the pipe under the help.
help=$("$dir/bin/zelvane-check" --help) || fail "zelvane-check --help ended with status $?"
grep -q '^Usage: zelvane-check' <<<"$help" || fail "zelvane-check --help"
echo "installed tree under '$dir' is complete"
