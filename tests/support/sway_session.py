#!/usr/bin/env python3
"""A headless sway 1.x session for tests, run as an unprivileged user (sway
refuses to run as root) with its own runtime directory and home, and a
virtual keyboard attached for the whole session.

As a program it runs one command inside such a session, as the session's
user, and exits with the command's status (77, a skip, when there is no user
to run the session as):

    sway_session.py COMMAND [ARGUMENTS...]

The command finds the compositor through WAYLAND_DISPLAY and SWAYSOCK, and
may type keys with `wtype`."""
import json
import os
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SESSION_USER = "stirwell-e2e"
SKIP = 77


def wait_until(predicate, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.05)
    return predicate()


def tail(path, lines=40):
    try:
        with open(path, errors="replace") as f:
            return "".join(f.readlines()[-lines:])
    except OSError as error:
        return f"({error})"


def session_account():
    """The user the session runs as: a dedicated system user when run as
    root (created once; it owns nothing but the test's temporary files),
    otherwise the current user. None when neither is possible."""
    if os.geteuid() != 0:
        entry = pwd.getpwuid(os.geteuid())
        return entry.pw_uid, entry.pw_gid
    try:
        entry = pwd.getpwnam(SESSION_USER)
    except KeyError:
        if not shutil.which("useradd"):
            return None
        created = subprocess.run(["useradd", "--system", "--user-group", "--no-create-home",
                                  "--home-dir", "/nonexistent", "--shell", "/usr/sbin/nologin", SESSION_USER],
                                 capture_output=True, text=True)
        # 9: created meanwhile by a concurrent run.
        if created.returncode not in (0, 9):
            raise RuntimeError(f"useradd {SESSION_USER} failed: {created.stderr}")
        entry = pwd.getpwnam(SESSION_USER)
    return entry.pw_uid, entry.pw_gid


