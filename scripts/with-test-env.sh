#!/usr/bin/env bash
# Runs a command inside the private test environment: fresh HOME and XDG
# directories, an Xvfb display and a private D-Bus session bus. Nothing of the
# user's own desktop session is reached.
set -euo pipefail

root=$(mktemp -d /tmp/stirwell-test.XXXXXX)
cleanup() {
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$root"
}
trap cleanup EXIT

export HOME="$root/home" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" \
       XDG_CACHE_HOME="$root/cache" XDG_STATE_HOME="$root/state" XDG_RUNTIME_DIR="$root/run"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
export XDG_SESSION_TYPE=x11

if command -v Xvfb >/dev/null; then
  # -displayfd lets Xvfb pick a free display number and tell us.
  exec 3<> "$root/displayfd"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >"$root/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    [ -s "$root/displayfd" ] && break
    sleep 0.1
  done
  export DISPLAY=":$(head -n1 "$root/displayfd" | tr -d '[:space:]')"
fi

exec dbus-run-session -- "$@"
