#!/usr/bin/env bash
# Measures the running application and prints one line per figure:
#   - start-up: process start to "tray ready" and to "Stirwell is running";
#   - break screen latency: the change to "nudge" to the first frame on every
#     screen (slowest, and each screen);
#   - while counting, over a window of SECONDS (default 600): memory (PSS),
#     processor time per hour (all threads, and the main thread) and wake-ups
#     per second, once counting only and once after a break screen was shown
#     and snoozed.
#
#   scripts/measure-app.sh [SECONDS] [counting|after-overlay]   (both by default)
#
# Each run has its own Xvfb with two X screens (1280x800 and 1024x768, which
# Qt sees as two screens), its own session bus with a stand-in tray host
# (python-dbusmock as org.kde.StatusNotifierWatcher), and temporary XDG
# directories; no window manager. The runs go one after the other: side by
# side the two processes would share the libraries' pages, and each one's
# PSS would count only half of them.
#
# The after-overlay run sets a one-minute interval; its first break is
# snoozed, which postpones it by ten minutes, so its window is at most
# 590 seconds whatever SECONDS says (the line says how long it was). In both
# runs the pointer moves a pixel every two minutes so that the session never
# looks idle for five minutes: an idle session would count as a natural break
# and, with the one-minute interval, bring the break back inside the window.
# The pointer moves over the bare root window, which Stirwell does not watch.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
case "$seconds" in '' | *[!0-9]*) echo "usage: $0 [seconds] [counting|after-overlay]" >&2; exit 2 ;; esac
bin="$PWD/${STIRWELL_BUILD_DIR:-build}/src/app/stirwell"
[ -x "$bin" ] || bash scripts/build.sh >&2
# The system's Python: python-dbusmock is installed for it.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
exec "$python" - "$bin" "$seconds" "${2:-}" <<'PY'
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import types

BIN, SECONDS = sys.argv[1], int(sys.argv[2])
MODES = sys.argv[3].split(",") if len(sys.argv) > 3 and sys.argv[3] else ["counting", "after-overlay"]
SCREENS = [(1280, 800), (1024, 768)]
SNOOZE_POSTPONEMENT = 600
AFTER_OVERLAY_MAX = SNOOZE_POSTPONEMENT - 10
STAMP = re.compile(r"\[t=([0-9.]+) ms\]")
TICKS = os.sysconf("SC_CLK_TCK")


def fail(run, message):
    print(f"measure ({run}): {message}", file=sys.stderr)


