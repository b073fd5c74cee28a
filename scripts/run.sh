#!/usr/bin/env bash
# Builds and runs Stirwell. Arguments are passed on (for example
# --time-scale 60). Without a display it shows a demonstration on a private
# virtual display: a short interval at a high time scale, one break through
# all its screens, a screenshot of each, the state changes as they happen.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
bin="$PWD/${STIRWELL_BUILD_DIR:-build}/src/app/stirwell"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin" "$@"
fi

echo "run: no display; a demonstration on a virtual display (Xvfb) with a private session bus"
demo=$(mktemp -d /tmp/stirwell-demo.XXXXXX)
shots="$demo/screenshots"
mkdir -p "$shots"
cat > "$demo/inner.sh" <<'INNER'
set -euo pipefail
demo=$1; shift
export HOME="$demo/home" XDG_CONFIG_HOME="$demo/config" XDG_DATA_HOME="$demo/data" \
       XDG_CACHE_HOME="$demo/cache" XDG_RUNTIME_DIR="$demo/run" XDG_SESSION_TYPE=x11
mkdir -p "$HOME" "$XDG_CONFIG_HOME/stirwell" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# Onboarding done, a one-minute interval; at 30x a break comes due in 2 s.
echo '{"onboardingCompleted": true, "intervalMinutes": 1, "breakDurationSeconds": 60, "calendarReadSystemStore": false}' \
  > "$XDG_CONFIG_HOME/stirwell/preferences.json"
exec dbus-run-session -- timeout 120 "$@"
INNER
status=0
xvfb-run -a -s "-screen 0 1280x800x24" bash "$demo/inner.sh" "$demo" "$bin" --time-scale 30 --print-states \
  --capture-dir "$shots" --exit-after-break "$@" 2> >(grep -v -e 'dbus-daemon' -e '^$' >&2) || status=$?
echo
echo "run: one break ran through its screens; screenshots are in $shots:"
ls -1 "$shots" | sed "s|^|  $shots/|"
exit "$status"
