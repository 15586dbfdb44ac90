#!/usr/bin/env python3
"""A time-stamping authority on 127.0.0.1 for the packaging test: RFC 3161 queries over HTTP
POST, each answered by `openssl ts -reply` with the configuration given. Port 0 picks a free
port; the first line on stdout is "listening 127.0.0.1:PORT", then one line per answer.

    timestamp_server.py PORT OPENSSL_TS_CONFIG
"""
import http.server
import subprocess
import sys
import tempfile
import os


class TimestampHandler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        if self.headers.get("Content-Type") != "application/timestamp-query" or not 0 < length <= 65536:
            self.send_error(400, "expected an RFC 3161 query")
            return
        query = self.rfile.read(length)
        with tempfile.TemporaryDirectory() as work:
            query_file = os.path.join(work, "query.tsq")
            reply_file = os.path.join(work, "reply.tsr")
            with open(query_file, "wb") as out:
                out.write(query)
            made = subprocess.run(["openssl", "ts", "-reply", "-config", sys.argv[2], "-queryfile", query_file,
                                   "-out", reply_file], capture_output=True)
            if made.returncode != 0:
                self.send_error(500, made.stderr.decode(errors="replace").strip()[:200])
                return
            with open(reply_file, "rb") as reply_in:
                reply = reply_in.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
        print("stamped", len(query), "bytes of query", flush=True)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", int(sys.argv[1])), TimestampHandler)
print(f"listening 127.0.0.1:{server.server_address[1]}", flush=True)
server.serve_forever()
