"""`Update.exe QN`: the default installation, end to end.

The program is started from a folder holding a small client tree (the stand-in
KivraClient.exe among it); afterwards the tree is under Program Files as the tested
build sees it, the Run value and the desktop shortcut point at the client, and the
client runs from there. The product is 32-bit ("Program Files (x86)" and the 32-bit
registry view on 64-bit Windows); an x86-64 test build sees "Program Files" and the
64-bit view. Which one applies is read from the tested executable."""
import os
import pathlib
import re
import shutil
import signal
import struct
import subprocess
import time

import pytest

from conftest import Installation
from e2e_support import TOOLS, read_standin_record, standin_client_exe, wait_for_standin

RUN_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"
SESSION_KEY = r"HKLM\System\CurrentControlSet\Control\Session Manager"
SHORTCUT = "Zephra加速器.lnk"
TIME = r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d"
CLIENT_SECONDS = {"KIVRA_STANDIN_SECONDS": "10"}  # started clients end by themselves


def pe_machine(exe):
    data = pathlib.Path(exe).read_bytes()[:4096]
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    return struct.unpack_from("<H", data, offset + 4)[0]


class Layout:
    """Where the tested build's QN run puts things, and how to read them back."""

    def __init__(self, prefix, update_exe):
        self.prefix = prefix
        self.is_64 = pe_machine(update_exe) == 0x8664
        wow64_prefix = (prefix.drive_c / "windows" / "syswow64").is_dir()
        folder = "Program Files (x86)" if (not self.is_64 and wow64_prefix) else "Program Files"
        self.target = prefix.drive_c / folder / "KivraClient"
        self.target_win = f"C:\\{folder}\\KivraClient"
        self.client_win = self.target_win + "\\KivraClient.exe"
        self.view = "/reg:64" if self.is_64 else "/reg:32"
        # A prefix that runs only 32-bit programs has one registry view.
        self.other_view = ("/reg:32" if self.is_64 else "/reg:64") if wow64_prefix else None
        self.shortcut = prefix.profile / "Desktop" / SHORTCUT

    def wine(self, exe, *args, env=None, **kwargs):
        full_env = dict(os.environ, KIVRA_WINEPREFIX=str(self.prefix.path))
        full_env.update(env or {})
        return subprocess.run([str(TOOLS / "wine-run.sh"), str(exe), *args], env=full_env,
                              capture_output=True, timeout=60, **kwargs)

    def system_tool(self, name):
        return self.prefix.drive_c / "windows" / "system32" / name

    def reg_value(self, key, name, view):
        """The data of a registry value as `reg query` shows it; None when absent."""
        args = ["query", key, "/v", name] + ([view] if view else [])
        out = self.wine(self.system_tool("reg.exe"), *args).stdout.decode(errors="replace")
        match = re.search(rf"^\s+{re.escape(name)}\s+(REG_\w+)\s+(.*?)\r?$", out, re.M)
        return (match.group(1), match.group(2)) if match else None

    def delete_run_value(self):
        for view in (self.view, self.other_view):
            if view:
                self.wine(self.system_tool("reg.exe"), "delete", RUN_KEY, "/v", "KivraClient",
                          "/f", view)

    def kill_clients(self):
        self.wine(self.system_tool("taskkill.exe"), "/F", "/IM", "KivraClient.exe")

    def clean(self):
        self.kill_clients()
        time.sleep(0.5)
        shutil.rmtree(self.target, ignore_errors=True)
        self.shortcut.unlink(missing_ok=True)
        self.delete_run_value()


@pytest.fixture
def layout(wine_prefix, update_exe):
    lay = Layout(wine_prefix, update_exe)
    lay.clean()
    yield lay
    lay.clean()


def client_tree(folder, standin):
    """The client as an installer package unpacks it beside Update.exe."""
    files = {
        "KivraClient.exe": standin.read_bytes(),
        "bin/a.dll": b"library a",
        "bin/sub/b.dat": b"data b" * 100,
        "keep/.keep": b"",
        "keep/c.txt": b"text c",
        ".hidden": b"not for the client",
    }
    for name, data in files.items():
        path = folder / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
    return files


