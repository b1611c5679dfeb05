#!/usr/bin/env bash
# The include rules between the folders of src/:
#  - logic never includes a widget header: no file of zelvane_core may include
#    a header of QtWidgets, QtPrintSupport or QtCharts (charts are widgets);
#  - src/app is the ground floor and includes from no other folder of src/;
#  - src/browser includes nothing of the engine, the alerts or the windows;
#  - src/history stands alone: the engine, the alerts and the windows read it;
#  - only src/programs joins everything, and nothing includes from it.
# Usage: layering.sh SRC_DIR WIDGETS_HEADERS PRINT_HEADERS CHARTS_HEADERS CORE_SOURCES...
set -euo pipefail
src=$1; shift
widgets_dir=$1; shift
print_dir=$1; shift
charts_dir=$1; shift
names=$( (ls "$widgets_dir"; ls "$print_dir"; ls "$charts_dir") | grep -v '\.h$' | sort -u)
bad=0

includes() { sed -nE 's/^\s*#\s*include\s*[<"]([^>"]+)[>"].*/\1/p' "$1"; }

for f in "$@"; do
  while read -r inc; do
    base=${inc##*/}
    if grep -qx "$base" <<<"$names" || [[ $inc == QtWidgets/* || $inc == QtPrintSupport/* || $inc == QtCharts/* ]]; then
      echo "$f includes <$inc>, a widget header"; bad=1
    fi
  done < <(sed -nE 's/^\s*#\s*include\s*<([^>]+)>.*/\1/p' "$f")
done

# folder: the folders of src/ it must not include from
declare -A forbidden=(
  [app]="itineraries browser engine notify net ui programs"
  [browser]="engine notify ui programs"
  [history]="app itineraries browser engine notify net ui programs"
  [itineraries]="programs" [engine]="programs" [notify]="programs" [net]="programs" [ui]="programs"
)
for folder in "${!forbidden[@]}"; do
  [ -d "$src/$folder" ] || continue
  while IFS= read -r -d '' f; do
    while read -r inc; do
      for above in ${forbidden[$folder]}; do
        if [[ $inc == "$above"/* ]]; then
          echo "${f#"$src"/} includes \"$inc\": $folder/ may not include from $above/"; bad=1
        fi
      done
    done < <(includes "$f")
  done < <(find "$src/$folder" \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
done
exit $bad
