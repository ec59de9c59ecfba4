#!/usr/bin/env python3
"""The demo portal: the portal's, the game's and the payment site's pages on
loopback, told apart by the Host header, for the browser to reach under
their real names through its host resolver rules.

  python3 portal/serve.py [--port N] [--port-file PATH] [--rules-file PATH]
                          [--parent PID] [--log PATH]

It serves until SIGTERM or SIGINT, or until the process --parent names ends.
GET /__portal/state answers what the pages did: documents served per page
and the reports the pages' scripts sent.
"""

import argparse
import json
import os
import re
import signal
import socket
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import urlsplit

HERE = os.path.dirname(os.path.abspath(__file__))
PAGES = os.path.join(HERE, "pages")
STATIC = os.path.join(PAGES, "static")
PARTS = os.path.join(PAGES, "parts")
PART_MARK = re.compile(rb"<!--#part ([a-z_]+)-->\n?")

# Host -> {path: (page name, file)}. Page names are what the state counts.
SITES = {
    "www.plaxon.com": {
        "/": ("home", "home.html"),
        "/game/s/wdAccess/": ("login", "login.html"),
        "/kefu/": ("service", "service.html"),
    },
    "trnw.plaxon.com": {
        "/wd/": ("game", "game.html"),
    },
    "pay.plaxon.com": {
        "/": ("pay", "pay.html"),
    },
}
HOSTS = sorted(SITES)

CONTENT_TYPES = {
    ".css": "text/css; charset=utf-8",
    ".js": "text/javascript; charset=utf-8",
    ".svg": "image/svg+xml",
    ".html": "text/html; charset=utf-8",
}

MAX_REPORT_BYTES = 64 * 1024
MAX_REPORTS = 500