class Run:
    """One application on its own display, bus and directories."""

    def __init__(self, name, prefs):
        self.name = name
        self.root = tempfile.mkdtemp(prefix=f"stirwell-measure-{name}-")
        self.procs = []
        self.lines = []
        self.figures = {}
        self.error = None
        try:
            self.display = self._start_xvfb()
            self.bus = self._start_bus()
            self._start_tray_host()
        except BaseException:
            self.close()
            raise
        home = f"{self.root}/home"
        self.env = dict(os.environ, DISPLAY=f"{self.display}.0", HOME=home, XDG_CONFIG_HOME=f"{home}/config",
                        XDG_DATA_HOME=f"{home}/data", XDG_CACHE_HOME=f"{home}/cache",
                        XDG_STATE_HOME=f"{home}/state", XDG_RUNTIME_DIR=f"{self.root}/run",
                        XDG_SESSION_TYPE="x11", DBUS_SESSION_BUS_ADDRESS=self.bus)
        self.env.pop("WAYLAND_DISPLAY", None)
        os.makedirs(f"{home}/config/stirwell")
        os.makedirs(f"{self.root}/run", mode=0o700)
        with open(f"{home}/config/stirwell/preferences.json", "w") as f:
            json.dump(prefs, f)

    def _start_xvfb(self):
        read, write = os.pipe()
        args = ["Xvfb", "-displayfd", str(write), "-nolisten", "tcp"]
        for i, (w, h) in enumerate(SCREENS):
            args += ["-screen", str(i), f"{w}x{h}x24"]
        self.procs.append(subprocess.Popen(args, pass_fds=(write,), stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL))
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(read)
        return ":" + number.decode().strip()

    def _start_bus(self):
        proc = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.procs.append(proc)
        return proc.stdout.readline().strip()

    def _start_tray_host(self):
        env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus)
        name, path = "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher"
        self.procs.append(subprocess.Popen([sys.executable, "-m", "dbusmock", name, path, name], env=env,
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))

        def mock(method, *args):
            return subprocess.run(["gdbus", "call", "--session", "-d", name, "-o", path, "-m",
                                   f"org.freedesktop.DBus.Mock.{method}", name, *args],
                                  env=env, capture_output=True, text=True).returncode == 0

        deadline = time.monotonic() + 10
        while not mock("AddMethod", "RegisterStatusNotifierItem", "s", "", ""):
            if time.monotonic() > deadline:
                raise RuntimeError("the stand-in tray host did not start")
            time.sleep(0.05)
        mock("AddMethod", "RegisterStatusNotifierHost", "s", "", "")
        mock("AddProperty", "IsStatusNotifierHostRegistered", "<true>")
        mock("AddProperty", "ProtocolVersion", "<0>")
        mock("AddProperty", "RegisteredStatusNotifierItems", "@as []")

    def launch(self):
        self.launched_ms = time.monotonic() * 1000
        self.app = subprocess.Popen([BIN, "--print-states"], env=self.env, stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL, text=True)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.app.stdout:
            self.lines.append(line.rstrip("\n"))

    def line(self, text):
        return next((l for l in list(self.lines) if text in l), None)

    def wait_for(self, text, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.line(text)
            if found:
                return found
            if self.app.poll() is not None:
                return None
            time.sleep(0.02)
        return None

    def stamp(self, line):
        match = STAMP.search(line or "")
        return float(match.group(1)) if match else None

    def xdotool(self, *args, screen=0):
        return subprocess.run(["xdotool", *args], env=dict(self.env, DISPLAY=f"{self.display}.{screen}"),
                              capture_output=True, text=True, timeout=10)

    def startup(self):
        origin = self.wait_for("moments count from monotonic", 30)
        running = self.wait_for("Stirwell is running", 30)
        tray = self.wait_for("tray ready", 10)
        if not origin or not running:
            raise RuntimeError("the application did not start: " + " | ".join(self.lines[-5:]))
        # Stamps count from main(); the time before main() (loading the
        # libraries) is added from the launch moment on the same clock.
        before_main = float(origin.split()[4]) - self.launched_ms
        self.figures["before main"] = before_main
        self.figures["to running"] = before_main + self.stamp(running)
        if tray:
            self.figures["to tray"] = before_main + self.stamp(tray)
        else:
            fail(self.name, "no \"tray ready\" line: the tray item was not created")

    def show_and_snooze_break(self):
        nudge = self.wait_for("-> nudge", 120)
        if not nudge:
            raise RuntimeError("no break screen within two minutes")
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            frames = [l for l in list(self.lines) if "overlay first frame on" in l]
            if len(frames) >= len(SCREENS):
                break
            time.sleep(0.02)
        if len(frames) < len(SCREENS):
            fail(self.name, f"first frames on {len(frames)} of {len(SCREENS)} screens")
        changed = self.stamp(nudge)
        self.figures["overlay"] = [(l.split("overlay first frame on ")[1].split(" [t=")[0], self.stamp(l) - changed)
                                   for l in frames]
        # The snooze button appears once the screen has faded in; it sits
        # below the middle of the first screen.
        time.sleep(3)
        w, h = SCREENS[0]
        self.xdotool("mousemove", str(w // 2), str(h // 2 + 205), "click", "1")
        if not self.wait_for("nudge -> counting", 5):
            raise RuntimeError("the break screen was not snoozed")

    def keep_active(self):
        # A one-pixel pointer move every two minutes over the root window.
        x = 0
        while self.app.poll() is None and not self.stopping.wait(120):
            x ^= 1
            self.xdotool("mousemove", str(x), "0")

    def measure(self, seconds):
        pid = self.app.pid

        def read(path):
            with open(path) as f:
                return f.read()

        def sample():
            tasks = {}
            for tid in os.listdir(f"/proc/{pid}/task"):
                try:
                    run_ns = int(read(f"/proc/{pid}/task/{tid}/schedstat").split()[0])
                    status = read(f"/proc/{pid}/task/{tid}/status")
                except OSError:
                    continue
                switches = sum(int(l.split()[1]) for l in status.splitlines()
                               if l.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")))
                tasks[tid] = (run_ns, switches)
            stat = read(f"/proc/{pid}/stat").rsplit(")", 1)[1].split()
            return time.monotonic(), tasks, (int(stat[11]) + int(stat[12])) / TICKS

        t0, tasks0, total0 = sample()
        time.sleep(seconds)
        t1, tasks1, total1 = sample()
        rollup = read(f"/proc/{pid}/smaps_rollup").splitlines()
        pss = next(int(l.split()[1]) for l in rollup if l.startswith("Pss:"))
        rss = next(int(l.split()[1]) for l in rollup if l.startswith("Rss:"))
        span = t1 - t0
        main = str(pid)
        # Threads that ended inside the window are missing from the
        # per-thread sums; then the whole process comes from /proc/PID/stat,
        # which keeps their time too, in coarser clock ticks.
        ended = set(tasks0) - set(tasks1)
        all_ns = sum(v[0] - tasks0.get(tid, (0, 0))[0] for tid, v in tasks1.items())
        all_s = total1 - total0 if ended else all_ns / 1e9
        self.figures.update({
            "span": span, "pss": pss / 1024, "rss": rss / 1024, "threads": len(tasks1),
            "cpu all": all_s / span * 3600,
            "cpu main": (tasks1[main][0] - tasks0[main][0]) / 1e9 / span * 3600,
            "wake main": (tasks1[main][1] - tasks0[main][1]) / span,
            "wake all": sum(v[1] - tasks0.get(tid, (0, 0))[1] for tid, v in tasks1.items()) / span,
            "states": [l for l in self.lines if " state " in l],
        })

    def run(self, seconds, with_overlay):
        try:
            self.launch()
            self.startup()
            if with_overlay:
                self.show_and_snooze_break()
            self.stopping = threading.Event()
            threading.Thread(target=self.keep_active, daemon=True).start()
            time.sleep(2)
            self.state_lines_before = len([l for l in self.lines if " state " in l])
            self.measure(seconds)
            self.stopping.set()
            later = [l for l in self.lines if " state " in l][self.state_lines_before:]
            if later:
                fail(self.name, "state changes inside the window: " + "; ".join(later))
        except Exception as error:  # reported with the figures
            self.error = str(error)

    def close(self):
        if getattr(self, "app", None) and self.app.poll() is None:
            self.app.send_signal(signal.SIGTERM)
            try:
                self.app.wait(5)
            except subprocess.TimeoutExpired:
                self.app.kill()
        for proc in reversed(self.procs):
            proc.terminate()
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
        shutil.rmtree(self.root, ignore_errors=True)


def measured(name, prefs, seconds, with_overlay):
    """One run on a display made just before it: a display left alone for the
    length of another run would start this one with the user long idle, and
    the countdown waits while the user is away."""
    if name not in MODES:
        return types.SimpleNamespace(name=name, figures={}, error=None)
    run = Run(name, prefs)
    try:
        run.run(seconds, with_overlay)
    finally:
        run.close()
    return run


counting = measured("counting", {"onboardingCompleted": True, "calendarReadSystemStore": False}, SECONDS, False)
after = measured("after-overlay", {"onboardingCompleted": True, "intervalMinutes": 1, "calendarReadSystemStore": False},
                 min(SECONDS, AFTER_OVERLAY_MAX), True)

print(f"Stirwell {BIN} on Xvfb, two X screens {' + '.join(f'{w}x{h}' for w, h in SCREENS)}, no window manager")
for run in (counting, after):
    f = run.figures
    if "to tray" in f:
        print(f"start-up to tray ready ({run.name} run): {f['to tray']:.0f} ms "
              f"(of which before main() {f['before main']:.0f} ms)")
    if "to running" in f:
        print(f"start-up to \"Stirwell is running\" ({run.name} run): {f['to running']:.0f} ms")
if "overlay" in after.figures:
    latencies = after.figures["overlay"]
    slowest = max(ms for _, ms in latencies) if latencies else float("nan")
    print(f"break screen: nudge to first frame on every screen ({len(latencies)} of {len(SCREENS)}): {slowest:.0f} ms")
    for screen, ms in latencies:
        print(f"break screen: nudge to first frame on {screen}: {ms:.0f} ms")
for run, label in ((counting, "counting only"), (after, "counting after one break screen")):
    f = run.figures
    if "pss" not in f:
        continue
    window = f"over {f['span']:.0f} s"
    print(f"{label}: PSS {f['pss']:.1f} MB, RSS {f['rss']:.1f} MB ({f['threads']} threads)")
    print(f"{label}: CPU {f['cpu all']:.2f} s/hour all threads, {f['cpu main']:.2f} s/hour main thread ({window})")
    print(f"{label}: wake-ups {f['wake main']:.2f}/s main thread, {f['wake all']:.2f}/s all threads ({window})")
status = 0
for run in (counting, after):
    if run.error:
        print(f"measure ({run.name}) failed: {run.error}", file=sys.stderr)
        status = 1
sys.exit(status)
PY
