#!/usr/bin/env python3
"""A local version API and package host for tests, benchmarks and tools/run.sh.

Binds to 127.0.0.1 only. It answers

  POST /api/v1/version/client/check      per client type, from the configuration
  GET  <package path>                    files named in the configuration
  GET  /redirect/<n>/<path>              n redirects, then <path>

also when the request line carries an absolute address (a client that reaches the
compiled-in version API host through http_proxy=http://127.0.0.1:<port>).

Configuration (JSON):

  {
    "clients": {                      # by client type id; "*" for any other
      "3": {"success": true, "version_number": "2.0", "url": "http://127.0.0.1:PORT/up.zip"},
      "4": {"status": 500, "body": "<html>error</html>"},     # a raw reply
      "*": {"success": false, "errmsg": "no package"}
    },
    "files": {"/up.zip": "/path/to/package.zip"},
    "faults": {                       # by path, for packages and the API alike
      "/stall.zip": "stall",          # accept, then send nothing
      "/cut.zip": "truncate",         # announce the file's length, send half, close
      "/bad.zip": {"status": 500, "body": "<html>error</html>"}
    }
  }

The text "PORT" inside a client's reply is replaced by the server's own port (and
"HTTPS_PORT" by the https port), so a configuration can be written before the port
is known. Every request is logged as one JSON line to --log (and to stderr).

  version_server.py --config C.json [--port 0] [--port-file F] [--log L]
                    [--https-port 0 --cert CERT --key KEY] [--https-port-file F]
"""
import argparse
import http.server
import json
import os
import shutil
import signal
import socketserver
import ssl
import sys
import threading
import time
import urllib.parse

CHECK_PATH = "/api/v1/version/client/check"
STALL_SECONDS = 300


