#!/usr/bin/env bash
# Measures Stirwell while it counts in the tray: start-up time, memory (PSS)
# and processor time per hour, and wake-ups per second, on a private virtual
# display with a private session bus and temporary XDG directories. Measures
# twice: counting only, and counting after one break screen was shown.
#   scripts/measure-idle.sh [seconds per measurement, default 120, at most 500 so the snoozed break stays away]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-120}
bin="$PWD/${STIRWELL_BUILD_DIR:-build}/src/app/stirwell"
[ -x "$bin" ] || bash scripts/build.sh
work=$(mktemp -d /tmp/stirwell-measure.XXXXXX)
trap 'rm -rf "$work"' EXIT

cat > "$work/inner.sh" <<'INNER'
set -euo pipefail
work=$1 bin=$2 seconds=$3 mode=$4
export HOME="$work/$mode/home" XDG_CONFIG_HOME="$work/$mode/config" XDG_DATA_HOME="$work/$mode/data" \
       XDG_CACHE_HOME="$work/$mode/cache" XDG_RUNTIME_DIR="$work/$mode/run" XDG_SESSION_TYPE=x11
mkdir -p "$HOME" "$XDG_CONFIG_HOME/stirwell" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
if [ "$mode" = after-overlay ]; then
  # The first break comes after a one-minute interval; it is snoozed for ten
  # minutes, which leaves the measurement to the counting that follows.
  echo '{"onboardingCompleted": true, "intervalMinutes": 1, "calendarReadSystemStore": false}' \
    > "$XDG_CONFIG_HOME/stirwell/preferences.json"
else
  echo '{"onboardingCompleted": true, "calendarReadSystemStore": false}' > "$XDG_CONFIG_HOME/stirwell/preferences.json"
fi
start=$(date +%s.%N)
"$bin" --print-states > "$work/$mode.log" 2>&1 &
pid=$!
for _ in $(seq 200); do grep -q "Stirwell is running" "$work/$mode.log" && break; sleep 0.05; done
ready=$(date +%s.%N)
if [ "$mode" = after-overlay ]; then
  for _ in $(seq 1200); do grep -q -- "-> nudge" "$work/$mode.log" && break; sleep 0.1; done
  sleep 2.5
  # The snooze button sits below the start button in the middle of the screen.
  xdotool mousemove 640 605 click 1
  for _ in $(seq 50); do grep -q -- "nudge -> counting" "$work/$mode.log" && break; sleep 0.1; done
  grep -q -- "nudge -> counting" "$work/$mode.log" || echo "measure: the break was not snoozed" >&2
fi
sleep 5
# Every thread of the process counts.
# Processor time of the whole process (threads that ended included) from
# /proc/PID/stat, in clock ticks; the main thread's from /proc/PID/schedstat;
# wake-ups are the main thread's context switches from /proc/PID/status.
ticks=$(getconf CLK_TCK)
cpu_all() { awk -v hz="$ticks" '{printf "%.0f", ($14 + $15) * 1e9 / hz}' "/proc/$pid/stat"; }
main_ns() { awk '{print $1}' "/proc/$pid/schedstat"; }
sw_all() { awk '/^voluntary_ctxt_switches|^nonvoluntary_ctxt_switches/ {s += $2} END {print s}' "/proc/$pid/status"; }
c0=$(cpu_all); m0=$(main_ns); w0=$(sw_all); t0=$(date +%s.%N)
sleep "$seconds"
c1=$(cpu_all); m1=$(main_ns); w1=$(sw_all); t1=$(date +%s.%N)
pss=$(awk '/^Pss:/ {print $2}' "/proc/$pid/smaps_rollup")
threads=$(ls /proc/$pid/task | wc -l)
kill -TERM "$pid"; wait "$pid" || true
awk -v mode="$mode" -v startup="$(echo "$ready - $start" | bc)" -v pss="$pss" -v c="$((c1 - c0))" -v m="$((m1 - m0))" -v w="$((w1 - w0))" \
    -v t="$(echo "$t1 - $t0" | bc)" -v threads="$threads" 'BEGIN {
  printf "%-14s start-up %.2f s  PSS %.1f MB  CPU %.2f s/hour (main thread %.2f)  wake-ups %.2f /s  threads %d  (over %.0f s)\n",
         mode, startup, pss / 1024, c / 1e9 / t * 3600, m / 1e9 / t * 3600, w / t, threads, t }'
INNER

for mode in counting after-overlay; do
  xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- bash "$work/inner.sh" "$work" "$bin" "$seconds" "$mode" \
    2> >(grep -v -e 'dbus-daemon' >&2)
done
