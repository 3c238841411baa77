"""`Update.exe <type> 711` against the local version API and package host: what the
installation holds afterwards, what the server saw, and whether the client started."""
import os
import pathlib
import signal
import subprocess
import time

import pytest

from e2e_support import (TOOLS, VersionServer, make_package, read_standin_record,
                         standin_client_exe, wait_for_standin)

OLD_CONFIG = ('<?xml version="1.0" encoding="utf-8"?>\n'
              "<root><ClientType>2</ClientType><CaptName>旧标题</CaptName></root>")


@pytest.fixture
def server(tmp_path):
    s = VersionServer(tmp_path / "server", https=True)
    yield s
    s.stop()


@pytest.fixture
def client(installation, update_exe):
    """An older installation beside Update.exe: stand-in client, SDK, data, config."""
    folder = installation.folder
    (folder / "KivraClient.exe").write_bytes(standin_client_exe(update_exe).read_bytes())
    (folder / "vantra-sdk-32.dll").write_bytes(b"old sdk")
    (folder / "data").mkdir()
    (folder / "data" / "a.txt").write_text("old a")
    installation.write_config(OLD_CONFIG)
    yield installation
    kill_clients(installation)


def kill_clients(installation):
    env = dict(os.environ, KIVRA_WINEPREFIX=str(installation.prefix.path))
    subprocess.run([str(TOOLS / "wine-run.sh"), "C:\\windows\\system32\\taskkill.exe", "/F",
                    "/IM", "KivraClient.exe"], env=env, capture_output=True, timeout=60)


def new_package(path, standin):
    return make_package(path, {
        "KivraClient.exe": standin.read_bytes(),
        "vantra-sdk-32.dll": b"new sdk " * 1000,
        "config.xml": "<root><ClientType>9</ClientType></root>",
        "conf/config.xml": "packaged nested config",
        "data/a.txt": "new a",
        "data\\deep\\b.bin": os.urandom(100000),
        "empty/": b"",
    })


def offer(server, client_type, path="/up.zip", package=None, **extra):
    reply = {"success": True, "version_number": "2.0.1", "url": f"http://127.0.0.1:PORT{path}"}
    reply.update(extra)
    config = {"clients": {str(client_type): reply}}
    if package:
        config["files"] = {"/up.zip": str(package)}
    return config


def snapshot(folder):
    return {p.relative_to(folder).as_posix(): p.read_bytes()
            for p in sorted(folder.rglob("*")) if p.is_file() and p.name != "Update.exe"}


def test_offer_installs_and_starts_the_client(client, server, update_exe, tmp_path):
    package = new_package(tmp_path / "up.zip", standin_client_exe(update_exe))
    server.configure(offer(server, 3, package=package))

    run = client.run("3", "711", env=server.proxy_env)

    assert run.code == 1
    folder = client.folder
    assert (folder / "vantra-sdk-32.dll").read_bytes() == b"new sdk " * 1000
    assert (folder / "data" / "a.txt").read_text() == "new a"
    assert (folder / "data" / "deep" / "b.bin").stat().st_size == 100000
    assert (folder / "empty").is_dir()
    assert (folder / "conf" / "config.xml").read_text() == "packaged nested config"
    assert (folder / "config.xml").read_text(encoding="utf-8") == OLD_CONFIG  # kept
    assert not (folder / "up.zip").exists()

    requests = server.requests()
    check = [r for r in requests if r["method"] == "POST"]
    assert len(check) == 1
    assert check[0]["host"] == "api.kivra.example"
    assert check[0]["path"] == "/api/v1/version/client/check"
    assert check[0]["body"] == '{"client_type_id":3}'
    assert check[0]["content_type"] == "application/json;charset=UTF-8"

    record = wait_for_standin(folder)
    # ClientType comes from the installed config.xml, not from the command line.
    assert record["command_line"] == client.prefix.windows_path(folder) + "\\KivraClient.exe 2"


@pytest.mark.parametrize("reply", [
    {"success": False, "errmsg": "no update"},
    {"success": True, "version_number": "2.0"},                      # url missing
    {"success": True, "version_number": "2.0", "url": ""},           # url empty
    {"status": 200, "body": '{"success":true,"url":"http://x/"'},    # malformed
    {"status": 500, "body": "<html>internal error</html>"},
], ids=["refused", "url-missing", "url-empty", "malformed", "status-500"])
def test_no_offer_changes_nothing(client, server, reply):
    server.configure({"clients": {"3": reply}})
    before = snapshot(client.folder)
    run = client.run("3", "711", env=server.proxy_env)
    assert run.code == 1
    assert snapshot(client.folder) == before
    assert [r["method"] for r in server.requests()] == ["POST"]
    assert read_standin_record(client.folder) == {}