def tree(folder):
    """Relative paths of every file and folder below `folder`."""
    return sorted(p.relative_to(folder).as_posix() for p in folder.rglob("*"))


def record(function, content, source="update\\update.cpp"):
    return (f"Time: {TIME} -->>  LogLevel: Debug -->> FileName: {re.escape(source)} "
            f"-->> FunctionName: {re.escape(function)} -->> Line: \\d+\r\n"
            f"-->> Content: {content}\r\n")


def program_records(log):
    """The records of the run after the client context's own, as (function, content)."""
    return re.findall(r"FileName: update\\update\.cpp -->> FunctionName: (\S+) -->> "
                      r"Line: \d+\r\n-->> Content: (.*?)\r\n", log)


def read_shortcut(path):
    """Target, working folder, icon and arguments of a shell link file."""
    data = path.read_bytes()
    flags = struct.unpack_from("<I", data, 0x14)[0]
    pos, link = 0x4C, {}
    if flags & 0x1:  # the target as an item id list
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    if flags & 0x2:  # the target as a local path
        size, _, info_flags, _, base = struct.unpack_from("<5I", data, pos)
        if info_flags & 0x1:
            end = data.index(b"\0", pos + base)
            link["target"] = data[pos + base:end].decode("latin-1")
        pos += size
    wide = bool(flags & 0x80)
    for bit, name in ((0x4, "description"), (0x8, "relative_path"), (0x10, "working_folder"),
                      (0x20, "arguments"), (0x40, "icon")):
        if flags & bit:
            count = struct.unpack_from("<H", data, pos)[0]
            pos += 2
            size = count * 2 if wide else count
            # Some writers count a terminating NUL, some do not.
            text = data[pos:pos + size].decode("utf-16-le" if wide else "latin-1")
            link[name] = text.rstrip("\0")
            pos += size
    return link


def is_short_form(path):
    """Every component of C:\\... is an 8.3 name."""
    parts = path.split("\\")
    return parts[0] == "C:" and all(
        re.fullmatch(r"[^ .\\]{1,8}(\.[^ .\\]{1,3})?", part) for part in parts[1:])


def test_qn_moves_the_tree_registers_and_starts_the_client(installation, layout, update_exe,
                                                           read_log):
    source = installation.folder
    files = client_tree(source, standin_client_exe(update_exe))

    run = installation.run("QN", env=CLIENT_SECONDS)
    assert run.code == 2, run.stderr

    # The client runs from the destination with its quoted path as the whole command line.
    started = wait_for_standin(layout.target)
    assert started["command_line"] == f'"{layout.client_win}"'
    assert started["working_folder"] == layout.target_win

    # The tree arrives whole, names beginning with a full stop excepted.
    arrived = [p for p in tree(layout.target) if not p.startswith("standin-run.txt")]
    assert arrived == ["KivraClient.exe", "Update.exe", "bin", "bin/a.dll", "bin/sub",
                       "bin/sub/b.dat", "keep", "keep/c.txt"]
    for name, data in files.items():
        if not name.split("/")[-1].startswith("."):
            assert (layout.target / name).read_bytes() == data, name
    # The source is emptied: bin/sub and bin removed, keep stays for its .keep.
    assert tree(source) == [".hidden", "keep", "keep/.keep"]

    log = read_log()
    assert program_records(log) == [("CopyTempFile2InstallDir", "RemoveDirectoryW Error 145")]
    assert re.search(record("CopyTempFile2InstallDir", "RemoveDirectoryW Error 145") + r"\Z",
                     log), log

    # Start at log-on: the quoted client path, in the build's own registry view only.
    assert layout.reg_value(RUN_KEY, "KivraClient", layout.view) == (
        "REG_SZ", f'"{layout.client_win}"')
    if layout.other_view:
        assert layout.reg_value(RUN_KEY, "KivraClient", layout.other_view) is None

    link = read_shortcut(layout.shortcut)
    assert link["target"] == layout.client_win
    assert link["working_folder"] == layout.target_win
    assert is_short_form(link["icon"]) and link["icon"] != layout.client_win, link
    assert "arguments" not in link


