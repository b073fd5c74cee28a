#!/usr/bin/env bash
# Builds and runs Stirwell. Arguments are passed on (for example
# --time-scale 60). Without a display it runs on a virtual one.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
bin="${STIRWELL_BUILD_DIR:-build}/src/app/stirwell"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display; running on a virtual display (Xvfb) with a private session bus"
  exec xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- "$bin" "$@"
fi
exec "$bin" "$@"
