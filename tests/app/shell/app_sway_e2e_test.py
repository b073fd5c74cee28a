#!/usr/bin/env python3
"""The real Stirwell binary on Wayland: a headless sway with two outputs of
different sizes side by side, run as an unprivileged user (sway refuses to run
as root) with its own runtime directory, session bus and home. A break covers
each output with one full-screen panel, the skip challenge is walked through
with the keyboard, the keyboard starts a break that runs to its end,
Ctrl+Alt+Q removes every panel and restarts the countdown, the quit guard
refuses a quit during a break and allows it while counting, a termination
signal during a break ends the process with its files intact, and a tray host
that appears after launch gets Stirwell's item.

Windows are inspected with `swaymsg -t get_tree`, outputs are captured with
grim and keys are typed with wtype, all as the session's user.

Usage: app_sway_e2e_test.py STIRWELL_BINARY [unittest arguments]"""
import json
import os
import shutil
import signal
import subprocess
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
import sway_session  # noqa: E402
from sway_session import SESSION_USER, session_account, tail, wait_until  # noqa: E402

BINARY = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else "build/src/app/stirwell")
# Side by side, of different sizes, the second one not at the origin.
OUTPUTS = {"HEADLESS-1": (0, 0, 1280, 800), "HEADLESS-2": (1280, 0, 1024, 768)}
# A colour no break screen uses, so a capture of the bare desktop is told
# apart from one of a panel.
BACKGROUND = (255, 0, 255)
PANEL_TITLE = "Stirwell break"
# On sway 1.7 idle time comes from KDE's older idle protocol, whose first
# notice arrives after five real seconds without input, so a due break waits
# at most that long for a pause in typing (and never more than its three
# minutes, 12 s at this scale). A nudge lasts 8 s before the block, and a
# one-minute countdown 4 s.
TIME_SCALE = "15"
# The ring around the control that has the keyboard.
FOCUS_RING = (0x64, 0xd2, 0xff)
BREAK_SOON = {"onboardingCompleted": True, "intervalMinutes": 1, "calendarReadSystemStore": False}
TRAY_HOST = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sni_watcher.py")


def collect_lines(stream, into):
    """Appends each line of `stream` to `into`, in the background."""
    def read():
        for line in stream:
            into.append(line.rstrip("\n"))
    threading.Thread(target=read, daemon=True).start()


def read_ppm(data):
    """Width, height and RGB bytes of a binary PPM (P6, maxval 255)."""
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError(f"unexpected image header {fields}")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos + 1:pos + 1 + width * height * 3]


class SwaySession(sway_session.SwaySession):
    """Headless sway with the two outputs, a private session bus and a home
    for Stirwell's files, all owned by one user."""

    def __init__(self, account):
        super().__init__(account, outputs=OUTPUTS, background=BACKGROUND, session_bus=True)
        path = f"{self.home}/config/stirwell"
        os.makedirs(path)
        os.chown(path, self.uid, self.gid)

    def windows(self, title):
        """Every window titled `title` as (output name, rect, fullscreen mode, focused)."""
        found = []

        def walk(node, output):
            if node.get("type") == "output":
                output = node["name"]
            if node.get("pid") and node.get("name") == title:
                rect = node["rect"]
                found.append((output, (rect["x"], rect["y"], rect["width"], rect["height"]),
                              node.get("fullscreen_mode"), node.get("focused")))
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child, output)

        walk(self.swaymsg("get_tree"), None)
        return found

    def capture(self, output):
        """Output `output` as (width, height, RGB bytes)."""
        result = self.run("grim", "-t", "ppm", "-o", output, "-")
        if result.returncode != 0:
            raise RuntimeError(f"grim -o {output} failed: {result.stderr.decode(errors='replace')}")
        return read_ppm(result.stdout)

    def type_keys(self, *args):
        result = self.run("wtype", *args)
        if result.returncode != 0:
            raise RuntimeError(f"wtype {args} failed: {result.stderr.decode(errors='replace')}")


