#!/usr/bin/env bash
# The README's commands as a newcomer meets them after a clone: in a build
# folder where nothing was built yet, scripts/package builds what the package
# holds and makes a .deb that installs every file (it runs package.sh on it);
# then scripts/demo, whose programs are not all built yet, says it is building
# and how far it is, and keeps the compiler's lines to itself.
#   fresh_clone.sh SOURCE
set -euo pipefail
src=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export BUILD_DIR=$tmp/build

"$src/scripts/package" >"$tmp/package.out" 2>&1 \
  || { cat "$tmp/package.out"; fail "scripts/package failed in a fresh build folder"; }
deb=$(ls "$BUILD_DIR"/package/*.deb 2>/dev/null) || fail "scripts/package left no .deb in $BUILD_DIR/package"
grep -q "^package $(basename "$deb") is complete and lintian clean$" "$tmp/package.out" \
  || { cat "$tmp/package.out"; fail "the package was not checked"; }
grep -qx "built $deb" "$tmp/package.out" || fail "scripts/package does not name the package it built"

env -u DISPLAY -u WAYLAND_DISPLAY "$src/scripts/demo" >"$tmp/demo.out" 2>&1 \
  || { cat "$tmp/demo.out"; fail "scripts/demo failed in a fresh build folder"; }
# Only the bootstrap may speak before the announcement.
first=$(grep -v '^bootstrap' "$tmp/demo.out" | head -1)
[ "$first" = "Building Zelvane (first run, a few minutes)…" ] \
  || { cat "$tmp/demo.out"; fail "the demo's first build does not say so first"; }
! grep -Eq '^\[[0-9]+/[0-9]+\] |^-- |Building CXX|Linking CXX' "$tmp/demo.out" \
  || { cat "$tmp/demo.out"; fail "the demo shows the build's lines though the build went well"; }
# Minutes of building are not minutes of silence: every tenth of it is told.
progress=$(grep -E '^  [0-9]+% built$' "$tmp/demo.out" | tr -dc '0-9\n' | tr '\n' ' ')
[ "$progress" = "0 10 20 30 40 50 60 70 80 90 100 " ] \
  || { cat "$tmp/demo.out"; fail "the demo's build told its progress as: ${progress:-nothing}"; }
echo ok
