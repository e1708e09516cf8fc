#!/usr/bin/env python3
"""Loopback HTTP(S) peer for the HTTP client tests.

Binds 127.0.0.1 on a free port, prints the port on its own line, then serves until killed or
until its standard input closes (so that it never outlives a test process that died).
With --cert and --key it speaks HTTPS with that certificate.

  /echo...            200; body: the request line, the header lines as received, an empty
                      line, then the request body
  /status/<code>      that status; 3xx redirect to /echo/redirected
  /bytes/<n>          200 with n bytes: byte i is i % 251
  /hold/<name>        answers "released <name>" once /release/<name> has been asked
  /arrived/<name>     answers once /hold/<name> has arrived
  /release/<name>     lets /hold/<name> answer
"""

import argparse
import http.server
import os
import socketserver
import ssl
import sys
import threading

WAIT_LIMIT = 120.0
events = {}
events_lock = threading.Lock()


def event(kind, name):
    with events_lock:
        return events.setdefault((kind, name), threading.Event())


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def read_body(self):
        if self.headers.get("Transfer-Encoding", "").lower() == "chunked":
            data = b""
            while True:
                size = int(self.rfile.readline().strip().split(b";")[0], 16)
                if size == 0:
                    self.rfile.readline()
                    return data
                data += self.rfile.read(size)
                self.rfile.readline()
        length = int(self.headers.get("Content-Length", "0"))
        return self.rfile.read(length) if length > 0 else b""

    def reply(self, code, body=b"", extra=()):
        self.send_response(code)
        for name, value in extra:
            self.send_header(name, value)
        if code not in (204, 304):
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        if code not in (204, 304) and self.command != "HEAD":
            self.wfile.write(body)
        self.close_connection = True

    def handle_any(self):
        body = self.read_body()
        parts = self.path.split("?")[0].strip("/").split("/")
        route = parts[0]
        name = parts[1] if len(parts) > 1 else ""
        if route == "echo":
            head = self.requestline + "\n"
            head += "".join("%s: %s\n" % (k, v) for k, v in self.headers.items())
            self.reply(200, head.encode("latin-1") + b"\n" + body)
        elif route == "status":
            code = int(name)
            extra = [("Location", "/echo/redirected")] if 300 <= code < 400 else []
            self.reply(code, ("status %d" % code).encode(), extra)
        elif route == "bytes":
            self.reply(200, bytes(i % 251 for i in range(int(name))))
        elif route == "hold":
            event("arrived", name).set()
            event("release", name).wait(WAIT_LIMIT)
            self.reply(200, ("released " + name).encode())
        elif route == "arrived":
            event("arrived", name).wait(WAIT_LIMIT)
            self.reply(200, b"arrived")
        elif route == "release":
            event("release", name).set()
            self.reply(200, b"released")
        else:
            self.reply(404, b"no such route")

    do_GET = do_POST = do_PUT = do_DELETE = do_HEAD = handle_any


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()
    server = Server(("127.0.0.1", 0), Handler)
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=lambda: (sys.stdin.read(), os._exit(0)), daemon=True).start()
    sys.stdout.write("%d\n" % server.server_address[1])
    sys.stdout.flush()
    server.serve_forever()


if __name__ == "__main__":
    main()
