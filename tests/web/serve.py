#!/usr/bin/python3
"""Serves the built page (build/web/site) over HTTP on 127.0.0.1, as a static host would, with the page's Content
Security Policy as a header. The browser tests run it in their own process: they can take the server offline, where it
answers 503 to everything, or refuse single files, as a host or a network that blocks them would.

Usage: serve.py [SITE] [--port N]; the address is printed. SIGUSR1 takes it offline and back.
"""

import argparse
import signal
import threading
from functools import partial
from http.server import SimpleHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path

CSP = "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'"
TYPES = {".wasm": "application/wasm", ".webmanifest": "application/manifest+json", ".woff2": "font/woff2",
         ".js": "text/javascript", ".css": "text/css", ".html": "text/html; charset=utf-8", ".png": "image/png"}
SITE = Path(__file__).resolve().parents[2] / "build/web/site"


class Handler(SimpleHTTPRequestHandler):
    extensions_map = TYPES

    def do_GET(self):
        path = self.path.split("?")[0].split("#")[0]
        if self.server.offline or path.lstrip("/") in self.server.refused:
            self.send_error(503, "offline" if self.server.offline else "refused")
            return
        super().do_GET()

    def end_headers(self):
        self.send_header("Content-Security-Policy", CSP)
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def log_message(self, *args):
        pass


class Server(ThreadingHTTPServer):
    """The server on a free port, in a thread of its own. offline and refused may be changed while it runs."""

    daemon_threads = True

    def __init__(self, site=SITE, port=0):
        if not (Path(site) / "index.html").is_file():
            raise FileNotFoundError(f"no page in {site}: build it with cmake --workflow --preset web")
        super().__init__(("127.0.0.1", port), partial(Handler, directory=str(site)))
        self.offline, self.refused = False, set()
        self.url = f"http://127.0.0.1:{self.server_address[1]}/"

    def __enter__(self):
        threading.Thread(target=self.serve_forever, daemon=True).start()
        return self

    def __exit__(self, *args):
        self.shutdown()
        self.server_close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("site", nargs="?", default=SITE)
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()
    with Server(args.site, args.port) as server:
        def toggle(*_):
            server.offline = not server.offline
            print("offline" if server.offline else "online", flush=True)

        signal.signal(signal.SIGUSR1, toggle)
        print(f"Serving {args.site} at {server.url} (Ctrl+C stops)", flush=True)
        try:
            threading.Event().wait()
        except KeyboardInterrupt:
            pass


if __name__ == "__main__":
    main()
