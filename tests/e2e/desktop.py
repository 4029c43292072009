"""A private desktop for end-to-end journeys.

Starts an X server (Xvfb), a window manager (openbox), a private D-Bus session with the
accessibility bus, and the program with Qt's accessibility on. Controls are found by
their accessible names on the bus; every action is a real input event sent through the
X server (XTEST, via xdotool). Everything started here is killed on the way out.
"""

import ctypes
import importlib.util
import os
import shutil
import signal
import subprocess
import tempfile
import time

TOOLS = ["Xvfb", "openbox", "dbus-daemon", "dbus-send", "xdotool", "xprop"]
MODULES = {"pyatspi": "python3-pyatspi", "PIL": "python3-pil"}
AT_SPI_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
ITEM_ROLES = {"list item", "table cell", "tree item"}


class JourneyFailed(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise JourneyFailed(message)


def wait_until(what, condition, timeout=15.0, interval=0.05):
    """Polls condition() until it returns something true; fails after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            value = condition()
        except JourneyFailed:
            raise
        except Exception:  # objects vanish from the bus while windows change
            value = None
        if value:
            return value
        if time.monotonic() > deadline:
            raise JourneyFailed(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


def _die_with_parent():
    # A killed harness (a CTest timeout) takes its children along.
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


class Desktop:
    """One X display, openbox, a session bus and the accessibility bus on it."""

    def __init__(self):
        missing = [t for t in TOOLS if not shutil.which(t)]
        missing += [f"{package} (Python's {module})" for module, package in MODULES.items()
                    if not importlib.util.find_spec(module)]
        if not os.access(AT_SPI_LAUNCHER, os.X_OK):
            missing.append(AT_SPI_LAUNCHER + " (at-spi2-core)")
        check(not missing, "missing on this machine: " + ", ".join(missing) +
              " (bash scripts/setup installs them)")
        self.tmp = tempfile.mkdtemp(prefix="qinghe-e2e-")
        self.processes = []
        try:
            self.env = self._private_env()
            self.display = self.start_x()
            self.env["DISPLAY"] = self.display
            self._start_buses()
            self.spawn(["openbox", "--sm-disable"], self.env)
            wait_until("the window manager", lambda: self.x_ready(self.display, wm=True))
            import pyatspi  # only now: it connects to the bus at import
            self.root = pyatspi.Registry.getDesktop(0)
            # Read names and states live from the program, never from a stale cache.
            self.root.setCacheMask(pyatspi.cache.NONE)
        except BaseException:
            self.close()
            raise

    def _private_env(self):
        env = {k: v for k, v in os.environ.items() if not k.startswith(("XDG_", "DBUS_", "QT_"))}
        for name in ("home", "runtime", "config", "cache", "data"):
            os.makedirs(os.path.join(self.tmp, name), mode=0o700)
        env.update(HOME=f"{self.tmp}/home", XDG_RUNTIME_DIR=f"{self.tmp}/runtime",
                   XDG_CONFIG_HOME=f"{self.tmp}/config", XDG_CACHE_HOME=f"{self.tmp}/cache",
                   XDG_DATA_HOME=f"{self.tmp}/data", LANG="C.UTF-8")
        return env

    def spawn(self, argv, env, **kwargs):
        for stream in ("stdout", "stderr"):  # helpers' chatter would hide the report
            kwargs.setdefault(stream, subprocess.DEVNULL)
        process = subprocess.Popen(argv, env=env, start_new_session=True,
                                   preexec_fn=kwargs.pop("preexec_fn", _die_with_parent),
                                   stdin=subprocess.DEVNULL, **kwargs)
        self.processes.append(process)
        return process

    def start_x(self):
        """Starts one more Xvfb on a free display and returns its name (":N")."""
        read_end, write_end = os.pipe()
        # -noreset: the server would restart, dropping the clients, when one leaves.
        self.spawn(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                    "-noreset", "-nolisten", "tcp"], self.env, pass_fds=[write_end])
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_end, 32)
            check(chunk, "Xvfb ended before it named its display")
            number += chunk
        os.close(read_end)
        display = ":" + number.decode().strip()
        wait_until("X display " + display, lambda: self.x_ready(display))
        return display

    def x_ready(self, display, wm=False):
        # openbox announces itself on the root window once it manages windows.
        result = subprocess.run(["xprop", "-display", display, "-root", "_NET_SUPPORTING_WM_CHECK"],
                                capture_output=True, text=True)
        return result.returncode == 0 and (not wm or "window id" in result.stdout)

    def _start_buses(self):
        bus = self.spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                         self.env, stdout=subprocess.PIPE)
        address = bus.stdout.readline().decode().strip()
        check(address, "the session bus did not start")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = address  # for pyatspi in this process
        os.environ["DISPLAY"] = self.display
        self.spawn([AT_SPI_LAUNCHER, "--launch-immediately"], self.env)
        ask = ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
               "/org/a11y/bus", "org.a11y.Bus.GetAddress"]
        wait_until("the accessibility bus", lambda: subprocess.run(
            ask, env=self.env, capture_output=True).returncode == 0)

    def launch(self, program, display=None, preexec_fn=None, expect_window=True, cwd=None):
        """Starts the program; returns it once its step-1 window shows on the bus."""
        env = dict(self.env, DISPLAY=display or self.display, QT_QPA_PLATFORM="xcb",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")

        def setup():
            _die_with_parent()
            if preexec_fn:
                preexec_fn()
        process = self.spawn([program], env, preexec_fn=setup, cwd=cwd or self.tmp,
                             stdout=subprocess.DEVNULL, stderr=None)
        running = Program(self, process)
        if expect_window:
            # A cold start on a loaded machine (two journeys at once, the sanitizer build)
            # can take far longer than any later window.
            try:
                running.window("第1步", timeout=45.0)
            except JourneyFailed as failure:
                state = "is still running" if process.poll() is None else \
                    f"ended with status {process.returncode}"
                raise JourneyFailed(f"{failure}; the program {state}") from None
        return running

    def screenshot(self, path):
        """Saves the screen (ImageMagick's import); returns whether it could."""
        return shutil.which("import") is not None and subprocess.run(
            ["import", "-display", self.display, "-window", "root", path],
            capture_output=True).returncode == 0

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        for process in reversed(self.processes):
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
        shutil.rmtree(self.tmp, ignore_errors=True)

    # --- real input through the X server --------------------------------------------

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True)

    # One xdotool run per gesture, so that its events reach the server in order.
    def click_at(self, x, y, modifiers=()):
        self.xdotool("mousemove", x, y, *[a for m in modifiers for a in ("keydown", m)],
                     "click", 1, *[a for m in modifiers for a in ("keyup", m)])

    def click(self, accessible, modifiers=(), within=None):
        """Clicks the middle of the object, or of the part of it that within shows."""
        x, y, w, h = extents(accessible)
        if within:  # a list item may be wider than the list that shows it
            wx, wy, ww, wh = extents(within)
            x, y = max(x, wx), max(y, wy)
            w, h = min(x + w, wx + ww) - x, min(y + h, wy + wh) - y
        check(w > 0 and h > 0, f"{describe(accessible)} has no place on screen")
        self.click_at(x + w // 2, y + h // 2, modifiers)

    def drag(self, start, end, steps=10):
        """Presses at start, moves in steps, releases at end."""
        moves = []
        for i in range(1, steps + 1):
            moves += ["mousemove", start[0] + (end[0] - start[0]) * i // steps,
                      start[1] + (end[1] - start[1]) * i // steps]
        self.xdotool("mousemove", *start, "mousedown", 1, *moves, "mouseup", 1)

    def key(self, *keys):
        self.xdotool("key", "--delay", 30, *keys)

    def type(self, text):
        self.xdotool("type", "--delay", 20, text)


# --- reading the accessibility bus ---------------------------------------------------

class Announcements:
    """What the programs announce on the bus. A popup menu is no child of any window there,
    so it is found only by the announcement that it shows. Made before the program starts:
    a program asks the bus at its start which announcements anyone listens to."""

    def __init__(self, *kinds):
        import pyatspi
        self.heard = []
        pyatspi.Registry.registerEventListener(self._hear, *kinds)

    def _hear(self, event):
        self.heard.append((event.type, event.source, event.detail1))

    def _pump(self):
        from gi.repository import GLib
        context = GLib.MainContext.default()
        while context.pending():  # the announcements arrive through GLib's loop
            context.iteration(False)

    def forget(self):
        """Drops what was heard so far, so that a wait sees only what comes next."""
        self._pump()
        self.heard.clear()

    def wait_for(self, what, test, timeout=10.0):
        """The source of the first announcement heard for which test(kind, source, detail)
        holds."""
        def look():
            self._pump()
            return next((source for kind, source, detail in self.heard
                         if test(kind, source, detail)), None)
        return wait_until(what, look, timeout)


def extents(accessible):
    import pyatspi
    box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def states(accessible):
    import pyatspi
    return {pyatspi.stateToString(s) for s in accessible.getState().getStates()}


def describe(accessible):
    try:
        return f"{accessible.getRoleName()} {accessible.name!r}"
    except Exception:
        return "a vanished object"


def walk(accessible, skip_hidden=True):
    """Every object under accessible, depth first; hidden subtrees are left out."""
    for child in accessible:
        if child is None:
            continue
        if skip_hidden and "showing" not in states(child):
            continue
        yield child
        yield from walk(child, skip_hidden)


def text_of(accessible):
    """What a screen reader reads as the object's value: its text, else its name."""
    try:
        text = accessible.queryText()
        return text.getText(0, text.characterCount)
    except NotImplementedError:
        return accessible.name


class Program:
    """One running copy of the program and its objects on the bus."""

    def __init__(self, desktop, process):
        self.desktop = desktop
        self.process = process

    def app(self):
        def mine():
            for app in self.desktop.root:
                if app is not None and app.get_process_id() == self.process.pid:
                    return app
            check(self.process.poll() is None,
                  f"the program ended (exit {self.process.returncode}) before it showed a window")
        return wait_until("the program on the accessibility bus", mine)

    def window(self, title_part, timeout=15.0):
        """The top-level window whose title holds title_part, once it is active and in
        its place (the program centres a window again once the frame is known)."""
        seen = []

        def settled():
            for window in self.app():
                if window is not None and title_part in window.name and \
                        {"showing", "active"} <= states(window):
                    seen.append(extents(window))
                    return len(seen) >= 3 and seen[-3] == seen[-1] == seen[-2] and window
            seen.clear()
        return wait_until(f"a window titled …{title_part}…", settled, timeout)

    def windows(self):
        return [w for w in self.app() if w is not None and "showing" in states(w)]

    def find(self, root, name, role=None, timeout=10.0, showing=True):
        """The (showing) object under root with this accessible name (and role)."""
        def look():
            for item in walk(root, skip_hidden=showing):
                if item.name == name and (role is None or item.getRoleName() == role):
                    return item
        return wait_until(f"{role or 'an object'} named {name!r}", look, timeout)

    def focused(self, root):
        """The control with the keyboard focus. A list's current item keeps its focused
        state after the list lost the focus, so items are not controls here."""
        for item in walk(root):
            if "focused" in states(item) and item.getRoleName() not in ITEM_ROLES:
                return item
        return None

    def exited(self, timeout=10.0):
        return wait_until("the program to exit", lambda: self.process.poll() is not None,
                          timeout)
