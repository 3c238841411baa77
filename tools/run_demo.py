#!/usr/bin/env python3
"""The body of tools/run.sh: a silent update of an older installation, shown plainly."""
import argparse
import datetime
import hashlib
import json
import os
import pathlib
import shutil
import subprocess
import sys
import time
import zipfile

TOOLS = pathlib.Path(__file__).resolve().parent


def digest(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()[:12]


def tree(folder):
    return {p.relative_to(folder).as_posix(): (p.stat().st_size, digest(p))
            for p in sorted(folder.rglob("*")) if p.is_file()}


def wine_env(prefix, extra=None):
    env = dict(os.environ, KIVRA_WINEPREFIX=str(prefix))
    env.update(extra or {})
    return env


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True, type=pathlib.Path)
    parser.add_argument("--work", required=True, type=pathlib.Path)
    args = parser.parse_args()

    update_exe = args.build / "update" / "Update.exe"
    standin = args.build / "tests" / "standin" / "KivraClient.exe"
    work = args.work
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    prefix = work / "wine-prefix"

    print(f"== preparing a private Wine prefix in {prefix}")
    subprocess.run([str(TOOLS / "wine-prefix.sh"), str(prefix)], check=True)
    users = [p for p in (prefix / "drive_c" / "users").iterdir() if p.name != "Public"]
    log_dir = users[0] / "KivraClient" / "Log"

    print("== making the update package (version 2.0.1)")
    package = work / "up.zip"
    with zipfile.ZipFile(package, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("KivraClient.exe", standin.read_bytes())
        z.writestr("vantra-sdk-32.dll", b"vantra sdk 2.0.1\n" * 4096)
        z.writestr("config.xml", "<root><ClientType>9</ClientType><CaptName>packaged"
                                 "</CaptName></root>")
        z.writestr("conf/config.xml", "<settings version='2.0.1'/>")
        z.writestr("data/rules/route.dat", os.urandom(64 * 1024))
        z.writestr("data/lang/zh-CN.txt", "加速器 2.0.1\n")
        z.writestr("readme.txt", "Kivra client 2.0.1\n")
    print(f"   {package} ({package.stat().st_size} bytes)")

    print("== laying an older installation (version 1.0) into the prefix")
    install = prefix / "drive_c" / "Program Files" / "KivraClient"
    install.mkdir(parents=True)
    shutil.copy2(update_exe, install / "Update.exe")
    shutil.copy2(standin, install / "KivraClient.exe")
    (install / "vantra-sdk-32.dll").write_bytes(b"vantra sdk 1.0\n")
    (install / "config.xml").write_text('<?xml version="1.0" encoding="utf-8"?>\n'
                                        "<root><ClientType>3</ClientType>"
                                        "<CaptName>Zephra加速器</CaptName></root>",
                                        encoding="utf-8")
    (install / "data" / "rules").mkdir(parents=True)
    (install / "data" / "rules" / "route.dat").write_bytes(b"old rules")
    (install / "readme.txt").write_text("Kivra client 1.0\n")
    before = tree(install)
    config_before = (install / "config.xml").read_bytes()

    print("== starting the local version API and package host")
    config = {"clients": {"3": {"success": True, "version_number": "2.0.1",
                                "url": "http://127.0.0.1:PORT/packages/up.zip"},
                          "*": {"success": False, "errmsg": "no package for this type"}},
              "files": {"/packages/up.zip": str(package)}}
    (work / "server.json").write_text(json.dumps(config))
    server = subprocess.Popen([sys.executable, str(TOOLS / "version_server.py"),
                               "--config", str(work / "server.json"),
                               "--port-file", str(work / "port"),
                               "--log", str(work / "requests.jsonl")],
                              stderr=open(work / "server.err", "wb"))
    try:
        deadline = time.monotonic() + 20
        while not (work / "port").exists():
            if server.poll() is not None or time.monotonic() > deadline:
                sys.exit("the local server did not start: " + (work / "server.err").read_text())
            time.sleep(0.05)
        port = int((work / "port").read_text())
        print(f"   listening on 127.0.0.1:{port}; the compiled-in version API host is "
              f"reached through http_proxy=http://127.0.0.1:{port}")

        print('== running  "C:\\Program Files\\KivraClient\\Update.exe" 3 711')
        started = time.monotonic()
        run = subprocess.run([str(TOOLS / "wine-run.sh"), str(install / "Update.exe"), "3", "711"],
                             env=wine_env(prefix, {"http_proxy": f"http://127.0.0.1:{port}"}),
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=open(work / "update.err", "wb"), timeout=300)
        print(f"   exit code {run.returncode} after {time.monotonic() - started:.1f} s")
    finally:
        server.terminate()
        server.wait(timeout=10)

    print("== what the server saw")
    for line in (work / "requests.jsonl").read_text(encoding="utf-8").splitlines():
        r = json.loads(line)
        extra = f"  body {r['body']}" if r["method"] == "POST" else f"  -> {r.get('status')}"
        print(f"   {r['method']} {r['host']}{r['path']}{extra}")

    print("== files in the installation")
    after = tree(install)
    for name in sorted(set(before) | set(after)):
        if name == "standin-run.txt":
            continue
        if name not in before:
            state = "new"
        elif name not in after:
            state = "removed"
        elif before[name] != after[name]:
            state = "updated"
        else:
            state = "unchanged"
        print(f"   {state:9} {name}")
    kept = (install / "config.xml").read_bytes() == config_before
    print(f"   config.xml {'kept as installed' if kept else 'CHANGED'}; "
          f"up.zip {'left behind' if (install / 'up.zip').exists() else 'deleted'}")

    print("== the client")
    record = install / "standin-run.txt"
    deadline = time.monotonic() + 20
    while not record.exists() and time.monotonic() < deadline:
        time.sleep(0.1)
    if record.exists():
        for line in record.read_text(encoding="utf-8").splitlines():
            print(f"   {line}")
    else:
        print("   not started")

    print("== the log's records of this run")
    today = datetime.date.today()
    log = log_dir / f"[kivra]{today.year}-{today.month:02d}-{today.day:02d}.log"
    if log.exists():
        for line in log.read_bytes().decode("utf-16-le").splitlines():
            print(f"   {line}")

    subprocess.run([str(TOOLS / "wine-run.sh"), "C:\\windows\\system32\\taskkill.exe", "/F",
                    "/IM", "KivraClient.exe"], env=wine_env(prefix), capture_output=True)
    subprocess.run(["bash", "-c", f"source {TOOLS}/lib.sh; export_wine_env '{prefix}'; "
                    "\"$(dirname \"$(default_wine_loader)\")/wineserver\" -k"],
                   capture_output=True)
    return 0 if run.returncode == 1 and kept and record.exists() else 1


if __name__ == "__main__":
    sys.exit(main())
