#!/usr/bin/env bash
# The layering test must fail on each kind of break. Each is planted in a copy
# of src/ and layering.sh run on it; the real tree is never touched.
# Usage: layering_plants.sh LAYERING_SH SRC_DIR WIDGETS_HEADERS PRINT_HEADERS CHARTS_HEADERS CORE_SOURCES...
set -euo pipefail
check=$1; shift
src=$(cd "$1" && pwd); shift
headers=("$1" "$2" "$3"); shift 3
core=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0

plant() { # name, file under src/, line to add (or a new folder to make)
  local name=$1 file=$2 line=$3 copy="$work/src"
  rm -rf "$copy"; cp -r "$src" "$copy"
  mkdir -p "$(dirname "$copy/$file")"
  printf '%s\n' "$line" >>"$copy/$file"
  if "$check" "$copy" "${headers[@]}" "${core[@]/#$src/$copy}" >"$work/out" 2>&1; then
    echo "FAIL: the layering test passed with $name planted ($file: $line)"; fails=1
  else
    echo "ok: $name: $(head -n 1 "$work/out")"
  fi
}

plant "a widget header in logic" engine/Waits.cpp '#include <QPushButton>'
plant "a lower folder including a higher one" net/WebText.cpp '#include "engine/Waits.h"'
plant "an include reaching up through ../" history/HistorySql.h '#include "../notify/Push.h"'
plant "a logic folder including ui/" results/ResultPage.cpp '#include "ui/Skin.h"'
plant "a folder without a rule" extras/Extra.h '#include "app/Clock.h"'
plant "the ground floor including a folder" app/Clock.cpp '#include "history/HistoryStore.h"'
exit $fails