def start_program(layout, exe, *args, env=None):
    """Another Windows program of the prefix, running beside the test."""
    full_env = dict(os.environ, KIVRA_WINEPREFIX=str(layout.prefix.path))
    full_env.update(env or {})
    return subprocess.Popen([str(TOOLS / "wine-run.sh"), str(exe), *args], env=full_env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            stdin=subprocess.DEVNULL, start_new_session=True)


def stop_program(proc):
    os.killpg(proc.pid, signal.SIGKILL)
    proc.wait()


def test_running_client_in_destination_moves_to_old_and_is_replaced(installation, layout,
                                                                     update_exe, read_log):
    standin = standin_client_exe(update_exe)
    layout.target.mkdir(parents=True)
    installed = layout.target / "KivraClient.exe"
    old_client = standin.read_bytes() + b"an older build"
    installed.write_bytes(old_client)
    # The installed client runs: its image cannot be deleted, only renamed.
    holder = start_program(layout, installed, env={"KIVRA_STANDIN_SECONDS": "60"})
    try:
        old = wait_for_standin(layout.target)
        assert old, "the installed client did not start"
        (layout.target / "standin-run.txt").unlink()
        client_tree(installation.folder, standin)

        assert installation.run("QN", env=CLIENT_SECONDS).code == 2

        assert (layout.target / "KivraClient.exe_old").read_bytes() == old_client
        assert installed.read_bytes() == standin.read_bytes()
        records = program_records(read_log())
        deleted = [c for f, c in records if c.startswith("DeleteFileW")]
        assert len(deleted) == 1 and re.fullmatch(
            rf"DeleteFileW Error \d+ {re.escape(layout.client_win)}", deleted[0]), records
        assert not [c for f, c in records if c.startswith("MoveFileExW")], records
        # Marked for deletion at the next restart.
        pending = layout.reg_value(SESSION_KEY, "PendingFileRenameOperations", None)
        assert pending and pending[0] == "REG_MULTI_SZ"
        assert f"\\??\\{layout.client_win}_old\\0" in pending[1], pending
        # And the new client was started.
        started = wait_for_standin(layout.target)
        assert started and started["pid"] != old["pid"]
        assert started["command_line"] == f'"{layout.client_win}"'
    finally:
        stop_program(holder)


def test_destination_file_held_without_sharing_is_logged_and_left(installation, layout,
                                                                  update_exe, read_log):
    standin = standin_client_exe(update_exe)
    held = layout.target / "bin" / "a.dll"
    held.parent.mkdir(parents=True)
    held.write_bytes(b"installed a")
    holder = start_program(layout, standin.parent / "hold_file.exe",
                           layout.prefix.windows_path(held), "60")
    marker = pathlib.Path(str(held) + ".held")
    try:
        deadline = time.monotonic() + 30
        while not marker.exists():
            assert holder.poll() is None and time.monotonic() < deadline, "no file holder"
            time.sleep(0.05)
        client_tree(installation.folder, standin)

        assert installation.run("QN", env=CLIENT_SECONDS).code == 2

        # Neither deleted nor renamed nor replaced: both copies stay where they were.
        assert held.read_bytes() == b"installed a"
        assert (installation.folder / "bin" / "a.dll").read_bytes() == b"library a"
        assert not (layout.target / "bin" / "a.dll_old").exists()
        src = layout.prefix.windows_path(installation.folder / "bin" / "a.dll")
        dst = layout.target_win + "\\bin\\a.dll"
        records = program_records(read_log())
        a_dll = [c for f, c in records if not c.startswith("RemoveDirectoryW")]
        assert len(a_dll) == 3, records
        assert re.fullmatch(rf"DeleteFileW Error \d+ {re.escape(dst)}", a_dll[0])
        assert re.fullmatch(r"MoveFileExW 2 Old Error \d+", a_dll[1])
        assert re.fullmatch(rf"MoveFileExW Error \d+ Src {re.escape(src)} Dst {re.escape(dst)}",
                            a_dll[2])
        # bin keeps a.dll, keep keeps .keep; the rest of the run goes on.
        removals = [c for f, c in records if c.startswith("RemoveDirectoryW")]
        assert removals == ["RemoveDirectoryW Error 145"] * 2, records
        assert (layout.target / "bin" / "sub" / "b.dat").exists()
        assert wait_for_standin(layout.target)
    finally:
        stop_program(holder)
        marker.unlink(missing_ok=True)


