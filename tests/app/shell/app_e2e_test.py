#!/usr/bin/env python3
"""The real Stirwell binary on a virtual X display with two screens (one
X screen per monitor, which Qt sees as two screens): a break covers both,
Ctrl+Alt+Q removes every panel, the skip challenge from the keyboard, the
quit guard, termination signals, a single instance, and the first-launch
window. Keys are sent with xdotool,
windows are inspected with xwininfo. Needs a session bus (run it inside
scripts/with-test-env.sh)."""
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
import unittest

BINARY = sys.argv.pop(1) if len(sys.argv) > 1 else "build/src/app/stirwell"
SCREENS = [(1280, 800), (1024, 768)]


class Display:
    def __init__(self):
        self.fd_read, fd_write = os.pipe()
        args = ["Xvfb", "-displayfd", str(fd_write), "-nolisten", "tcp"]
        for i, (w, h) in enumerate(SCREENS):
            args += ["-screen", str(i), f"{w}x{h}x24"]
        self.proc = subprocess.Popen(args, pass_fds=(fd_write,), stderr=subprocess.DEVNULL)
        os.close(fd_write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(self.fd_read, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        self.name = ":" + number.decode().strip()

    def close(self):
        self.proc.terminate()
        self.proc.wait(5)
        os.close(self.fd_read)

    def windows(self, title, screen):
        out = subprocess.run(["xwininfo", "-root", "-tree", "-display", f"{self.name}.{screen}"],
                             capture_output=True, text=True).stdout
        return [line.strip() for line in out.splitlines() if f'"{title}"' in line]

    def xdotool(self, *args, screen=0):
        env = dict(os.environ, DISPLAY=f"{self.name}.{screen}")
        return subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True, timeout=10)


class Stirwell:
    def __init__(self, display, home, prefs, *extra):
        self.home = home
        self.env = dict(os.environ, DISPLAY=display.name + ".0", HOME=home, XDG_CONFIG_HOME=f"{home}/config",
                        XDG_DATA_HOME=f"{home}/data", XDG_CACHE_HOME=f"{home}/cache",
                        XDG_RUNTIME_DIR=f"{home}/run", XDG_SESSION_TYPE="x11")
        os.makedirs(f"{home}/config/stirwell", exist_ok=True)
        os.makedirs(f"{home}/run", mode=0o700, exist_ok=True)
        if prefs is not None:
            with open(self.prefs_path, "w") as f:
                json.dump(prefs, f)
        self.lines = []
        self.proc = subprocess.Popen([BINARY, "--print-states", *extra], env=self.env, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True)
        threading.Thread(target=self._read, daemon=True).start()

    @property
    def prefs_path(self):
        return f"{self.home}/config/stirwell/preferences.json"

    def _read(self):
        for line in self.proc.stdout:
            self.lines.append(line.rstrip("\n"))

    def wait_for(self, text, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if any(text in line for line in self.lines):
                return True
            time.sleep(0.05)
        return False

    def run_again(self, *args):
        return subprocess.run([BINARY, *args], env=self.env, capture_output=True, text=True, timeout=15)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait(5)
        self.proc.stdout.close()


BREAK_SOON = {"onboardingCompleted": True, "intervalMinutes": 1, "calendarReadSystemStore": False}


def wait_until(predicate, timeout=5):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.05)
    return predicate()


class RealAppCase(unittest.TestCase):
    """A fresh two-screen display and home for each test; the application,
    once started into self.app, is stopped afterwards."""

    def setUp(self):
        self.display = Display()
        self.home = tempfile.mkdtemp(prefix="stirwell-e2e-")
        self.app = None

    def tearDown(self):
        if self.app:
            self.app.stop()
        self.display.close()
        shutil.rmtree(self.home, ignore_errors=True)


class AppTest(RealAppCase):
    def start(self, prefs=BREAK_SOON, scale="30"):
        self.app = Stirwell(self.display, self.home, prefs, "--time-scale", scale)
        self.assertTrue(self.app.wait_for("Stirwell is running", 15), self.app.lines)
        return self.app

    def panels(self):
        return [self.display.windows("Stirwell break", i) for i in range(len(SCREENS))]

    def test_break_covers_every_screen_and_the_emergency_shortcut_removes_them(self):
        app = self.start()
        self.assertTrue(app.wait_for("-> nudge", 40), app.lines)
        # One panel per screen, each as large as its screen.
        self.assertTrue(wait_until(lambda: all(len(p) == 1 for p in self.panels())), self.panels())
        for (w, h), found in zip(SCREENS, self.panels()):
            self.assertIn(f"{w}x{h}+0+0", found[0])

        # The quit guard refuses the user's quit during the break.
        refused = app.run_again("--quit")
        self.assertEqual(refused.returncode, 0)
        self.assertTrue(app.wait_for("quit refused", 5), app.lines)
        self.assertIsNone(app.proc.poll())
        window = self.display.xdotool("search", "--name", "Stirwell break").stdout.split()[0]
        self.display.xdotool("windowfocus", "--sync", window)
        self.display.xdotool("key", "ctrl+q")
        time.sleep(0.5)
        self.assertIsNone(app.proc.poll(), "Ctrl+Q during a break must be refused")

        # Ctrl+Alt+Q: the break is bypassed and every panel goes.
        self.display.xdotool("key", "ctrl+alt+q")
        self.assertTrue(app.wait_for("-> counting", 5), app.lines)
        self.assertTrue(wait_until(lambda: not any(self.panels())), self.panels())

        # While counting the user's quit is allowed.
        app.run_again("--quit")
        self.assertTrue(wait_until(lambda: app.proc.poll() is not None, 5))
        self.assertEqual(app.proc.returncode, 0)

    def test_the_skip_challenge_is_walked_with_the_keyboard(self):
        app = self.start()
        self.assertTrue(app.wait_for("-> nudge", 40), app.lines)
        self.assertTrue(wait_until(lambda: all(len(p) == 1 for p in self.panels())), self.panels())
        window = self.display.xdotool("search", "--name", "Stirwell break").stdout.split()[0]
        self.display.xdotool("windowfocus", "--sync", window)
        # The first skip of the day waits 8 s (under 0.3 s here) for its button.
        time.sleep(0.5)
        # Escape neither skips nor dismisses.
        self.display.xdotool("key", "Escape")
        time.sleep(0.3)
        self.assertFalse(app.wait_for("-> counting", 0), app.lines)
        # Tab goes Start, Snooze, then the skip button; Space presses it.
        self.display.xdotool("key", "Tab", "Tab", "Tab", "space")
        self.assertTrue(app.wait_for("-> counting", 5), app.lines)
        self.assertTrue(wait_until(lambda: not any(self.panels())), self.panels())

        # Skipped, not snoozed (both go back to counting).
        def skips():
            try:
                with open(app.prefs_path) as f:
                    return json.load(f).get("skipFrictionCount")
            except (OSError, ValueError):
                return None
        self.assertTrue(wait_until(lambda: skips() == 1), f"skips counted: {skips()}")

    def test_termination_signal_during_a_break_ends_promptly_with_files_intact(self):
        app = self.start()
        self.assertTrue(app.wait_for("-> nudge", 40), app.lines)
        app.proc.send_signal(signal.SIGTERM)
        self.assertTrue(wait_until(lambda: app.proc.poll() is not None, 3), "SIGTERM must end Stirwell")
        self.assertEqual(app.proc.returncode, 0)
        with open(app.prefs_path) as f:
            self.assertTrue(json.load(f)["onboardingCompleted"])

    def test_a_second_launch_brings_the_first_forward_and_exits(self):
        app = self.start(prefs={"onboardingCompleted": True, "calendarReadSystemStore": False}, scale="1")
        second = app.run_again()
        self.assertEqual(second.returncode, 0)
        self.assertIn("already running", second.stdout)
        self.assertIsNone(app.proc.poll())

    def test_first_launch_shows_a_window_that_completes_onboarding(self):
        app = self.start(prefs=None, scale="1")
        self.assertTrue(wait_until(lambda: self.display.windows("Welcome to Stirwell", 0), 10))
        window = self.display.xdotool("search", "--name", "Welcome to Stirwell").stdout.split()[0]
        self.display.xdotool("windowfocus", "--sync", window)
        self.display.xdotool("key", "Return")
        self.assertTrue(wait_until(lambda: not self.display.windows("Welcome to Stirwell", 0), 5))
        with open(app.prefs_path) as f:
            self.assertTrue(json.load(f)["onboardingCompleted"])


OPENBOX_RC = """<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <applications>
    <!-- An intruder that asks to stay above, as the break screens do. -->
    <application class="Xmessage"><layer>above</layer></application>
  </applications>
</openbox_config>
"""


class StackingTest(RealAppCase):
    """Under a window manager (openbox on the first screen) the break screen
    stays above other windows: a window that maps above it, takes the
    keyboard, or is raised later is covered again within two seconds."""

    def setUp(self):
        super().setUp()
        self.others = []
        rc = os.path.join(self.home, "openbox-rc.xml")
        with open(rc, "w") as f:
            f.write(OPENBOX_RC)
        env = dict(os.environ, DISPLAY=self.display.name + ".0")
        self.wm = subprocess.Popen(["openbox", "--sm-disable", "--config-file", rc], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.assertTrue(wait_until(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.xprop_root(
            "_NET_SUPPORTING_WM_CHECK"), 10), "openbox did not start")

    def tearDown(self):
        for proc in self.others:
            proc.kill()
            proc.wait(5)
        if self.app:
            self.app.stop()
            self.app = None
        self.wm.terminate()
        self.wm.wait(5)
        super().tearDown()

    def xprop_root(self, prop):
        return subprocess.run(["xprop", "-display", self.display.name + ".0", "-root", prop],
                              capture_output=True, text=True).stdout

    def stacking(self):
        """Client windows of the first screen, bottom to top."""
        out = self.xprop_root("_NET_CLIENT_LIST_STACKING")
        return [int(w, 16) for w in re.findall(r"0x[0-9a-fA-F]+", out)]

    def window_ids(self, *search):
        return [int(w) for w in self.display.xdotool("search", *search).stdout.split()]

    def break_is_on_top(self, panel, intruder):
        order = self.stacking()
        return panel in order and intruder in order and order.index(panel) > order.index(intruder)

    def test_break_screen_is_kept_above_windows_raised_over_it(self):
        self.app = Stirwell(self.display, self.home, BREAK_SOON, "--time-scale", "30")
        self.assertTrue(self.app.wait_for("Stirwell is running", 15), self.app.lines)
        self.assertTrue(self.app.wait_for("-> nudge", 40), self.app.lines)
        self.assertTrue(wait_until(lambda: self.window_ids("--name", "Stirwell break")), "no break screen")
        panel = self.window_ids("--name", "Stirwell break")[0]
        self.assertTrue(wait_until(lambda: panel in self.stacking(), 5), self.stacking())
        state = self.xprop_state(panel)
        self.assertIn("_NET_WM_STATE_ABOVE", state)
        self.assertIn("_NET_WM_STATE_FULLSCREEN", state)

        # A window of the same "above" layer maps on top and takes the keyboard.
        env = dict(os.environ, DISPLAY=self.display.name + ".0")
        self.others.append(subprocess.Popen(["xmessage", "-name", "intruder", "intruder"], env=env,
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        self.assertTrue(wait_until(lambda: self.window_ids("--class", "Xmessage"), 5), "xmessage did not map")
        intruder = self.window_ids("--class", "Xmessage")[0]
        self.assertTrue(wait_until(lambda: intruder in self.stacking(), 5))
        self.assertTrue(wait_until(lambda: self.break_is_on_top(panel, intruder), 2), self.stacking())

        # Raised again later, without taking the keyboard.
        for attempt in range(3):
            self.display.xdotool("windowraise", str(intruder))
            self.assertTrue(wait_until(lambda: self.break_is_on_top(panel, intruder), 2),
                            f"raise {attempt + 1}: {self.stacking()}")

        # Activated by the user: the break screen takes the keyboard back.
        self.display.xdotool("windowactivate", str(intruder))
        self.assertTrue(wait_until(lambda: self.break_is_on_top(panel, intruder), 2), self.stacking())
        self.assertTrue(wait_until(lambda: self.active_window() == panel, 2), hex(self.active_window()))

        # Once the break is over the break screen goes and leaves the rest.
        self.display.xdotool("key", "ctrl+alt+q")
        self.assertTrue(self.app.wait_for("-> counting", 5), self.app.lines)
        self.assertTrue(wait_until(lambda: panel not in self.stacking(), 5), self.stacking())
        self.assertIn(intruder, self.stacking())

    def xprop_state(self, window):
        return subprocess.run(["xprop", "-display", self.display.name + ".0", "-id", str(window), "_NET_WM_STATE"],
                              capture_output=True, text=True).stdout

    def active_window(self):
        found = re.findall(r"0x[0-9a-fA-F]+", self.xprop_root("_NET_ACTIVE_WINDOW"))
        return int(found[0], 16) if found else 0


class MomentsTest(RealAppCase):
    """--print-states stamps each state change and the first frame of the
    break screen on every screen, in milliseconds since start, for
    scripts/measure-app.sh."""

    def test_state_changes_and_first_frames_are_stamped(self):
        self.app = Stirwell(self.display, self.home, BREAK_SOON, "--time-scale", "30")
        self.assertTrue(self.app.wait_for("-> nudge", 40), self.app.lines)
        frames = lambda: [l for l in self.app.lines if "overlay first frame on" in l]
        self.assertTrue(wait_until(lambda: len(frames()) == len(SCREENS), 10), self.app.lines)

        def stamp(line):
            found = re.search(r"\[t=([0-9.]+) ms\]$", line)
            self.assertIsNotNone(found, line)
            return float(found.group(1))

        self.assertTrue(any(l.startswith("moments count from monotonic ") for l in self.app.lines), self.app.lines)
        running = stamp(next(l for l in self.app.lines if "Stirwell is running" in l))
        nudge = stamp(next(l for l in self.app.lines if "-> nudge" in l))
        self.assertLess(running, nudge)
        for i, (w, h) in enumerate(SCREENS):
            line = next((l for l in frames() if f"screen {i + 1} of {len(SCREENS)} " in l), None)
            self.assertIsNotNone(line, frames())
            self.assertIn(f" {w}x{h}+0+0 ", line)
            self.assertGreater(stamp(line), nudge)
        # Once per panel: later frames (the fade) print nothing.
        time.sleep(1)
        self.assertEqual(len(frames()), len(SCREENS), frames())


if __name__ == "__main__":
    unittest.main(verbosity=2)