class PortalState:
    def __init__(self):
        self.lock = threading.Lock()
        self.loads = {}
        self.reports = []

    def count_load(self, page):
        with self.lock:
            self.loads[page] = self.loads.get(page, 0) + 1

    def add_report(self, report):
        with self.lock:
            self.reports.append(report)
            del self.reports[:-MAX_REPORTS]

    def snapshot(self):
        with self.lock:
            return {"loads": dict(self.loads), "reports": list(self.reports)}


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "PlaxonPortal/1.0"
    # Idle keep-alive connections go after this long.
    timeout = 30

    def handle(self):
        # The browser first tries https on the same port (it upgrades plain
        # addresses); a TLS hello is closed at once so it falls back quickly.
        try:
            first = self.connection.recv(1, socket.MSG_PEEK)
        except OSError:
            return
        if not first or first == b"\x16":
            return
        super().handle()

    def log_message(self, format, *args):
        log = self.server.log
        if log:
            log.write("%s %s\n" % (time.strftime("%H:%M:%S"), format % args))
            log.flush()

    def host(self):
        host = self.headers.get("Host", "").lower()
        return host.rsplit(":", 1)[0] if ":" in host and not host.endswith("]") else host

    def send_body(self, status, content_type, body, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        # Every load of a page reaches us: the client's reloads are counted.
        self.send_header("Cache-Control", "no-store")
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def send_file(self, path, status=200):
        body = read_page(path) if path.endswith(".html") else read_bytes(path)
        if body is None:
            self.send_not_found()
            return
        self.send_body(status, CONTENT_TYPES.get(os.path.splitext(path)[1], "application/octet-stream"), body)

    def send_not_found(self):
        body = read_page(os.path.join(PAGES, "not_found.html"))
        self.send_body(404, "text/html; charset=utf-8", body if body is not None else b"not found")

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        path = urlsplit(self.path).path
        if path == "/__portal/state":
            body = json.dumps(self.server.state.snapshot(), ensure_ascii=False).encode("utf-8")
            self.send_body(200, "application/json; charset=utf-8", body)
            return
        if path == "/favicon.ico":
            self.send_file(os.path.join(STATIC, "logo.svg"))
            return
        if path.startswith("/static/"):
            name = path[len("/static/"):]
            # Only plain names of the folder itself.
            if not name or "/" in name or "\\" in name or name.startswith("."):
                self.send_not_found()
                return
            self.send_file(os.path.join(STATIC, name))
            return
        site = SITES.get(self.host())
        route = site.get(path) if site else None
        if not route:
            self.send_not_found()
            return
        page, file_name = route
        self.server.state.count_load(page)
        self.send_file(os.path.join(PAGES, file_name))

    def do_POST(self):
        if urlsplit(self.path).path != "/__portal/report":
            self.send_not_found()
            return
        try:
            length = int(self.headers.get("Content-Length", "0"))
        except ValueError:
            length = -1
        if length < 0 or length > MAX_REPORT_BYTES:
            self.send_body(413, "text/plain", b"too large", [("Connection", "close")])
            self.close_connection = True
            return
        raw = self.rfile.read(length)
        try:
            report = json.loads(raw.decode("utf-8"))
        except (UnicodeDecodeError, ValueError):
            self.send_body(400, "text/plain", b"not JSON")
            return
        if not isinstance(report, dict):
            self.send_body(400, "text/plain", b"not an object")
            return
        report["host"] = self.host()
        self.server.state.add_report(report)
        self.send_body(204, "text/plain", b"")


class PortalServer(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port, log):
        super().__init__(("127.0.0.1", port), Handler)
        self.state = PortalState()
        self.log = log


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def read_page(path):
    """A page with the parts the site's pages share (masthead, footer) put
    in place of their marks; a missing part leaves nothing."""
    body = read_bytes(path)
    if body is None:
        return None
    return PART_MARK.sub(lambda mark: read_bytes(os.path.join(PARTS, mark.group(1).decode() + ".html")) or b"", body)


def write_file(path, text):
    # Readers never see half of it.
    temporary = path + ".tmp"
    with open(temporary, "w") as f:
        f.write(text)
    os.replace(temporary, path)


def resolver_rules(port):
    """The browser's --host-resolver-rules value that sends every site here."""
    return ", ".join("MAP %s 127.0.0.1:%d" % (host, port) for host in HOSTS)


def watch_parent(pid, stop):
    while True:
        try:
            os.kill(pid, 0)
        except ProcessLookupError:
            stop()
            return
        except PermissionError:
            pass
        time.sleep(0.5)


def main(argv):
    parser = argparse.ArgumentParser(description="The demo portal on loopback.")
    parser.add_argument("--port", type=int, default=0, help="port to listen on; 0 picks a free one")
    parser.add_argument("--port-file", help="file that receives the port once it listens")
    parser.add_argument("--rules-file", help="file that receives the browser's host resolver rules")
    parser.add_argument("--parent", type=int, help="stop when this process ends")
    parser.add_argument("--log", help="request log (default: standard error; 'none' for no log)")
    args = parser.parse_args(argv)

    if args.log == "none":
        log = None
    elif args.log:
        log = open(args.log, "a", encoding="utf-8")
    else:
        log = sys.stderr
    try:
        server = PortalServer(args.port, log)
    except OSError as error:
        print("portal: cannot listen on port %d: %s" % (args.port, error), file=sys.stderr)
        return 1
    port = server.server_address[1]

    stopping = threading.Event()

    def stop(*_):
        # shutdown() waits for serve_forever, which runs on this thread.
        if not stopping.is_set():
            stopping.set()
            threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    if args.parent:
        threading.Thread(target=watch_parent, args=(args.parent, stop), daemon=True).start()

    if args.rules_file:
        write_file(args.rules_file, resolver_rules(port) + "\n")
    # Last: the port file tells a waiting caller that everything is ready.
    if args.port_file:
        write_file(args.port_file, "%d\n" % port)
    print("portal: serving %s on 127.0.0.1:%d" % (", ".join(HOSTS), port), flush=True)
    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        server.server_close()
        for path in (args.port_file, args.rules_file):
            if path:
                try:
                    os.remove(path)
                except OSError:
                    pass
    print("portal: stopped", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