class Stirwell:
    """The application running in the session, with its printed states."""

    def __init__(self, session, prefs, *extra):
        self.session = session
        self.env = dict(session.env, QT_QPA_PLATFORM="wayland", XDG_SESSION_TYPE="wayland",
                        XDG_CURRENT_DESKTOP="sway")
        if prefs is not None:
            with open(self.prefs_path, "w") as f:
                json.dump(prefs, f)
            os.chown(self.prefs_path, session.uid, session.gid)
        self.log = f"{session.root}/stirwell.log"
        self.lines = []
        with open(self.log, "w") as log:
            self.proc = session.spawn([BINARY, "--print-states", *extra], self.env, stdout=subprocess.PIPE,
                                      stderr=log, text=True)
        collect_lines(self.proc.stdout, self.lines)

    @property
    def prefs_path(self):
        return f"{self.session.home}/config/stirwell/preferences.json"

    def count(self, text):
        return sum(text in line for line in list(self.lines))

    def wait_for(self, text, timeout=30, occurrence=1):
        return wait_until(lambda: self.count(text) >= occurrence or self.proc.poll() is not None, timeout) \
            and self.count(text) >= occurrence

    def run_again(self, *args):
        return self.session.run(BINARY, *args, timeout=15)

    def preference(self, key):
        try:
            with open(self.prefs_path) as f:
                return json.load(f).get(key)
        except (OSError, ValueError):
            return None

    def report(self):
        return (f"\n--- Stirwell output ---\n" + "\n".join(self.lines)
                + f"\n--- Stirwell log ---\n{tail(self.log)}"
                + f"\n--- sway log ---\n{tail(self.session.sway_log)}")


class SwayAppTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.account = session_account()
        if cls.account is None:
            raise unittest.SkipTest(f"not root and cannot create the unprivileged user {SESSION_USER}")
        for tool in ("sway", "swaymsg", "grim", "wtype", "dbus-daemon"):
            if not shutil.which(tool):
                raise RuntimeError(f"{tool} is not installed (scripts/setup.sh installs it)")

    def setUp(self):
        self.session = SwaySession(self.account)
        self.app = None

    def tearDown(self):
        if self.app and self.app.proc.poll() is None:
            self.app.proc.kill()
        self.session.close()
        if self.app:
            self.app.proc.stdout.close()

    def start(self, prefs=BREAK_SOON, scale=TIME_SCALE):
        self.app = Stirwell(self.session, prefs, "--time-scale", scale)
        self.assertTrue(self.app.wait_for("Stirwell is running", 15), self.app.report())
        return self.app

    def wait_for_state(self, state, timeout=40, occurrence=1):
        self.assertTrue(self.app.wait_for(f"-> {state}", timeout, occurrence),
                        f"no change to {state} (occurrence {occurrence}){self.app.report()}")

    def panels(self):
        return self.session.windows(PANEL_TITLE)

    def assert_one_panel_per_output(self):
        """One full-screen panel on each output, as large as that output."""
        def placed():
            panels = self.panels()
            return len(panels) == len(OUTPUTS) and {p[0] for p in panels} == set(OUTPUTS) \
                and all(p[1] == OUTPUTS[p[0]] and p[2] == 1 for p in panels)
        self.assertTrue(wait_until(placed, 10),
                        f"expected one full-screen panel per output {OUTPUTS}, got {self.panels()}{self.app.report()}")
        # The keyboard goes to a panel: the shortcut and the controls need it.
        self.assertTrue(wait_until(lambda: any(p[3] for p in self.panels()), 5),
                        f"no panel has the keyboard: {self.panels()}{self.app.report()}")

    def assert_panels_gone(self):
        self.assertTrue(wait_until(lambda: not self.panels(), 5),
                        f"panels left after the break ended: {self.panels()}{self.app.report()}")

    def assert_break_screen_shown(self, output):
        """The output shows a break screen, not the desktop: dark, no
        background colour, and something drawn on it (text, buttons)."""
        def stats():
            width, height, rgb = self.session.capture(output)
            pixels = width * height
            step = 3 * 7  # every 7th pixel is plenty
            samples = [tuple(rgb[i:i + 3]) for i in range(0, len(rgb) - 2, step)]
            background = sum(s == BACKGROUND for s in samples) / len(samples)
            mean = sum(sum(s) for s in samples) / (3 * len(samples))
            bright = sum(min(s) > 200 for s in samples) / len(samples)
            return (width, height), pixels, background, mean, bright

        def shown():
            size, _, background, mean, bright = stats()
            return size == OUTPUTS[output][2:] and background < 0.001 and mean < 60 and bright > 0.0005

        # The panel fades in over 1.5 s.
        self.assertTrue(wait_until(shown, 8), f"{output} does not show a break screen: size, pixels, "
                                               f"background share, mean, bright share = {stats()}{self.app.report()}")

    def pixels_near(self, output, colour, tolerance=24):
        _, _, rgb = self.session.capture(output)
        r, g, b = colour
        return sum(abs(rgb[i] - r) <= tolerance and abs(rgb[i + 1] - g) <= tolerance
                   and abs(rgb[i + 2] - b) <= tolerance for i in range(0, len(rgb) - 2, 3))

    def test_break_covers_each_output_and_the_keyboard_walks_the_skip_challenge(self):
        app = self.start()
        self.wait_for_state("nudge")
        self.assert_one_panel_per_output()
        for output in OUTPUTS:
            self.assert_break_screen_shown(output)

        # Escape neither skips nor dismisses.
        self.session.type_keys("-k", "Escape")
        time.sleep(0.5)
        self.assertEqual(app.count("-> counting"), 0, app.report())
        self.assertEqual(len(self.panels()), len(OUTPUTS))

        # Today's first skip: after an 8 s wait, a single button. Tab goes
        # Start, Snooze, then the skip button; Space presses it.
        self.wait_out_skip_wait(8)
        self.session.type_keys("-k", "Tab", "-k", "Tab", "-k", "Tab")
        # The focus is visible: a ring on the panel that has the keyboard only.
        focused = [p[0] for p in self.panels() if p[3]]
        self.assertTrue(wait_until(lambda: self.pixels_near(focused[0], FOCUS_RING) > 100, 3),
                        f"no focus ring on {focused}: {self.pixels_near(focused[0], FOCUS_RING)} pixels")
        for output in set(OUTPUTS) - set(focused):
            self.assertLess(self.pixels_near(output, FOCUS_RING), 20, output)
        self.session.type_keys("-k", "space")
        self.wait_for_state("counting", 5)
        self.assert_panels_gone()
        self.assert_skips_counted(1)

        # The second asks to type a phrase after a 12 s wait: Tab to the
        # field, type, Return.
        self.wait_for_state("nudge", 40, occurrence=2)
        self.assert_one_panel_per_output()
        self.wait_out_skip_wait(12)
        self.session.type_keys("-k", "Tab", "-k", "Tab", "-k", "Tab", "skip", "-k", "Return")
        self.wait_for_state("counting", 5, occurrence=2)
        self.assert_panels_gone()
        self.assert_skips_counted(2)

    @staticmethod
    def wait_out_skip_wait(seconds):
        """The skip controls appear after `seconds` of Stirwell time."""
        time.sleep(seconds / float(TIME_SCALE) + 0.5)

    def assert_skips_counted(self, skips):
        """The break was skipped (Snooze also goes back to counting)."""
        self.assertTrue(wait_until(lambda: self.app.preference("skipFrictionCount") == skips, 5),
                        f"skips counted: {self.app.preference('skipFrictionCount')}, expected {skips}; "
                        f"snoozes left: {self.app.preference('snoozeBudgetRemaining')}{self.app.report()}")

    def test_the_keyboard_starts_the_break_which_runs_to_its_end(self):
        self.start()
        self.wait_for_state("nudge")
        self.assert_one_panel_per_output()
        # Tab to Start, Return presses it.
        self.session.type_keys("-k", "Tab", "-k", "Return")
        self.wait_for_state("breakActive", 5)
        self.assert_one_panel_per_output()
        self.wait_for_state("completed", 60)
        self.wait_for_state("counting", 10)
        self.assert_panels_gone()

    def test_emergency_shortcut_removes_every_panel_and_the_quit_guard_follows_the_break(self):
        app = self.start()
        self.wait_for_state("nudge")
        self.assert_one_panel_per_output()

        # Quitting is refused during the break: a second launch's --quit and Ctrl+Q.
        refused = app.run_again("--quit")
        self.assertEqual(refused.returncode, 0, refused)
        self.assertTrue(app.wait_for("quit refused", 5), app.report())
        self.session.type_keys("-M", "ctrl", "q", "-m", "ctrl")
        time.sleep(0.5)
        self.assertIsNone(app.proc.poll(), f"Ctrl+Q during a break must be refused{app.report()}")
        self.assertEqual(len(self.panels()), len(OUTPUTS))

        # Ctrl+Alt+Q: every panel goes and the countdown starts again.
        self.session.type_keys("-M", "ctrl", "-M", "alt", "q", "-m", "alt", "-m", "ctrl")
        self.wait_for_state("counting", 5)
        self.assert_panels_gone()
        self.wait_for_state("due", 20, occurrence=2)

        # While counting or waiting for a pause the quit is allowed. (A due
        # break refuses it, so ask again once it shows.)
        self.wait_for_state("nudge", 40, occurrence=2)
        self.assert_one_panel_per_output()
        self.session.type_keys("-M", "ctrl", "-M", "alt", "q", "-m", "alt", "-m", "ctrl")
        self.wait_for_state("counting", 5, occurrence=2)
        self.assert_panels_gone()
        allowed = app.run_again("--quit")
        self.assertEqual(allowed.returncode, 0, allowed)
        self.assertTrue(wait_until(lambda: app.proc.poll() is not None, 5), f"--quit while counting{app.report()}")
        self.assertEqual(app.proc.returncode, 0, app.report())

    def test_termination_signal_during_a_block_ends_promptly_with_files_intact(self):
        app = self.start()
        self.wait_for_state("softBlock", 60)
        self.assert_one_panel_per_output()
        app.proc.send_signal(signal.SIGTERM)
        self.assertTrue(wait_until(lambda: app.proc.poll() is not None, 3), f"SIGTERM must end Stirwell{app.report()}")
        self.assertEqual(app.proc.returncode, 0, app.report())
        with open(app.prefs_path) as f:
            prefs = json.load(f)
        self.assertTrue(prefs["onboardingCompleted"])
        self.assertEqual(prefs["intervalMinutes"], 1)

    def test_a_tray_host_that_appears_after_launch_gets_the_item(self):
        # Without a tray host Stirwell runs on; when one appears, the item
        # registers with it and can be read.
        app = self.start(prefs={"onboardingCompleted": True, "calendarReadSystemStore": False}, scale="1")
        time.sleep(1)
        self.assertIsNone(app.proc.poll(), app.report())
        host_lines = []
        # Debian's own Python has D-Bus bindings (python3-dbusmock brings
        # them) and is readable by the session's user.
        host = self.session.spawn(["/usr/bin/python3", TRAY_HOST], self.app.env, stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, text=True)
        collect_lines(host.stdout, host_lines)
        self.addCleanup(host.stdout.close)
        items = lambda: [json.loads(line) for line in list(host_lines) if line.startswith("{")]
        self.assertTrue(wait_until(lambda: items(), 10),
                        f"no item registered with the tray host: {host_lines}{app.report()}")
        item = items()[0]
        self.assertNotIn("error", item, item)
        self.assertTrue(item["ToolTip"][0].startswith("Stirwell"), item)
        self.assertTrue(item["IconPixmapSizes"], item)
        self.assertIsNone(app.proc.poll(), app.report())


if __name__ == "__main__":
    unittest.main(verbosity=2)
