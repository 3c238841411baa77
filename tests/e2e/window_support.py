"""Driving the real window under the test run's X display: find it, look at it,
click and drag it with xdotool, the way a user would."""
import os
import pathlib
import re
import signal
import subprocess
import time

ROOT = pathlib.Path(__file__).resolve().parents[2]
TOOLS = ROOT / "tools"
WIDTH, HEIGHT = 840, 580


def screenshot_dir():
    """Where the window tests leave their screenshots ($KIVRA_SCREENSHOT_DIR, else
    build/screenshots)."""
    path = pathlib.Path(os.environ.get("KIVRA_SCREENSHOT_DIR", ROOT / "build" / "screenshots"))
    path.mkdir(parents=True, exist_ok=True)
    return path


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True,
                          timeout=30).stdout


class Geometry:
    def __init__(self, x, y, width, height):
        self.x, self.y, self.width, self.height = x, y, width, height

    def __repr__(self):
        return f"{self.width}x{self.height}+{self.x}+{self.y}"


def window_geometry(window_id):
    out = xdotool("getwindowgeometry", "--shell", window_id)
    values = dict(re.findall(r"(\w+)=(\d+)", out))
    if not values:
        return None
    return Geometry(int(values["X"]), int(values["Y"]), int(values["WIDTH"]),
                    int(values["HEIGHT"]))


class RunningWindow:
    """Update.exe started in the background with its window looked for on screen."""

    def __init__(self, installation, *args):
        # As for every run: no version check leaves the machine.
        env = dict(os.environ, KIVRA_WINEPREFIX=str(installation.prefix.path),
                   http_proxy="http://127.0.0.1:9", https_proxy="http://127.0.0.1:9")
        self.installation = installation
        self.proc = subprocess.Popen([str(TOOLS / "wine-run.sh"), str(installation.exe), *args],
                                     cwd=installation.folder, env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     start_new_session=True)
        self.window_id = None

    def find(self, seconds=60):
        """The program's top-level window of the layout's size, once it is on screen."""
        xdotool("mousemove", 0, 0)  # no hover or tool tip left from an earlier test
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            assert self.proc.poll() is None, f"Update.exe ended early ({self.proc.returncode})"
            for wid in xdotool("search", "--onlyvisible", "--classname", "update.exe").split():
                g = window_geometry(wid)
                if g and (g.width, g.height) == (WIDTH, HEIGHT):
                    self.window_id = wid
                    time.sleep(1.0)  # the first frame and the fonts settle
                    return g
            time.sleep(0.2)
        raise AssertionError("the window did not appear")

    def geometry(self):
        return window_geometry(self.window_id)

    def screenshot(self, name):
        """The window's pixels from the screen, saved under the screenshot folder."""
        g = self.geometry()
        path = screenshot_dir() / name
        subprocess.run(["import", "-window", "root", "-crop",
                        f"{g.width}x{g.height}+{g.x}+{g.y}", "+repage", str(path)],
                       check=True, timeout=30)
        return path

    def click(self, x, y):
        """A left click at window coordinates."""
        g = self.geometry()
        xdotool("mousemove", g.x + x, g.y + y)
        time.sleep(0.3)
        xdotool("click", 1)

    def drag(self, x, y, dx, dy):
        g = self.geometry()
        xdotool("mousemove", g.x + x, g.y + y)
        time.sleep(0.2)
        xdotool("mousedown", 1)
        for step in range(1, 6):
            time.sleep(0.05)
            xdotool("mousemove", g.x + x + dx * step // 5, g.y + y + dy * step // 5)
        time.sleep(0.2)
        xdotool("mouseup", 1)
        time.sleep(0.5)

    def wait(self, seconds=30):
        """The exit code; kills the program and fails when it does not end in time."""
        try:
            return self.proc.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            self.kill()
            raise AssertionError(f"Update.exe did not end within {seconds} s")

    def kill(self):
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait()
            self.installation.prefix.wineserver_kill()


# Where the layout puts the close button: 18 pixels square at 793,21.
CLOSE_BUTTON = (802, 30)


def close_by_button(window):
    window.click(*CLOSE_BUTTON)
    return window.wait()


def run_closing_window(installation, *args, seconds=60):
    """Runs Update.exe in a window mode, waits for its window and closes it with the
    close button as a user would; returns the exit code."""
    window = RunningWindow(installation, *args)
    try:
        window.find(seconds)
        return close_by_button(window)
    finally:
        window.kill()
