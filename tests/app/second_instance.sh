#!/usr/bin/env bash
# A second copy of the real program, started without an argument while the first
# runs (that one started with an argument), shows its message and ends without
# reading or touching settings or files (the lock it looks at aside); the check
# command refuses too; with an
# argument a copy runs.
set -euo pipefail
exe=$1
check=$2
source "$(dirname "$0")/../support/desktop.sh"
need_tools Xvfb xdotool
start_display

# Stored details: the first copy starts in the tray without a window.
printf '[Settings]\nMemberNo=1234567\nLastName=Smith\nPin=0123\nAutostartup=0\n' >"$conf"

# However the first copy was started, it holds the lock.
"$exe" --again >"$home/first.log" 2>&1 &
pids+=($!); first=$!
for _ in $(seq 100); do [ -e "$home/run/Zelvane.lock" ] && break; sleep 0.1; done
[ -e "$home/run/Zelvane.lock" ] || { echo "first copy never took the lock"; exit 1; }
sleep 1
# An access time older than the last change: the next read of the file moves it.
touch -a -d @0 "$conf"
before=$(cd "$home" && find config data -type f ! -name Zelvane.lock -printf '%p %s %T@ %A@\n' | sort)

"$exe" >"$home/second.log" 2>&1 &
pids+=($!); second=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --pid "$second" | head -n1)
[ -n "$win" ] || { echo "no message window"; exit 1; }
title=$(xdotool getwindowname "$win")
[ "$title" = "Zelvane" ] || { echo "message title was '$title'"; exit 1; }
grep -q "Application already running" "$home/second.log" || { echo "message text missing"; cat "$home/second.log"; exit 1; }
xdotool windowfocus --sync "$win" key Return
for _ in $(seq 100); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$second" 2>/dev/null; then echo "second copy did not end"; exit 1; fi
set +e; wait "$second"; rc=$?; set -e
[ "$rc" -ne 0 ] || { echo "second copy ended as if it had run"; exit 1; }
after=$(cd "$home" && find config data -type f ! -name Zelvane.lock -printf '%p %s %T@ %A@\n' | sort)
[ "$before" = "$after" ] || { echo "second copy read or touched files:"; diff <(echo "$before") <(echo "$after"); exit 1; }
kill -0 "$first" || { echo "first copy died"; exit 1; }

# The check command must not run a session beside it.
set +e; "$check" >"$home/check.log" 2>&1; rc=$?; set -e
[ "$rc" -eq 2 ] || { echo "check command ran beside the tray program (status $rc)"; cat "$home/check.log"; exit 1; }
after=$(cd "$home" && find config data -type f ! -name Zelvane.lock -printf '%p %s %T@ %A@\n' | sort)
[ "$before" = "$after" ] || { echo "check command read or touched files:"; diff <(echo "$before") <(echo "$after"); exit 1; }

# With an argument the rule does not apply.
"$exe" --again >"$home/third.log" 2>&1 &
pids+=($!); third=$!
sleep 2
kill -0 "$third" || { echo "copy with an argument did not run"; cat "$home/third.log"; exit 1; }
echo "ok"
