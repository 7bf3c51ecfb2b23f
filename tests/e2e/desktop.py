"""A private X display, session bus and accessibility bus, and the processes started on them.
Each carries a marker in its environment, which finds whatever outlives its process group."""
import contextlib, os, shutil, signal, subprocess, tempfile, time

def wait(condition, what, timeout=10.0):
    """Polls until condition() returns something true, and returns it."""
    end = time.monotonic() + timeout
    while not (result := condition()):
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + (what() if callable(what) else what))
        time.sleep(0.05)
    return result

class Desktop:
    def __init__(self):
        self.root = os.path.realpath(tempfile.mkdtemp(prefix="vintrex-e2e-"))
        self.processes, self.log = [], open(os.path.join(self.root, "services.log"), "w+")
        self.env = {k: v for k, v in os.environ.items() if k in ("PATH", "LANG", "LC_ALL")}
        self.env.update(VINTREX_E2E=self.root, HOME=self.path("home"),
                        XDG_CONFIG_HOME=self.path("config"), XDG_RUNTIME_DIR=self.path("run"))
        for name in ("home", "config", "run"):
            os.makedirs(self.path(name), mode=0o700)

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def start(self):
        read_end, write_end = os.pipe()
        # -noreset: a server that resets as its last client leaves turns the next one away.
        self.spawn(["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-noreset",
                    "-screen", "0", "1280x1024x24"], pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as display:
            self.env["DISPLAY"] = ":" + display.readline().strip()
        bus = self.spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                         stdout=subprocess.PIPE, text=True)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
        # Qt only joins an accessibility bus that is already running: start it first.
        self.run("dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply",
                 "/org/a11y/bus", "org.a11y.Bus.GetAddress")
        # pyatspi, imported after this, finds the buses through our own environment.
        os.environ.update({k: self.env[k] for k in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS")})

    def spawn(self, args, env=None, **kwargs):
        # A process group of its own, shared with what it starts.
        kwargs.setdefault("stdout", self.log)
        process = subprocess.Popen(args, env={**self.env, **(env or {})}, stdin=subprocess.DEVNULL,
                                   stderr=self.log, start_new_session=True, **kwargs)
        self.processes.append(process)
        return process

    def run(self, *args):
        return subprocess.run(list(map(str, args)), env=self.env, check=True, timeout=20,
                              stdout=subprocess.PIPE, text=True).stdout

    def stop(self, process):
        for sig in (signal.SIGTERM, signal.SIGKILL):
            with contextlib.suppress(ProcessLookupError):
                os.killpg(process.pid, sig)
            with contextlib.suppress(subprocess.TimeoutExpired):
                return process.wait(3)

    def marked(self):
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            with contextlib.suppress(OSError), open("/proc/%s/environ" % pid, "rb") as environ:
                if ("VINTREX_E2E=" + self.root).encode() in environ.read().split(b"\0"):
                    found.append(int(pid))
        return found

    def close(self):
        """Stops every process started here, checks that none is left and removes the folder."""
        for process in reversed(self.processes):
            self.stop(process)
        left = self.marked()
        for pid in left:
            with contextlib.suppress(ProcessLookupError):
                os.kill(pid, signal.SIGKILL)
        try:
            wait(lambda: not self.marked(), "the session's processes to end", 5)
        finally:
            self.log.close()
            shutil.rmtree(self.root, ignore_errors=True)
        assert not left, "processes outlived their process groups: %s" % left

    def close_window(self, pid, title):
        """Asks the program's one visible window so titled to close, as a window manager would."""
        from Xlib import X, display, protocol
        found = self.run("xdotool", "search", "--onlyvisible", "--pid", pid, "--name",
                         "^%s$" % title)
        assert len(found.split()) == 1, "visible windows %r: %s" % (title, found.split())
        dpy = display.Display(self.env["DISPLAY"])
        window = dpy.create_resource_object("window", int(found))
        window.send_event(protocol.event.ClientMessage(
            window=window, client_type=dpy.intern_atom("WM_PROTOCOLS"),
            data=(32, [dpy.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])))
        dpy.sync()
        dpy.close()
