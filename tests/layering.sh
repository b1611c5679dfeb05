#!/usr/bin/env bash
# Logic never includes a widget header: no file of zelvane_core may include a
# header of QtWidgets or QtPrintSupport.
set -euo pipefail
widgets_dir=$1; shift
print_dir=$1; shift
names=$( (ls "$widgets_dir"; ls "$print_dir") | grep -v '\.h$' | sort -u)
bad=0
for f in "$@"; do
  while read -r inc; do
    base=${inc##*/}
    if grep -qx "$base" <<<"$names" || [[ $inc == QtWidgets/* || $inc == QtPrintSupport/* ]]; then
      echo "$f includes <$inc>"; bad=1
    fi
  done < <(sed -nE 's/^\s*#\s*include\s*<([^>]+)>.*/\1/p' "$f")
done
exit $bad
