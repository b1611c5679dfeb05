#!/usr/bin/env bash
# The build itself keeps the ladder: a file of a folder is compiled as the
# build compiles that folder (its flags from compile_commands.json) with one
# include planted, from a folder of its own so no include relative to it can
# reach src/. An include of a higher folder, and a widget header in logic,
# must fail to compile; an include of a lower folder must compile.
# Usage: ladder_build.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
command -v python3 >/dev/null || { echo "python3 missing: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0

# compile FOLDER LINE: 0 when a file of FOLDER holding LINE compiles.
compile() {
  local folder=$1 line=$2
  printf '%s\n' "$line" >"$work/planted.cpp"
  python3 - "$build/compile_commands.json" "$folder" "$work/planted.cpp" >"$work/command" <<'PY'
import json, shlex, sys
entries, folder, planted = json.load(open(sys.argv[1])), sys.argv[2], sys.argv[3]
for e in entries:
    if f"/src/{folder}/" in e["file"] and e["file"].endswith(".cpp") and "_autogen" not in e["file"]:
        args = shlex.split(e["command"]) if "command" in e else e["arguments"]
        out = []
        skip = False
        for a in args:
            if skip:
                skip = False
                continue
            if a in ("-o", "-c"):
                skip = True
                continue
            if a == e["file"] or a.endswith("/" + e["file"].split("/src/", 1)[-1]):
                continue
            out.append(a)
        print(shlex.join(out + ["-fsyntax-only", planted]))
        break
PY
  [ -s "$work/command" ] || { echo "FAIL: no compile command for src/$folder"; return 2; }
  (cd "$build" && eval "$(cat "$work/command")") >"$work/out" 2>&1
}

expect() { # fail|build, what, folder, line
  local want=$1 what=$2 folder=$3 line=$4 got
  if compile "$folder" "$line"; then got=build; else got=fail; fi
  if [ "$got" = "$want" ]; then
    echo "ok: $what ($folder: $line): ${got}s"
  else
    echo "FAIL: $what ($folder: $line) ${got}s"; head -n 3 "$work/out"; fails=1
  fi
}

expect build "a folder below" engine '#include "results/Outcome.h"'
expect build "its own folder" engine '#include "engine/CheckEngine.h"'
expect fail "a lower folder including a higher one" engine '#include "notify/Outbox.h"'
expect fail "a logic folder including ui/" results '#include "ui/Skin.h"'
expect fail "the ground floor including a folder" app '#include "history/HistoryStore.h"'
expect fail "one rung up" itineraries '#include "results/Outcome.h"'
expect fail "a widget header in logic" engine '#include <QPushButton>'
expect fail "Qt GUI in logic" results '#include <QIcon>'
exit $fails