def test_qn_run_from_the_installed_folder_moves_nothing(wine_prefix, layout, update_exe,
                                                        read_log):
    shutil.rmtree(wine_prefix.log_dir, ignore_errors=True)
    layout.target.mkdir(parents=True)
    installed = Installation(wine_prefix, layout.target, update_exe)
    client_tree(layout.target, standin_client_exe(update_exe))
    before = {p: (layout.target / p).read_bytes() for p in tree(layout.target)
              if (layout.target / p).is_file()}

    assert installed.run("QN", env=CLIENT_SECONDS).code == 2

    started = wait_for_standin(layout.target)
    assert started["command_line"] == f'"{layout.client_win}"'
    after = {p: (layout.target / p).read_bytes() for p in tree(layout.target)
             if (layout.target / p).is_file() and p != "standin-run.txt"}
    assert after == before  # nothing deleted as its own "old" copy
    assert program_records(read_log()) == [
        ("InstallDefault", "Src Dir contains Dst Dir, nothing moved")]


def test_client_that_cannot_start_is_logged_and_exit_code_stays_2(installation, layout,
                                                                   update_exe, read_log):
    client_tree(installation.folder, standin_client_exe(update_exe))
    (installation.folder / "KivraClient.exe").unlink()

    assert installation.run("QN", env=CLIENT_SECONDS).code == 2

    assert (layout.target / "bin" / "sub" / "b.dat").exists()
    records = program_records(read_log())
    assert records[-1] == ("InstallDefault", "CreateProcess 2 Old Error 2"), records
    # Shortcut and start at log-on come before the start and do not depend on it.
    assert layout.shortcut.exists()
    assert layout.reg_value(RUN_KEY, "KivraClient", layout.view) == (
        "REG_SZ", f'"{layout.client_win}"')


def test_target_folder_that_cannot_be_created_changes_nothing(installation, layout,
                                                              update_exe, read_log):
    # Program Files named by a relative path: no folder below it can be created.
    key = r"HKLM\Software\Microsoft\Windows\CurrentVersion"
    reg = layout.system_tool("reg.exe")
    original = layout.reg_value(key, "ProgramFilesDir", layout.view)
    assert original
    files = client_tree(installation.folder, standin_client_exe(update_exe))
    before = tree(installation.folder)
    try:
        layout.wine(reg, "add", key, "/v", "ProgramFilesDir", "/t", "REG_SZ", "/d",
                    "Kivra Nowhere", "/f", layout.view, check=True)
        run = installation.run("QN", env=CLIENT_SECONDS)
    finally:
        layout.wine(reg, "add", key, "/v", "ProgramFilesDir", "/t", original[0], "/d",
                    original[1], "/f", layout.view, check=True)
    assert layout.reg_value(key, "ProgramFilesDir", layout.view) == original

    assert run.code == 2
    assert program_records(read_log()) == [("InstallDefault", "CreatePath Failed")]
    assert tree(installation.folder) == before
    assert (installation.folder / "bin" / "a.dll").read_bytes() == files["bin/a.dll"]
    assert not layout.target.exists()
    assert not layout.shortcut.exists()
    assert layout.reg_value(RUN_KEY, "KivraClient", layout.view) is None
    time.sleep(1)
    assert read_standin_record(installation.folder) == {}, "the client was started"
