"""Shared pieces of the end-to-end tests: the local version API and package host,
update packages, and the stand-in client's record."""
import json
import os
import pathlib
import subprocess
import sys
import time
import zipfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
TOOLS = ROOT / "tools"


def standin_client_exe(update_exe):
    """The stand-in KivraClient.exe of the same build as the tested Update.exe."""
    build = pathlib.Path(update_exe).resolve().parents[1]
    path = build / "tests" / "standin" / "KivraClient.exe"
    assert path.is_file(), f"{path} is missing: build the tests first"
    return path


def make_package(path, files):
    """A ZIP package: {name: bytes or str}; names ending in '/' are folder entries."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in files.items():
            if name.endswith("/"):
                info = zipfile.ZipInfo(name)
                info.external_attr = (0o40755 << 16) | 0x10  # a folder, for any host
                z.writestr(info, b"")
            else:
                z.writestr(name, data.encode() if isinstance(data, str) else data)
    return path


def read_standin_record(folder):
    """The stand-in client's record beside it ({} when it did not run)."""
    record = pathlib.Path(folder) / "standin-run.txt"
    if not record.exists():
        return {}
    lines = record.read_text(encoding="utf-8").splitlines()
    return dict(line.split("=", 1) for line in lines if "=" in line)


def wait_for_standin(folder, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        record = read_standin_record(folder)
        if record:
            return record
        time.sleep(0.1)
    return {}


class VersionServer:
    """tools/version_server.py on 127.0.0.1, configured through a JSON file that a test
    may rewrite between runs."""

    def __init__(self, workdir, https=False):
        self.workdir = pathlib.Path(workdir)
        self.workdir.mkdir(parents=True, exist_ok=True)
        self.config_path = self.workdir / "server.json"
        self.log_path = self.workdir / "requests.jsonl"
        self.port_path = self.workdir / "port"
        self.https_port_path = self.workdir / "https-port"
        self.configure({})
        args = [sys.executable if sys.executable else "/usr/bin/python3",
                str(TOOLS / "version_server.py"), "--config", str(self.config_path),
                "--port-file", str(self.port_path), "--log", str(self.log_path)]
        if https:
            cert, key = self.workdir / "cert.pem", self.workdir / "key.pem"
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                            "-subj", "/CN=packages.invalid", "-days", "2",
                            "-keyout", str(key), "-out", str(cert)],
                           check=True, capture_output=True, timeout=60)
            args += ["--https-port", "0", "--https-port-file", str(self.https_port_path),
                     "--cert", str(cert), "--key", str(key)]
        self.process = subprocess.Popen(args, stdout=subprocess.DEVNULL,
                                        stderr=open(self.workdir / "server.err", "wb"))
        deadline = time.monotonic() + 20
        wanted = [self.port_path] + ([self.https_port_path] if https else [])
        while not all(p.exists() for p in wanted):
            assert self.process.poll() is None, (self.workdir / "server.err").read_text()
            assert time.monotonic() < deadline, "the version server did not start"
            time.sleep(0.05)
        self.port = int(self.port_path.read_text())
        self.https_port = int(self.https_port_path.read_text()) if https else None

    @property
    def proxy_env(self):
        """Points the compiled-in version API host at this server."""
        return {"http_proxy": f"http://127.0.0.1:{self.port}", "https_proxy": "",
                "no_proxy": "", "NO_PROXY": ""}

    def url(self, path):
        return f"http://127.0.0.1:{self.port}{path}"

    def configure(self, config):
        tmp = self.config_path.with_suffix(".tmp")
        tmp.write_text(json.dumps(config), encoding="utf-8")
        os.replace(tmp, self.config_path)

    def requests(self):
        if not self.log_path.exists():
            return []
        return [json.loads(line) for line in self.log_path.read_text(encoding="utf-8").splitlines()]

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