class SwaySession:
    """Headless sway with a keyboard, owned by one user; by default one
    output. `outputs` maps output names to (x, y, width, height), placed so;
    `background` is an RGB colour for every output; `session_bus` starts a
    private session bus as the user. Everything it starts ends, and its files
    go, with close()."""

    def __init__(self, account, outputs=None, background=None, session_bus=False):
        self.uid, self.gid = account
        self.output_layout = outputs or {}
        self.background = background
        self.procs = []
        self.root = tempfile.mkdtemp(prefix="stirwell-sway-")
        try:
            os.chmod(self.root, 0o755)
            self.runtime_dir = f"{self.root}/run"
            self.home = f"{self.root}/home"
            for path in (self.runtime_dir, self.home, f"{self.home}/config", f"{self.home}/data",
                         f"{self.home}/cache"):
                os.makedirs(path)
                os.chown(path, self.uid, self.gid)
            os.chmod(self.runtime_dir, 0o700)
            self._start()
            if session_bus:
                self._start_bus()
        except BaseException:
            self.close()
            raise

    def _start(self):
        self.sway_log = f"{self.root}/sway.log"
        config = f"{self.root}/sway.config"
        with open(config, "w") as f:
            f.write("xwayland disable\n")
            for name, (x, y, w, h) in self.output_layout.items():
                f.write(f"output {name} resolution {w}x{h} position {x},{y}\n")
            if self.background:
                f.write("output * bg #%02x%02x%02x solid_color\n" % self.background)
        os.chmod(config, 0o644)
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": self.home,
            "XDG_CONFIG_HOME": f"{self.home}/config",
            "XDG_DATA_HOME": f"{self.home}/data",
            "XDG_CACHE_HOME": f"{self.home}/cache",
            "XDG_RUNTIME_DIR": self.runtime_dir,
            "LANG": "C.UTF-8",
        }
        sway_env = dict(self.env, WLR_BACKENDS="headless", WLR_HEADLESS_OUTPUTS=str(max(1, len(self.output_layout))),
                        WLR_LIBINPUT_NO_DEVICES="1", WLR_RENDERER="pixman")
        with open(self.sway_log, "w") as log:
            self.sway = self.spawn(["sway", "--config", config], sway_env, stdout=log, stderr=subprocess.STDOUT)
        if not wait_until(self._sockets_ready, 15):
            raise RuntimeError(f"sway did not start (exit {self.sway.poll()}):\n{tail(self.sway_log)}")
        self.env["WAYLAND_DISPLAY"] = self.wayland_display
        self.env["SWAYSOCK"] = self.swaysock
        if not wait_until(lambda: set(self.output_layout) <= {o["name"] for o in self.outputs()}, 10):
            raise RuntimeError(f"sway has no outputs {sorted(self.output_layout)}:\n{tail(self.sway_log)}")
        # A keyboard attached for the whole session, as on a real desk: with
        # none, each wtype run would plug one in just before its keys and an
        # application learns of it only after they are gone.
        self.keyboard = self.spawn(["wtype", "-s", "3600000"], self.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        if not wait_until(self._has_keyboard, 10):
            raise RuntimeError(f"the session's keyboard did not appear:\n{tail(self.sway_log)}")

    def _start_bus(self):
        self.bus_log = f"{self.root}/bus.log"
        bus_path = f"{self.runtime_dir}/bus"
        with open(self.bus_log, "w") as log:
            self.spawn(["dbus-daemon", "--session", "--nofork", "--nopidfile", f"--address=unix:path={bus_path}"],
                       self.env, stdout=log, stderr=subprocess.STDOUT)
        if not wait_until(lambda: os.path.exists(bus_path), 10):
            raise RuntimeError(f"the session bus did not start:\n{tail(self.bus_log)}")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = f"unix:path={bus_path}"

    def as_user(self):
        """What makes a child process run as the session's user."""
        if os.geteuid() != 0:
            return {}
        return dict(user=self.uid, group=self.gid, extra_groups=[])

    def spawn(self, args, env, **kwargs):
        proc = subprocess.Popen(args, env=env, cwd=self.root, **self.as_user(), **kwargs)
        self.procs.append(proc)
        return proc

    def run(self, *args, timeout=15):
        return subprocess.run(list(args), env=self.env, cwd=self.root, capture_output=True, timeout=timeout,
                              **self.as_user())

    def _sockets_ready(self):
        if self.sway.poll() is not None:
            raise RuntimeError(f"sway exited with {self.sway.returncode}:\n{tail(self.sway_log)}")
        names = os.listdir(self.runtime_dir)
        displays = [n for n in names if n.startswith("wayland-") and not n.endswith(".lock")]
        ipc = [n for n in names if n.startswith("sway-ipc.") and n.endswith(".sock")]
        if not displays or not ipc:
            return False
        self.wayland_display = displays[0]
        self.swaysock = f"{self.runtime_dir}/{ipc[0]}"
        return True

    def swaymsg(self, kind):
        result = self.run("swaymsg", "-s", self.swaysock, "-r", "-t", kind)
        if result.returncode != 0:
            raise RuntimeError(f"swaymsg -t {kind} failed: {result.stderr.decode(errors='replace')}")
        return json.loads(result.stdout)

    def _has_keyboard(self):
        if self.keyboard.poll() is not None:
            raise RuntimeError(f"wtype exited with {self.keyboard.returncode}")
        return any(i.get("type") == "keyboard" for i in self.swaymsg("get_inputs"))

    def outputs(self):
        return [o for o in self.swaymsg("get_outputs") if o.get("active")]

    def close(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
        for proc in reversed(self.procs):
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait(5)
        shutil.rmtree(self.root, ignore_errors=True)


def main(command):
    if not command:
        print(__doc__, file=sys.stderr)
        return 2
    for tool in ("sway", "swaymsg", "wtype"):
        if not shutil.which(tool):
            print(f"{tool} is not installed (scripts/setup.sh installs it)", file=sys.stderr)
            return 1
    account = session_account()
    if account is None:
        print(f"skipped: not root and cannot create the unprivileged user {SESSION_USER}", file=sys.stderr)
        return SKIP
    session = SwaySession(account)
    try:
        # The command's own output goes straight to ours; gtest's settings
        # (filters, colours) pass through.
        env = dict(session.env, **{k: v for k, v in os.environ.items() if k.startswith("GTEST_")})
        ran = session.spawn(command, env)
        status = ran.wait()
        if status != 0:
            print(f"--- sway log ---\n{tail(session.sway_log)}", file=sys.stderr)
        return status if status >= 0 else 128 - status
    finally:
        session.close()


def _terminated(signum, frame):
    # Ends through main's cleanup, so that no sway outlives a timed-out test.
    raise SystemExit(128 + signum)


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, _terminated)
    signal.signal(signal.SIGINT, _terminated)
    sys.exit(main(sys.argv[1:]))
