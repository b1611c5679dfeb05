#!/bin/sh
# with_session_bus.sh [--notifications] [--keyring] PROGRAM [ARGS...]
# Runs a test on a session bus of its own, with the recording notification
# service and an unlocked secret store when asked. Exit 77 (skipped) when the
# bus or a service cannot be had here.
here=$(dirname "$0")
notifications= keyring=
while :; do
  case "$1" in
    --notifications) notifications=1; shift ;;
    --keyring) keyring=1; shift ;;
    *) break ;;
  esac
done
if ! command -v dbus-run-session >/dev/null; then
  echo "skipped: dbus-run-session is missing (package dbus)"; exit 77
fi
if [ -n "$keyring" ] && ! command -v gnome-keyring-daemon >/dev/null; then
  echo "skipped: gnome-keyring-daemon is missing (package gnome-keyring)"; exit 77
fi
if [ -n "$notifications" ] && ! /usr/bin/python3 -c 'import dbus, gi' 2>/dev/null; then
  echo "skipped: python3-dbus or python3-gi is missing"; exit 77
fi
# The bus and the keyring keep their sockets there.
[ -n "$XDG_RUNTIME_DIR" ] && mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export ZELVANE_TEST_NOTIFICATIONS=$notifications ZELVANE_TEST_KEYRING=$keyring HERE=$here
exec dbus-run-session -- sh -c '
  if [ -n "$ZELVANE_TEST_NOTIFICATIONS" ]; then
    export ZELVANE_NOTIFY_LOG=$(mktemp)
    /usr/bin/python3 "$HERE/notification_service.py" & service=$!
    trap "kill $service 2>/dev/null; rm -f $ZELVANE_NOTIFY_LOG" EXIT
  fi
  if [ -n "$ZELVANE_TEST_KEYRING" ]; then
    mkdir -p "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
    # A fresh login keyring with a known password, unlocked.
    printf test | gnome-keyring-daemon --daemonize --unlock --components=secrets >/dev/null
  fi
  "$@"
' sh "$@"