@pytest.mark.parametrize("fault", [
    {"status": 500, "body": "<html>package store down</html>"},     # error page as package
    "truncate",
], ids=["error-page", "truncated"])
def test_bad_download_changes_nothing(client, server, fault, update_exe, tmp_path):
    package = new_package(tmp_path / "up.zip", standin_client_exe(update_exe))
    config = offer(server, 3, package=package)
    config["faults"] = {"/up.zip": fault}
    server.configure(config)
    before = snapshot(client.folder)
    run = client.run("3", "711", env=server.proxy_env)
    assert run.code == 1
    assert snapshot(client.folder) == before
    assert not (client.folder / "up.zip").exists()
    assert read_standin_record(client.folder) == {}


def test_unreachable_package_host(client, server):
    server.configure({"clients": {"3": {"success": True, "version_number": "2",
                                        "url": "http://127.0.0.1:9/up.zip"}}})
    before = snapshot(client.folder)
    run = client.run("3", "711", env=dict(server.proxy_env, no_proxy="127.0.0.1",
                                          NO_PROXY="127.0.0.1"))
    assert run.code == 1
    assert "curl_easy_perform() failed: Couldn't connect to server" in run.stderr
    assert snapshot(client.folder) == before
    assert not (client.folder / "up.zip").exists()


def test_unreachable_version_api(client):
    before = snapshot(client.folder)
    run = client.run("3", "711", env={"http_proxy": "http://127.0.0.1:9"})
    assert run.code == 1
    assert "curl_easy_perform() failed:" in run.stderr
    assert snapshot(client.folder) == before


def test_non_numeric_type_sends_zero(client, server):
    server.configure({"clients": {"*": {"success": False}}})
    assert client.run("abc", "711", env=server.proxy_env).code == 1
    assert server.requests()[0]["body"] == '{"client_type_id":0}'


@pytest.mark.parametrize("hops, installed", [(5, True), (6, False)])
def test_redirect_limit(client, server, update_exe, tmp_path, hops, installed):
    package = new_package(tmp_path / "up.zip", standin_client_exe(update_exe))
    server.configure(offer(server, 3, path=f"/redirect/{hops}/up.zip", package=package))
    run = client.run("3", "711", env=server.proxy_env)
    assert run.code == 1
    assert ((client.folder / "data" / "a.txt").read_text() == "new a") == installed
    assert not (client.folder / "up.zip").exists()
    if not installed:
        assert "curl_easy_perform() failed: Number of redirects hit maximum amount" in run.stderr


def test_https_package_with_self_signed_certificate(client, server, update_exe, tmp_path):
    package = new_package(tmp_path / "up.zip", standin_client_exe(update_exe))
    config = offer(server, 3, package=package)
    config["clients"]["3"]["url"] = f"https://127.0.0.1:{server.https_port}/up.zip"
    server.configure(config)
    run = client.run("3", "711", env=server.proxy_env)
    assert run.code == 1, run.stderr
    assert (client.folder / "data" / "a.txt").read_text() == "new a", run.stderr


def test_dll_in_use_keeps_its_old_content(client, server, update_exe, tmp_path):
    package = new_package(tmp_path / "up.zip", standin_client_exe(update_exe))
    server.configure(offer(server, 3, package=package))
    holder = hold_file_open(client, update_exe, client.folder / "vantra-sdk-32.dll")
    try:
        run = client.run("3", "711", env=server.proxy_env)
    finally:
        release_file(holder)
    assert run.code == 1
    assert (client.folder / "vantra-sdk-32.dll").read_bytes() == b"old sdk"
    assert (client.folder / "data" / "a.txt").read_text() == "new a"
    # The client writes its record while this test looks: wait for it first.
    assert wait_for_standin(client.folder)
    leftovers = [p.name for p in client.folder.iterdir()
                 if p.name not in {"Update.exe", "KivraClient.exe", "vantra-sdk-32.dll",
                                   "config.xml", "data", "conf", "empty", "standin-run.txt"}]
    assert leftovers == [], "no temporary file is left behind"


def hold_file_open(installation, update_exe, path, seconds=60):
    """Another Windows process of the same prefix holds `path` open for reading with
    read sharing only; returns once the file is held."""
    env = dict(os.environ, KIVRA_WINEPREFIX=str(installation.prefix.path))
    holder = standin_client_exe(update_exe).parent / "hold_file.exe"
    proc = subprocess.Popen([str(TOOLS / "wine-run.sh"), str(holder),
                             installation.prefix.windows_path(path), str(seconds)],
                            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            stdin=subprocess.DEVNULL, start_new_session=True)
    marker = pathlib.Path(str(path) + ".held")
    deadline = time.monotonic() + 30
    while not marker.exists():
        assert proc.poll() is None, "the file holder ended early"
        assert time.monotonic() < deadline, "the file holder did not start"
        time.sleep(0.05)
    return proc, marker


def release_file(holder):
    proc, marker = holder
    os.killpg(proc.pid, signal.SIGKILL)
    proc.wait()
    marker.unlink(missing_ok=True)
