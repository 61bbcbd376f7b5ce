#!/usr/bin/env python3
"""HTTPS test server on 127.0.0.1 for the https:// fetch tests.

Usage: tls_server.py FOLDER CERT_FOLDER PORT_FILE

Listens on three free ports, one per server certificate in CERT_FOLDER
(good.pem, wrong-name.pem, untrusted.pem with their .key files), and writes
"GOOD WRONG_NAME UNTRUSTED" port numbers to PORT_FILE once all listen.
Every port serves the files of FOLDER and these paths:
  /redirect/N   N redirects, the last to /page.html
  /to-file      a redirect to a file:// address
  /to-ftp       a redirect to an ftp:// address
  /to-http/P    a redirect to http://127.0.0.1:P/page.html
  /stall        a 200 head and a few body bytes, then silence
  /silent       silence from the start
  /close        the connection closed without a byte
  /gzip/NAME    the file NAME gzip-compressed, with Content-Encoding, asked or not
  /deflate/NAME the same as zlib deflate data
  /bomb         64 MiB of "a" as gzip data of about 64 KiB
  /long-head    a head line of 100 MB
Runs until killed.
"""

import http.server
import os
import zlib
import ssl
import sys
import threading
import time


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    folder = "."

    def log_message(self, *args):
        pass

    def redirect(self, location):
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def do_GET(self):
        path = self.path
        if path.startswith("/redirect/"):
            left = int(path.split("/")[2])
            self.redirect("/page.html" if left <= 1 else "/redirect/%d" % (left - 1))
        elif path == "/to-file":
            self.redirect("file:///etc/hostname")
        elif path == "/to-ftp":
            self.redirect("ftp://127.0.0.1/page.html")
        elif path.startswith("/to-http/"):
            self.redirect("http://127.0.0.1:%s/page.html" % path.split("/")[2])
        elif path == "/stall":
            self.send_response(200)
            self.send_header("Content-Length", "1000000")
            self.end_headers()
            self.wfile.write(b"stalled ")
            self.wfile.flush()
            time.sleep(3600)
        elif path == "/silent":
            time.sleep(3600)
        elif path == "/close":
            self.close_connection = True
        elif path.startswith("/gzip/") or path.startswith("/deflate/"):
            with open(os.path.join(self.folder, os.path.basename(path)), "rb") as f:
                plain = f.read()
            gzip = path.startswith("/gzip/")
            packer = zlib.compressobj(9, zlib.DEFLATED, 31 if gzip else 15)
            self.send_encoded(packer.compress(plain) + packer.flush(),
                              "gzip" if gzip else "deflate")
        elif path == "/bomb":
            packer = zlib.compressobj(1, zlib.DEFLATED, 31)
            body = b"".join(packer.compress(b"a" * (1 << 20)) for _ in range(64))
            self.send_encoded(body + packer.flush(), "gzip")
        elif path == "/long-head":
            self.wfile.write(b"HTTP/1.1 200 OK\r\nX-Long: ")
            for _ in range(100):
                self.wfile.write(b"x" * 1000000)
            self.wfile.write(b"\r\n\r\n")
        else:
            self.serve_file(path)

    def send_encoded(self, body, encoding):
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Encoding", encoding)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def serve_file(self, path):
        name = os.path.join(self.folder, os.path.basename(path))
        try:
            with open(name, "rb") as f:
                body = f.read()
            self.send_response(200)
        except OSError:
            body = b"<html>not here</html>"
            self.send_response(404)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class TlsServer(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, context):
        super().__init__(("127.0.0.1", 0), Handler)
        self.context = context

    def finish_request(self, request, client_address):
        # The handshake runs on the connection's own thread, so a client
        # that refuses the certificate never holds up the others.
        try:
            request = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError):
            return
        super().finish_request(request, client_address)

    def handle_error(self, request, client_address):
        pass


def main():
    folder, certs, port_file = sys.argv[1:4]
    Handler.folder = folder
    servers = []
    for name in ("good", "wrong-name", "untrusted"):
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(certs, name + ".pem"),
                                os.path.join(certs, name + ".key"))
        servers.append(TlsServer(context))
    for server in servers:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    ports = " ".join(str(s.server_address[1]) for s in servers)
    with open(port_file + ".part", "w") as f:
        f.write(ports + "\n")
    os.rename(port_file + ".part", port_file)
    while True:
        time.sleep(3600)


if __name__ == "__main__":
    main()
