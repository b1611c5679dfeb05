#!/usr/bin/env bash
# One fuzz target as the test suite runs it: the same inputs on every run, so
# the suite turns red only when the code changed, never because a corpus grew
# since the last run. It starts from a fresh copy of the checked-in corpus
# (seeds and every past finding), with a fixed seed and number of runs, and
# writes nothing back into the source tree; scripts/fuzz is the one that
# explores.
#   suite_run.sh FUZZER CORPUS RUNS ARTIFACTS [libFuzzer options...]
# A crashing input is left in ARTIFACTS.
set -euo pipefail
fuzzer=$1 corpus=$2 runs=$3 artifacts=$4
shift 4

work=$(mktemp -d "${TMPDIR:-/tmp}/zelvane-fuzz-suite.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$artifacts"
cp -- "$corpus"/* "$work/corpus/"
# Qt seeds its hashes at random; a fixed order keeps the runs alike.
export QT_HASH_SEED=0
# No reload: new inputs are not read back at times that vary from run to run.
# A finding exits 1: libFuzzer's own 77 reads as "skipped" to this suite's tests.
"$fuzzer" -seed=1 -runs="$runs" -reload=0 -error_exitcode=1 "$@" -artifact_prefix="$artifacts/" \
  "$work/corpus"
