#!/usr/bin/env bash
# The include rules between the folders of src/, a ladder with no cycle:
#   app  history  net  browser  itineraries  results  engine  notify  startup  ui  programs
# Each folder includes only the folders its rule names (all below it). A folder
# without a rule fails, so a new one must say where it stands. Includes written
# relative to the file ("../engine/X.h", "X.h") count for the folder they reach.
# Logic never includes a widget header: no file of zelvane_core may include a
# header of QtWidgets, QtPrintSupport or QtCharts (charts are widgets).
# Usage: layering.sh SRC_DIR WIDGETS_HEADERS PRINT_HEADERS CHARTS_HEADERS CORE_SOURCES...
set -euo pipefail
src=$(cd "$1" && pwd); shift
widgets_dir=$1; shift
print_dir=$1; shift
charts_dir=$1; shift
# Looked up in the shell itself: a process per include made the test, and the
# plants that run it six times, take minutes.
declare -A widget_header=()
while read -r name; do widget_header[$name]=1; done < <(ls "$widgets_dir" "$print_dir" "$charts_dir" | grep -v -e '\.h$' -e ':$' -e '^$')
bad=0

for f in "$@"; do
  while read -r inc; do
    base=${inc##*/}
    if [[ -v widget_header[$base] || $inc == QtWidgets/* || $inc == QtPrintSupport/* || $inc == QtCharts/* ]]; then
      echo "$f includes <$inc>, a widget header"; bad=1
    fi
  done < <(sed -nE 's/^\s*#\s*include\s*<([^>]+)>.*/\1/p' "$f")
done

# folder: the folders of src/ it may include from, besides itself
declare -A allowed=(
  [app]=""
  [history]=""
  [net]="app"
  [browser]="app net"
  [itineraries]="app"
  [results]="app history browser itineraries"
  [engine]="app history net browser itineraries results"
  [notify]="app history net browser itineraries results engine"
  [startup]="app history net browser itineraries results engine notify"
  [ui]="app history net browser itineraries results engine notify startup"
  [programs]="app history net browser itineraries results engine notify startup ui"
)

# PATH with its "." and ".." steps taken, into `normal`.
normalise() {
  local part parts=() IFS=/
  for part in $1; do
    case $part in
      ''|.) ;;
      ..) [ ${#parts[@]} -eq 0 ] || unset 'parts[-1]' ;;
      *) parts+=("$part") ;;
    esac
  done
  normal="/${parts[*]}"
}
# The folder of src/ an include reaches, into `to`: relative to the including
# file first, as the compiler looks, then from src/.
reached() {
  local file=$1 inc=$2 path
  normalise "${file%/*}/$inc"; path=$normal
  if [[ $inc == */* && ! -e $path ]]; then normalise "$src/$inc"; path=$normal; fi
  to=
  [[ $path == "$src"/*/* ]] || return 0
  path=${path#"$src"/}
  to=${path%%/*}
}

for dir in "$src"/*/; do
  folder=$(basename "$dir")
  if [[ ! -v allowed[$folder] ]]; then
    echo "src/$folder/ has no rule: say in tests/layering.sh which folders it may include"; bad=1
    continue
  fi
  while IFS= read -r -d '' f; do
    while read -r inc; do
      reached "$f" "$inc"
      [ -n "$to" ] && [ "$to" != "$folder" ] || continue
      if [[ " ${allowed[$folder]} " != *" $to "* ]]; then
        echo "${f#"$src"/} includes \"$inc\": $folder/ may not include from $to/"; bad=1
      fi
    done < <(sed -nE 's/^\s*#\s*include\s*"([^"]+)".*/\1/p' "$f")
  done < <(find "$dir" \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
done
exit $bad
