#!/usr/bin/env bash
# Unpacks the Debian package into a throwaway root and checks it like an
# installed tree, plus what dpkg learns from its control file.
#   package.sh SOURCE BUILD [PACKAGE.deb]   (without a package, cpack makes one)
set -euo pipefail
src=$1 build=$2 deb=${3:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

if [ -z "$deb" ]; then
  "${CPACK:-cpack}" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 \
    || { cat "$tmp/cpack.log"; fail "cpack"; }
  deb=$(ls "$tmp"/out/*.deb)
fi

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = zelvane ] || fail "package name '$(field Package)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture '$(field Architecture)'"
# The dependencies come from the libraries the programs link (shlibdeps),
# and from the plugins that no program links, named by hand.
for lib in libqt6core6 libqt6widgets6 libqt6network6 libqt6charts6 libxml2 libqcoro6core0 libcurl4 \
           qt6-qpa-plugins libqt6sql6-sqlite; do
  field Depends | grep -q "\b$lib\b" || fail "Depends lacks $lib: $(field Depends)"
done

dpkg -x "$deb" "$tmp/root"
"$(dirname "$0")/check_install.sh" "$src" "$tmp/root" /usr
# Nothing outside /usr, and nothing in the package that is not checked above.
[ "$(ls -A "$tmp/root")" = usr ] || fail "the package installs outside /usr: $(ls -A "$tmp/root")"
expected="bin/zelvane bin/zelvane-check lib/systemd/user/zelvane-check.service
lib/systemd/user/zelvane-check.timer lib/zelvane/City Code.txt lib/zelvane/City.txt
lib/zelvane/zelvane lib/zelvane/zelvane-check lib/zelvane/zelvane-mail
share/applications/example.zelvane.Zelvane.desktop
share/doc/zelvane/changelog.Debian.gz share/doc/zelvane/copyright
share/icons/hicolor/scalable/apps/example.zelvane.Zelvane.svg share/lintian/overrides/zelvane
share/man/man1/zelvane-check.1.gz
share/man/man1/zelvane.1.gz share/man/man5/zelvane.5.gz share/metainfo/example.zelvane.Zelvane.metainfo.xml"
actual=$(cd "$tmp/root/usr" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort | paste -sd' ')
[ "$actual" = "$(echo $expected)" ] || fail "package files differ:
 expected: $(echo $expected)
 actual:   $actual"

# Debian's own checks of a package, errors and warnings alike.
command -v lintian >/dev/null || fail "lintian is not installed (scripts/bootstrap installs it)"
lintian --fail-on error,warning --display-info "$deb" >"$tmp/lintian.log" 2>&1 \
  || { cat "$tmp/lintian.log"; fail "lintian finds fault with the package"; }
echo "package $(basename "$deb") is complete and lintian clean"