class State:
    def __init__(self, config_path, log_path):
        self.config_path = config_path
        self.log_path = log_path
        self.lock = threading.Lock()
        self.port = 0
        self.https_port = 0
        self.stopping = threading.Event()

    def config(self):
        # Read per request: a test may rewrite the configuration between runs.
        with open(self.config_path, encoding="utf-8") as f:
            return json.load(f)

    def record(self, entry):
        line = json.dumps(entry, ensure_ascii=False)
        print(f"version_server: {line}", file=sys.stderr, flush=True)
        if self.log_path:
            with self.lock, open(self.log_path, "a", encoding="utf-8") as f:
                f.write(line + "\n")

    def substitute(self, text):
        return text.replace("HTTPS_PORT", str(self.https_port)).replace("PORT", str(self.port))


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "KivraTestServer/1.0"

    def log_message(self, fmt, *args):  # the JSON record replaces the default line
        pass

    # --- plumbing -----------------------------------------------------------------
    def target(self):
        """The path of the request, also for the absolute form a proxy client sends."""
        parsed = urllib.parse.urlsplit(self.path)
        host = parsed.netloc or self.headers.get("Host", "")
        return host, parsed.path or "/"

    def send_body(self, status, body, content_type="application/octet-stream"):
        data = body.encode("utf-8") if isinstance(body, str) else body
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(data)
        self.close_connection = True

    def stall(self):
        self.server.state.stopping.wait(STALL_SECONDS)
        self.close_connection = True

    def apply_fault(self, fault, file_path):
        if fault == "stall":
            self.stall()
        elif fault == "truncate":
            data = open(file_path, "rb").read() if file_path else b"x" * 1000
            self.send_response(200)
            self.send_header("Content-Length", str(len(data)))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(data[: len(data) // 2])
            self.close_connection = True
        elif isinstance(fault, dict):
            self.send_body(fault.get("status", 200), fault.get("body", ""),
                           fault.get("content_type", "text/html"))
        else:
            self.send_body(500, f"unknown fault {fault!r}", "text/plain")

    # --- requests -----------------------------------------------------------------
    def do_POST(self):
        host, path = self.target()
        length = int(self.headers.get("Content-Length", "0") or 0)
        body = self.rfile.read(length).decode("utf-8", errors="replace") if length else ""
        entry = {"method": "POST", "host": host, "path": path, "body": body,
                 "content_type": self.headers.get("Content-Type")}
        config = self.server.state.config()
        fault = config.get("faults", {}).get(path)
        if fault is not None:
            entry["fault"] = fault
            self.server.state.record(entry)
            self.apply_fault(fault, None)
            return
        if path != CHECK_PATH:
            self.server.state.record(dict(entry, status=404))
            self.send_body(404, "not found", "text/plain")
            return
        try:
            client_type = str(json.loads(body)["client_type_id"])
        except (ValueError, KeyError, TypeError):
            client_type = None
        entry["client_type_id"] = client_type
        clients = config.get("clients", {})
        reply = clients.get(client_type, clients.get("*", {"success": False, "errmsg": "none"}))
        self.server.state.record(entry)
        if "body" in reply and "success" not in reply:
            self.send_body(reply.get("status", 200), self.server.state.substitute(reply["body"]),
                           reply.get("content_type", "application/json"))
        else:
            text = self.server.state.substitute(json.dumps(reply, ensure_ascii=False))
            self.send_body(200, text, "application/json;charset=UTF-8")

    def do_GET(self):
        host, path = self.target()
        entry = {"method": "GET", "host": host, "path": path}
        config = self.server.state.config()

        parts = path.split("/", 3)
        if len(parts) >= 3 and parts[1] == "redirect" and parts[2].isdigit():
            left = int(parts[2])
            rest = "/" + (parts[3] if len(parts) > 3 else "")
            location = rest if left <= 1 else f"/redirect/{left - 1}{rest}"
            self.server.state.record(dict(entry, status=302, location=location))
            self.send_response(302)
            self.send_header("Location", location)
            self.send_header("Content-Length", "0")
            self.send_header("Connection", "close")
            self.end_headers()
            self.close_connection = True
            return

        file_path = config.get("files", {}).get(path)
        fault = config.get("faults", {}).get(path)
        if fault is not None:
            self.server.state.record(dict(entry, fault=fault))
            self.apply_fault(fault, file_path)
            return
        if not file_path or not os.path.isfile(file_path):
            self.server.state.record(dict(entry, status=404))
            self.send_body(404, "not found", "text/plain")
            return
        size = os.path.getsize(file_path)
        self.server.state.record(dict(entry, status=200, bytes=size))
        self.send_response(200)
        self.send_header("Content-Type", "application/zip")
        self.send_header("Content-Length", str(size))
        self.send_header("Connection", "close")
        self.end_headers()
        with open(file_path, "rb") as f:
            shutil.copyfileobj(f, self.wfile, 1 << 20)
        self.close_connection = True


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def write_port(path, port):
    if path:
        tmp = path + ".tmp"
        with open(tmp, "w") as f:
            f.write(f"{port}\n")
        os.replace(tmp, path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--config", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    parser.add_argument("--log")
    parser.add_argument("--https-port", type=int)
    parser.add_argument("--https-port-file")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()

    state = State(args.config, args.log)
    servers = []
    http_server = Server(("127.0.0.1", args.port), Handler)
    http_server.state = state
    state.port = http_server.server_address[1]
    servers.append(http_server)

    if args.https_port is not None:
        https_server = Server(("127.0.0.1", args.https_port), Handler)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        https_server.socket = context.wrap_socket(https_server.socket, server_side=True)
        https_server.state = state
        state.https_port = https_server.server_address[1]
        servers.append(https_server)

    def stop(*_):
        state.stopping.set()
        for s in servers:
            threading.Thread(target=s.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    threads = [threading.Thread(target=s.serve_forever, daemon=True) for s in servers]
    for t in threads:
        t.start()
    write_port(args.port_file, state.port)
    if args.https_port is not None:
        write_port(args.https_port_file, state.https_port)
    while not state.stopping.is_set():
        time.sleep(0.2)
    for s in servers:
        s.server_close()


if __name__ == "__main__":
    main()
