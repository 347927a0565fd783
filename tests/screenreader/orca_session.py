"""A private desktop session with the Orca screen reader, for tests.

One Session owns, in a fresh temporary directory: an Xvfb server, a D-Bus
session bus, the accessibility bus, and Orca speaking into its debug log
instead of a synthesiser. Nothing is shared with the user's own session, and
another Orca of the same user (Orca refuses to run twice per user) is neither
seen nor disturbed: this Orca runs in-process from /usr/bin/orca with the
single-instance check left out, and keeps its interpreter's process name.

Programs started with Session.start() see its DISPLAY and session bus, and
through them the accessibility bus; Session.spoken() returns every utterance
so far.
Every process the session starts lives in the test's own process group and
ends with it.
"""

import ctypes
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# Runs /usr/bin/orca as a library: the same argument handling and start-up,
# minus the check for other instances of the same user, and with the debug
# log written line by line so that a test can follow it as it grows.
_ORCA_LAUNCHER = r"""
import builtins, functools, sys
with open('/usr/bin/orca') as f:
    source = f.read()
g = {'__name__': 'orca_under_test', '__file__': '/usr/bin/orca'}
exec(compile(source, '/usr/bin/orca', 'exec'), g)
g['otherOrcas'] = lambda: []
g['setProcessName'] = lambda name: None
g['open'] = functools.partial(builtins.open, buffering=1)
sys.argv = ['orca'] + sys.argv[1:]
sys.exit(g['main']())
"""

# "SPEECH OUTPUT: 'text'", maybe followed by the voice settings; the lines of
# a text of several lines after the first are indented.
_SPEECH = re.compile(r"SPEECH OUTPUT: '(.*?)' ?(?:\{[^{}\n]*\})?\n(?! )", re.S)


def _die_with_parent():
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None).prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


class SessionError(RuntimeError):
    pass


def wait_until(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise SessionError("timed out waiting for " + what)
        time.sleep(0.05)


class Session:
    def __init__(self):
        os.setpgrp()  # so that close() can end every descendant at once
        self.dir = tempfile.mkdtemp(prefix="velmo-orca-")
        self.log = os.path.join(self.dir, "orca.log")
        home = os.path.join(self.dir, "home")
        runtime = os.path.join(self.dir, "run")
        os.makedirs(home)
        os.makedirs(runtime, mode=0o700)
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": home,
            "XDG_RUNTIME_DIR": runtime,
            "XDG_CONFIG_HOME": os.path.join(home, ".config"),
            "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
            "XDG_CACHE_HOME": os.path.join(home, ".cache"),
            "LANG": "C.UTF-8",
        }
        self.procs = []
        try:
            self._start_x()
            self._start_buses()
            self._start_orca()
        except BaseException:
            self.close()
            raise

    def _spawn(self, args, **kw):
        # Output goes to NAME.out in the session directory. Each child dies
        # with the test, even when the test is killed.
        with open(os.path.join(self.dir, os.path.basename(args[0]) + ".out"), "ab") as out:
            p = subprocess.Popen(args, env=kw.pop("env", self.env), stdin=subprocess.DEVNULL,
                                 stdout=kw.pop("stdout", out), stderr=out,
                                 preexec_fn=_die_with_parent, **kw)
        self.procs.append(p)
        return p

    def _start_x(self):
        r, w = os.pipe()
        self._spawn(["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24",
                     "-nolisten", "tcp"], pass_fds=(w,))
        os.close(w)
        with os.fdopen(r) as f:
            number = f.readline().strip()
        if not number:
            raise SessionError("Xvfb did not start")
        self.env["DISPLAY"] = ":" + number

    def _start_buses(self):
        bus = self._spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                          stdout=subprocess.PIPE)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()
        self._spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])

    def _start_orca(self):
        with open("/usr/bin/orca") as f:
            interpreter = f.readline()[2:].split()  # Orca's own Python, with pyatspi
        self._spawn(interpreter + ["-c", _ORCA_LAUNCHER, "--disable", "braille",
                     "--debug-file=" + self.log])
        # Orca greets once it listens to the accessibility bus.
        wait_until(lambda: "Screen reader on." in self.spoken(), 30, "Orca to start")

    def start(self, args, extra_env=None):
        """Starts a program in the session; returns its Popen. The sanitizers'
        options of the test's environment pass on to it."""
        env = dict(self.env)
        env.update({k: v for k, v in os.environ.items() if k.endswith("SAN_OPTIONS")})
        env.update(extra_env or {})
        return self._spawn(args, env=env)

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env,
                              capture_output=True, text=True, timeout=20).stdout

    def spoken(self):
        """Every utterance so far, oldest first."""
        try:
            with open(self.log, encoding="utf-8", errors="replace") as f:
                text = f.read()
        except FileNotFoundError:
            return []
        return [re.sub(r"\n +", "\n", m.group(1)) for m in _SPEECH.finditer(text)]

    def close(self, keep=False):
        """Ends every process of the session; the session's files (Orca's log,
        each program's output) are kept for a look when `keep` is true or
        VELMO_KEEP_ORCA_LOG is set."""
        for p in self.procs:
            if p.poll() is None:
                p.kill()
        for p in self.procs:
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                pass
        # The accessibility bus and its registry are the launcher's children.
        previous = signal.signal(signal.SIGTERM, signal.SIG_IGN)
        try:
            os.killpg(0, signal.SIGTERM)
        finally:
            signal.signal(signal.SIGTERM, previous)
        if keep or os.environ.get("VELMO_KEEP_ORCA_LOG"):
            print("session files kept in", self.dir)
        else:
            shutil.rmtree(self.dir, ignore_errors=True)
