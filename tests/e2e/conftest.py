"""End-to-end fixtures: the real Update.exe under Wine, in a private prefix.

The prefix is the run's own ($KIVRA_WINEPREFIX, made fresh by tools/test.sh) or, when
pytest runs alone, one made here for the session. Every test gets its own program
folder inside the prefix and an empty log folder.
"""
import datetime
import os
import pathlib
import re
import shutil
import signal
import subprocess
import tempfile
import time

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
TOOLS = ROOT / "tools"


def _test_arch():
    arch = os.environ.get("KIVRA_TEST_ARCH")
    if arch:
        return arch
    probe = subprocess.run(["bash", "-c", f"source {TOOLS}/lib.sh; test_arch"],
                           capture_output=True, text=True, check=True)
    return probe.stdout.strip()


class WinePrefix:
    """A Wine prefix and the Windows paths of the folders the tests look at."""

    def __init__(self, path):
        self.path = pathlib.Path(path)
        self.drive_c = self.path / "drive_c"
        users = [p for p in (self.drive_c / "users").iterdir()
                 if p.is_dir() and p.name.lower() != "public"]
        assert users, f"no user profile in {self.path}"
        self.profile = users[0]

    @property
    def data_dir(self):
        return self.profile / "KivraClient"

    @property
    def log_dir(self):
        return self.data_dir / "Log"

    def windows_path(self, unix_path):
        relative = pathlib.Path(unix_path).relative_to(self.drive_c)
        return "C:\\" + str(relative).replace("/", "\\")

    def wineserver_kill(self):
        env = dict(os.environ, WINEPREFIX=str(self.path))
        subprocess.run(["bash", "-c", f"source {TOOLS}/lib.sh; "
                        f"export_wine_env '{self.path}'; "
                        "\"$(dirname \"$(default_wine_loader)\")/wineserver\" -k"],
                       env=env, capture_output=True, timeout=30)


@pytest.fixture(scope="session")
def wine_prefix(tmp_path_factory):
    path = os.environ.get("KIVRA_WINEPREFIX")
    if not path:
        path = str(tmp_path_factory.mktemp("wine") / "prefix")
    if not pathlib.Path(path, ".ready").exists():
        subprocess.run([str(TOOLS / "wine-prefix.sh"), path], check=True, timeout=300)
    return WinePrefix(path)


@pytest.fixture(scope="session")
def update_exe():
    exe = os.environ.get("KIVRA_UPDATE_EXE")
    path = pathlib.Path(exe) if exe else ROOT / "build" / _test_arch() / "update" / "Update.exe"
    assert path.is_file(), f"{path} is missing: build first (tools/build.sh)"
    return path


class Run:
    def __init__(self, code, stdout, stderr):
        self.code = code
        self.stdout = stdout
        self.stderr = stderr


class Installation:
    """A program folder inside the prefix holding a copy of Update.exe."""

    def __init__(self, prefix, folder, exe):
        self.prefix = prefix
        self.folder = folder
        self.exe = folder / "Update.exe"
        shutil.copy2(exe, self.exe)

    def write_config(self, text, encoding="utf-8"):
        (self.folder / "config.xml").write_bytes(text.encode(encoding))

    def run(self, *args, timeout=60, env=None):
        """Runs Update.exe with the arguments; returns its exit code and output.

        The time bound kills the program and the prefix's wineserver, then fails."""
        # No test talks to the outside: unless a test points it at its own server, the
        # compiled-in version API host is reached through a closed local port.
        full_env = dict(os.environ, KIVRA_WINEPREFIX=str(self.prefix.path),
                        http_proxy="http://127.0.0.1:9", https_proxy="http://127.0.0.1:9")
        full_env.update(env or {})
        # Output goes to files, not pipes: a client the program starts may inherit the
        # descriptors and outlive it, and the run ends when the program ends.
        with tempfile.TemporaryFile() as out_file, tempfile.TemporaryFile() as err_file:
            proc = subprocess.Popen([str(TOOLS / "wine-run.sh"), str(self.exe), *args],
                                    cwd=self.folder, env=full_env, stdout=out_file,
                                    stderr=err_file, stdin=subprocess.DEVNULL,
                                    start_new_session=True)
            try:
                proc.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
                self.prefix.wineserver_kill()
                pytest.fail(f"Update.exe {' '.join(args)} ran longer than {timeout} s")
            out_file.seek(0)
            err_file.seek(0)
            out, err = out_file.read(), err_file.read()
        return Run(proc.returncode, out.decode(errors="replace"), err.decode(errors="replace"))


@pytest.fixture
def installation(wine_prefix, update_exe, request):
    # Parameters may hold characters that Windows paths cannot: keep a plain name.
    name = re.sub(r"[^A-Za-z0-9_.-]+", "_", request.node.name)[:80]
    folder = wine_prefix.drive_c / "kivra-e2e" / name
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    # Each test reads only its own log records.
    shutil.rmtree(wine_prefix.log_dir, ignore_errors=True)
    yield Installation(wine_prefix, folder, update_exe)
    shutil.rmtree(folder, ignore_errors=True)


def day_log_name(day):
    return f"[kivra]{day.year}-{day.month:02d}-{day.day:02d}.log"


@pytest.fixture
def read_log(wine_prefix):
    """Text of the day's log (UTF-16 LE, no byte-order mark), '' when there is none."""

    def read():
        today = datetime.date.today()
        for day in (today, today - datetime.timedelta(days=1)):
            path = wine_prefix.log_dir / day_log_name(day)
            if path.exists():
                data = path.read_bytes()
                assert not data.startswith(b"\xff\xfe"), "the log has no byte-order mark"
                return data.decode("utf-16-le")
        return ""

    return read
